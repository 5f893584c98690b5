#include "Clock.h"

#include <chrono>
#include <thread>

namespace ombrix {

std::int64_t SystemClock::UtcMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::int64_t SystemClock::MonotonicMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::Sleep(std::int64_t milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace {
// The lockstep clock this thread holds a Participant of, if any.
thread_local const LockstepClock* t_participating = nullptr;
}  // namespace

std::int64_t LockstepClock::UtcMilliseconds() {
  const std::lock_guard lock(mutex_);
  return utc_;
}

std::int64_t LockstepClock::MonotonicMilliseconds() {
  const std::lock_guard lock(mutex_);
  return utc_ - start_;
}

void LockstepClock::Advance(std::int64_t milliseconds) {
  const std::lock_guard lock(mutex_);
  if (milliseconds > 0) utc_ += milliseconds;
  woken_.notify_all();
}

void LockstepClock::StepLocked() {
  if (participants_ == 0 || sleeping_ < participants_ || wakeUps_.empty()) return;
  // A sleeper already due has not run yet: it is as good as awake.
  if (*wakeUps_.begin() <= utc_) return;
  utc_ = *wakeUps_.begin();
  woken_.notify_all();
}

void LockstepClock::Sleep(std::int64_t milliseconds) {
  if (milliseconds <= 0) return;
  std::unique_lock lock(mutex_);
  const bool passing = t_participating != this;
  if (passing) ++participants_;
  const std::int64_t wake = utc_ + milliseconds;
  const auto entry = wakeUps_.insert(wake);
  ++sleeping_;
  StepLocked();
  woken_.wait(lock, [&] { return utc_ >= wake; });
  wakeUps_.erase(entry);
  --sleeping_;
  if (passing) {
    --participants_;
    StepLocked();
  }
}

LockstepClock::Participant::Participant(LockstepClock& clock) : clock_(clock) {
  const std::lock_guard lock(clock_.mutex_);
  ++clock_.participants_;
  t_participating = &clock_;
}

void LockstepClock::Enlist() {
  const std::lock_guard lock(mutex_);
  ++participants_;
}

LockstepClock::Participant::Participant(LockstepClock& clock, Enlisted) : clock_(clock) {
  t_participating = &clock_;
}

LockstepClock::Participant::~Participant() {
  const std::lock_guard lock(clock_.mutex_);
  --clock_.participants_;
  t_participating = nullptr;
  clock_.StepLocked();
}

namespace {
Clock* g_clock = nullptr;
}

Clock& CurrentClock() {
  static SystemClock system;
  if (g_clock) return *g_clock;
  return system;
}

Clock* SetCurrentClock(Clock* clock) {
  Clock* previous = g_clock;
  g_clock = clock;
  return previous;
}

}  // namespace ombrix
