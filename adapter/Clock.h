#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>

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

// Virtual time that several threads share, each as if it had the machine to itself: time moves
// on only when every thread taking part waits in Sleep, and then straight to the earliest
// wake-up, so that what each thread sees on the clock is the same however the threads are
// scheduled. A thread takes part while it holds a Participant; a thread that does not and sleeps
// takes part for that sleep only. With nobody taking part it is a plain virtual clock.
//
// A participant must not wait for anything but this clock (a lock held across a sleep, another
// thread's end) without leaving first, or time stands still for everyone.
class LockstepClock : public Clock {
 public:
  explicit LockstepClock(std::int64_t utcMilliseconds = 1'600'000'000'000)
      : utc_(utcMilliseconds), start_(utcMilliseconds) {}
  std::int64_t UtcMilliseconds() override;
  std::int64_t MonotonicMilliseconds() override;
  void Sleep(std::int64_t milliseconds) override;
  // Moves the time on at once (before the threads start, as after a pause of the whole lab).
  void Advance(std::int64_t milliseconds);

  // Counts in a thread about to be started, from the thread that starts it, so that no time
  // passes before it takes part; the new thread then takes part with Participant(clock,
  // kEnlisted).
  void Enlist();
  enum Enlisted { kEnlisted };

  class Participant {
   public:
    explicit Participant(LockstepClock& clock);
    Participant(LockstepClock& clock, Enlisted);
    ~Participant();
    Participant(const Participant&) = delete;
    Participant& operator=(const Participant&) = delete;

   private:
    LockstepClock& clock_;
  };

 private:
  // Moves to the earliest wake-up once every participant sleeps and none is still due.
  void StepLocked();

  std::mutex mutex_;
  std::condition_variable woken_;
  std::int64_t utc_;
  std::int64_t start_;
  int participants_ = 0;
  int sleeping_ = 0;
  std::multiset<std::int64_t> wakeUps_;
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
