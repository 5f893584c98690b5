#pragma once

#include <csignal>

namespace ombrix::cli {

// While it lives, SIGINT and SIGTERM only set a flag that the download asks between blocks, so
// that an interrupted download ends cleanly: nothing stored, no file written, no temporary file
// left behind. The previous handlers come back afterwards.
class InterruptGuard {
 public:
  InterruptGuard() {
    flag_ = 0;
    previousInt_ = std::signal(SIGINT, &Raise);
    previousTerm_ = std::signal(SIGTERM, &Raise);
  }
  ~InterruptGuard() {
    std::signal(SIGINT, previousInt_);
    std::signal(SIGTERM, previousTerm_);
  }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
  static bool Interrupted() { return flag_ != 0; }

 private:
  static void Raise(int) { flag_ = 1; }
  static inline volatile std::sig_atomic_t flag_ = 0;
  void (*previousInt_)(int) = SIG_DFL;
  void (*previousTerm_)(int) = SIG_DFL;
};

}  // namespace ombrix::cli
