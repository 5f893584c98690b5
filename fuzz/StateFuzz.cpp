// The virtual state file is text that users edit by hand (fault lines, for instance). The fuzz
// input is the file's text. A text the parser accepts must format to a text that parses again and
// then formats to the very same text: what one run saves, the next run reads back unchanged. Then
// the run itself: the state's scenario is built on its clock, the saved probes are put back, and
// the probe layer reads the status and the first block of the log, as ombrix-cli does; the state
// captured afterwards must be readable by the next run too.

#include <cstdint>
#include <string>
#include <string_view>

#include "Clock.h"
#include "FuzzCheck.h"
#include "Probe.h"
#include "Scenarios.h"
#include "VirtualBus.h"
#include "VirtualState.h"

namespace {

using ombrix::VirtualState;

// Formats the state and parses it back: the text must read and format to itself.
std::string CheckFormatted(const VirtualState& state) {
  const std::string formatted = ombrix::FormatVirtualState(state);
  VirtualState again;
  std::string error;
  const bool parsed = ombrix::ParseVirtualState(formatted, again, error);
  if (!parsed) std::fprintf(stderr, "the formatted state does not parse: %s\n", error.c_str());
  FUZZ_CHECK(parsed);
  FUZZ_CHECK(ombrix::FormatVirtualState(again) == formatted);
  return formatted;
}

// The parser takes clocks, clock offsets and standing probe times within 2^50 ms either way.
bool BeyondTimeLimit(const VirtualState& state) {
  constexpr std::int64_t kLimit = std::int64_t{1} << 50;
  const auto beyond = [](std::int64_t ms) { return ms < -kLimit || ms > kLimit; };
  if (beyond(state.utcMilliseconds)) return true;
  for (const auto& adapter : state.adapters) {
    if (adapter.probe &&
        (beyond(adapter.probe->clockOffsetMs) ||
         (adapter.probe->stoppedClockMs && beyond(*adapter.probe->stoppedClockMs)))) {
      return true;
    }
  }
  return false;
}

void RunSession(VirtualState& state) {
  ombrix::VirtualClock clock(state.utcMilliseconds);
  ombrix::ScopedClock clockScope(clock);
  ombrix::VirtualBus bus(clock, ombrix::LinkTiming::Instant());
  std::string error;
  if (!ombrix::BuildScenario(bus, state.scenario) || !ombrix::RestoreProbes(bus, state, error)) {
    return;
  }
  ombrix::ScopedDriver driverScope(bus);
  {
    ombrix::TProbe probe;
    if (probe.DetectProbe() && probe.ReadStatus(true)) {
      probe.ReadClock();
      if (probe.BeginReadData()) probe.ReadDataBlock();
    }
  }
  clock.Advance(3'600'000);
  state.utcMilliseconds = clock.UtcMilliseconds();
  ombrix::CaptureProbes(bus, state);
  // A run that starts within an hour of the parser's time limit saves a clock beyond it, which
  // the next run refuses with its line instead of running on it.
  if (BeyondTimeLimit(state)) {
    VirtualState again;
    FUZZ_CHECK(!ombrix::ParseVirtualState(ombrix::FormatVirtualState(state), again, error));
    FUZZ_CHECK(!error.empty());
    return;
  }
  CheckFormatted(state);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  VirtualState state;
  std::string error;
  if (!ombrix::ParseVirtualState(text, state, error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  CheckFormatted(state);
  RunSession(state);
  return 0;
}
