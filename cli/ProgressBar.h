#pragma once

#include <ostream>

namespace ombrix::cli {

// A one-line progress bar, redrawn in place with a carriage return. Draws nothing when disabled
// (stderr is not a terminal), so that logs and pipes get only the messages.
class ProgressBar {
 public:
  ProgressBar(std::ostream& out, bool enabled) : out_(out), enabled_(enabled) {}
  ~ProgressBar() { Finish(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Show(int percent);
  // Ends the line, once anything was drawn.
  void Finish();

 private:
  std::ostream& out_;
  bool enabled_;
  int shown_ = -1;
};

}  // namespace ombrix::cli
