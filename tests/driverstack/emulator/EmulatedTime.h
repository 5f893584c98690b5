#pragma once

#include <cstdint>

namespace ombrix::emulator {

// The time of the emulated adapter, in microseconds on a monotonic scale, and the wall clock that
// goes with it.
//
// On virtual time (the default) the whole process runs on it: the library also stands in for the
// C library's clock and sleep calls (clock_gettime, gettimeofday, time, nanosleep,
// clock_nanosleep, usleep, sleep), so that the program above reads the emulator's clock and its
// pauses move that clock on at once instead of waiting. A USB transfer that would wait for the
// chip moves it on the same way. Nothing ever sleeps, and every run from the same state sees the
// same times. Clocks other than the wall and monotonic ones (CPU time) stay real.
//
// There is one clock for all threads, and each pause moves it on at once, whatever the other
// threads are doing: suited to a program that does one thing at a time, as ombrix-cli's probe
// commands do. Where threads pause side by side (a station's search loop beside a worker in the
// middle of an exchange), the program's time runs far ahead of its work and a time-out can run
// out between a request and its answer; such a program runs on real time.
//
// On real time the calls go to the system as usual and the emulator really waits for its chip,
// so that a benchmark measures what a person at a real adapter would wait.
namespace emulated_time {

// Chooses the mode and, for virtual time, the wall clock's start (UTC milliseconds).
void Start(bool virtualTime, std::int64_t utcMilliseconds);
bool IsVirtual();

std::int64_t NowMicros();
// The wall clock at a moment of NowMicros's scale, in UTC milliseconds.
std::int64_t UtcMilliseconds(std::int64_t micros);
// Waits until that moment (virtual time: moves the clock there at once).
void WaitUntil(std::int64_t micros);

}  // namespace emulated_time
}  // namespace ombrix::emulator
