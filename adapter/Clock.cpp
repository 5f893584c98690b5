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
