#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "VirtualBus.h"
#include "VirtualProbe.h"

namespace ombrix {

// Named, deterministic set-ups of the virtual bus, for the demo, the tests and the benchmarks.
//
//   demo      (the default) an unrelated FTDI device, then the adapter "Ombrix adapter" with a
//             probe in a fridge that has been recording every 10 minutes for three weeks
//   empty     the adapter without a probe (and the unrelated device)
//   none      only the unrelated FTDI device
//   two       two adapters with the description "Ombrix adapter", a probe on the first
//   clear     the adapter with a probe whose memory is clear
//   rollover  the adapter with a probe whose mission (every 5 minutes for 30 days, rollover on)
//             has wrapped its log
//   station   three adapters and a tray of twelve probes that come back from the field, each
//             with a mission under way, put on and taken off by the clock (StationVisits): two
//             are taken off in the middle of their downloads and put back later, one is put back
//             after it was done, the others come and go once
//
// Probes carry a name, a comment and a valid serial number; their clocks run a few seconds off
// the bus clock, as real ones do. The seed varies the temperatures.
namespace scenario {
inline constexpr std::string_view kDefault = "demo";
inline constexpr const char* kAdapterDescription = "Ombrix adapter";
inline constexpr const char* kAdapterSerial = "OMX10001";
inline constexpr const char* kSecondAdapterSerial = "OMX10002";
inline constexpr const char* kThirdAdapterSerial = "OMX10003";
inline constexpr const char* kOtherDescription = "FT232R USB UART";
inline constexpr const char* kOtherSerial = "A10K2JQ7";
inline constexpr std::uint8_t kProbeFamily = 0x4F;
}  // namespace scenario

std::vector<std::string> ScenarioNames();

// The visits of the station scenario, in milliseconds after the scenario was built, with the
// probe's number among the tray's twelve (0..11).
struct StationVisit {
  int probe;
  const char* adapterSerial;
  std::int64_t onMs;
  std::int64_t offMs;
};
std::vector<StationVisit> StationVisits();

// Adds the scenario's devices to the bus. An unknown name adds nothing and returns false.
bool BuildScenario(VirtualBus& bus, std::string_view name, std::uint64_t seed = 1);

// A probe as the scenarios make them: identity texts, a valid serial number derived from the
// number, a fridge temperature source, a clock `clockSkewSeconds` off the bus clock, and a
// lifetime count from earlier missions.
std::shared_ptr<VirtualProbe> MakeProbe(VirtualBus& bus, std::uint64_t number, std::uint64_t seed,
                                        std::string_view name, std::string_view comment,
                                        int clockSkewSeconds = 0);

// Gives the probe a mission launched `age` seconds ago by its clock, with the given settings, so
// that the samples of that time are there to download.
void GiveReadyMission(VirtualProbe& probe, VirtualBus& bus, std::int64_t ageSeconds,
                      const VirtualProbe::Mission& mission);

}  // namespace ombrix
