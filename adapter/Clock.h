#pragma once

#include <cstdint>

namespace ombrix {

// Every read of the PC clock and every fixed pause goes through the current Clock, so that tests
// and simulations run on virtual time and never sleep for real.
class Clock {
 public:
  virtual ~Clock() = default;
  // Wall-clock time: milliseconds since 1970-01-01 00:00:00 UTC.
  virtual std::int64_t UtcMilliseconds() = 0;
  // A monotonic count of milliseconds for time-outs and pacing.
  virtual std::int64_t MonotonicMilliseconds() = 0;
  // Blocks the calling thread for the given milliseconds (virtual clocks just advance).
  virtual void Sleep(std::int64_t milliseconds) = 0;
};

// The system's clock: real time, real pauses.
class SystemClock : public Clock {
 public:
  std::int64_t UtcMilliseconds() override;
  std::int64_t MonotonicMilliseconds() override;
  void Sleep(std::int64_t milliseconds) override;
};

// Virtual time that moves only when someone sleeps or advances it. Wall clock and monotonic clock
// move together.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(std::int64_t utcMilliseconds = 1'600'000'000'000) : utc_(utcMilliseconds) {}
  std::int64_t UtcMilliseconds() override { return utc_; }
  std::int64_t MonotonicMilliseconds() override { return utc_ - start_; }
  void Sleep(std::int64_t milliseconds) override { Advance(milliseconds); }
  void Advance(std::int64_t milliseconds) {
    if (milliseconds > 0) utc_ += milliseconds;
  }
  void SetUtcMilliseconds(std::int64_t utc) {
    start_ += utc - utc_;
    utc_ = utc;
  }
  std::int64_t SleptMilliseconds() const { return utc_ - start_; }

 private:
  std::int64_t utc_;
  std::int64_t start_ = utc_;
};

// The process-wide clock; the system clock until another is set.
Clock& CurrentClock();
// Replaces the current clock (nullptr restores the system clock); returns the previous one.
Clock* SetCurrentClock(Clock* clock);

// A fixed pause of the program, on the current clock.
inline void Pause(std::int64_t milliseconds) {
  CurrentClock().Sleep(milliseconds);
}

class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock) : previous_(SetCurrentClock(&clock)) {}
  ~ScopedClock() { SetCurrentClock(previous_); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

}  // namespace ombrix
