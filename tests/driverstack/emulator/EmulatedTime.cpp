#include "EmulatedTime.h"

#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>

namespace ombrix::emulator::emulated_time {

namespace {

std::atomic<bool> g_virtual{false};
// Virtual monotonic time starts low, behind the system's own, so that a time-out that the C
// library hands to the kernel as an absolute system time never waits longer than asked.
std::atomic<std::int64_t> g_micros{1'000'000};
std::atomic<std::int64_t> g_utcAtZeroMicros{0};

long RealClock(clockid_t clock, timespec* ts) {
  return syscall(SYS_clock_gettime, clock, ts);
}

std::int64_t Micros(const timespec& ts) {
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

timespec Timespec(std::int64_t micros) {
  return {static_cast<time_t>(micros / 1'000'000), static_cast<long>(micros % 1'000'000) * 1000};
}

bool IsWall(clockid_t clock) {
  return clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE;
}

bool IsVirtualClock(clockid_t clock) {
  return IsWall(clock) || clock == CLOCK_MONOTONIC || clock == CLOCK_MONOTONIC_RAW ||
         clock == CLOCK_MONOTONIC_COARSE || clock == CLOCK_BOOTTIME;
}

void Advance(std::int64_t micros) {
  if (micros > 0) g_micros.fetch_add(micros);
}

}  // namespace

void Start(bool virtualTime, std::int64_t utcMilliseconds) {
  g_utcAtZeroMicros = utcMilliseconds * 1000 - g_micros.load();
  g_virtual = virtualTime;
}

bool IsVirtual() {
  return g_virtual;
}

std::int64_t NowMicros() {
  if (g_virtual) return g_micros;
  timespec ts{};
  RealClock(CLOCK_MONOTONIC, &ts);
  return Micros(ts);
}

std::int64_t UtcMilliseconds(std::int64_t micros) {
  if (g_virtual) return (g_utcAtZeroMicros + micros) / 1000;
  timespec wall{}, monotonic{};
  RealClock(CLOCK_REALTIME, &wall);
  RealClock(CLOCK_MONOTONIC, &monotonic);
  return (Micros(wall) + micros - Micros(monotonic)) / 1000;
}

void WaitUntil(std::int64_t micros) {
  const std::int64_t now = NowMicros();
  if (micros <= now) return;
  if (g_virtual) {
    Advance(micros - now);
    return;
  }
  const timespec wait = Timespec(micros - now);
  syscall(SYS_nanosleep, &wait, nullptr);
}

}  // namespace ombrix::emulator::emulated_time

// The C library's clock and sleep calls, on the emulator's time when it is virtual.
using namespace ombrix::emulator::emulated_time;

extern "C" {

__attribute__((visibility("default"))) int clock_gettime(clockid_t clock, timespec* ts) {
  if (!IsVirtual() || !IsVirtualClock(clock)) return static_cast<int>(RealClock(clock, ts));
  const std::int64_t now = NowMicros();
  *ts = Timespec(IsWall(clock) ? g_utcAtZeroMicros + now : now);
  return 0;
}

__attribute__((visibility("default"))) int gettimeofday(timeval* tv, void* zone) {
  if (!IsVirtual()) return static_cast<int>(syscall(SYS_gettimeofday, tv, zone));
  const std::int64_t utc = g_utcAtZeroMicros + NowMicros();
  *tv = {static_cast<time_t>(utc / 1'000'000), static_cast<suseconds_t>(utc % 1'000'000)};
  return 0;
}

__attribute__((visibility("default"))) time_t time(time_t* out) {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  if (out) *out = ts.tv_sec;
  return ts.tv_sec;
}

__attribute__((visibility("default"))) int clock_nanosleep(clockid_t clock, int flags,
                                                           const timespec* request,
                                                           timespec* remain) {
  if (!IsVirtual() || !IsVirtualClock(clock)) {
    return syscall(SYS_clock_nanosleep, clock, flags, request, remain) == 0 ? 0 : errno;
  }
  std::int64_t until = Micros(*request);
  if (flags & TIMER_ABSTIME) {
    if (IsWall(clock)) until -= g_utcAtZeroMicros;
  } else {
    until += NowMicros();
  }
  WaitUntil(until);
  return 0;
}

__attribute__((visibility("default"))) int nanosleep(const timespec* request, timespec* remain) {
  const int error = clock_nanosleep(CLOCK_MONOTONIC, 0, request, remain);
  if (error == 0) return 0;
  errno = error;
  return -1;
}

__attribute__((visibility("default"))) int usleep(useconds_t micros) {
  const timespec request = Timespec(micros);
  return nanosleep(&request, nullptr);
}

__attribute__((visibility("default"))) unsigned int sleep(unsigned int seconds) {
  const timespec request = Timespec(static_cast<std::int64_t>(seconds) * 1'000'000);
  return nanosleep(&request, nullptr) == 0 ? 0 : seconds;
}

}  // extern "C"
