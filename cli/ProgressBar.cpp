#include "ProgressBar.h"

#include <algorithm>
#include <string>

namespace ombrix::cli {

namespace {
constexpr int kWidth = 40;
}

void ProgressBar::Show(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (!enabled_ || percent == shown_) return;
  shown_ = percent;
  const int filled = percent * kWidth / 100;
  out_ << "\rReading data [" << std::string(filled, '#') << std::string(kWidth - filled, '.')
       << "] " << percent << " %" << std::flush;
}

void ProgressBar::Finish() {
  if (shown_ < 0) return;
  out_ << '\n' << std::flush;
  shown_ = -1;
}

}  // namespace ombrix::cli
