#include "Scenarios.h"

namespace ombrix {

namespace {

constexpr std::int64_t kDay = 24 * 3600;

void AddOther(VirtualBus& bus) {
  bus.AddPlainDevice(scenario::kOtherDescription, scenario::kOtherSerial);
}

AdapterController& AddAdapter(VirtualBus& bus, const char* serial = scenario::kAdapterSerial) {
  return bus.AddAdapter(scenario::kAdapterDescription, serial);
}

std::shared_ptr<VirtualProbe> DairyProbe(VirtualBus& bus, std::uint64_t seed) {
  auto probe = MakeProbe(bus, 0x00000A3C71E2ull, seed, "Cold room 2 - dairy",
                         "Walk-in cooler, back shelf, upper left. Checked weekly by the morning "
                         "shift; alarm above 8 C for more than 30 minutes.",
                         4);
  probe->SetLifetimeSamples(41'872);
  return probe;
}

std::shared_ptr<VirtualProbe> TransportProbe(VirtualBus& bus, std::uint64_t seed) {
  auto probe = MakeProbe(bus, 0x00000A3C8F05ull, seed ^ 0x5EED, "Van 7 chiller box",
                         "Delivery route north. Rollover on: keeps the last four weeks.", -3);
  probe->SetLifetimeSamples(96'310);
  return probe;
}

}  // namespace

std::vector<std::string> ScenarioNames() {
  return {"demo", "empty", "none", "two", "clear", "rollover"};
}

std::shared_ptr<VirtualProbe> MakeProbe(VirtualBus& bus, std::uint64_t number, std::uint64_t seed,
                                        std::string_view name, std::string_view comment,
                                        int clockSkewSeconds) {
  auto probe = std::make_shared<VirtualProbe>(std::make_shared<FridgeTemperature>(seed));
  probe->SetSerialNumber(VirtualProbe::MakeSerialNumber(scenario::kProbeFamily, number));
  probe->SetName(name);
  probe->SetComment(comment);
  const std::int64_t now = bus.GetClock().UtcMilliseconds();
  probe->SetClock(static_cast<std::uint32_t>(now / 1000 + clockSkewSeconds), now);
  return probe;
}

void GiveReadyMission(VirtualProbe& probe, VirtualBus& bus, std::int64_t ageSeconds,
                      const VirtualProbe::Mission& mission) {
  const std::int64_t now = bus.GetClock().UtcMilliseconds();
  const std::int64_t start = static_cast<std::int64_t>(probe.ClockSeconds(now)) - ageSeconds;
  probe.StartMissionAt(mission, static_cast<std::uint32_t>(start > 0 ? start : 0));
}

bool BuildScenario(VirtualBus& bus, std::string_view name, std::uint64_t seed) {
  if (name == "demo") {
    AddOther(bus);
    auto probe = DairyProbe(bus, seed);
    GiveReadyMission(*probe, bus, 21 * kDay, {.rate = 10, .delayMinutes = 3, .delaySeconds = 20});
    AddAdapter(bus).AttachProbe(probe);
  } else if (name == "empty") {
    AddOther(bus);
    AddAdapter(bus);
  } else if (name == "none") {
    AddOther(bus);
  } else if (name == "two") {
    AddAdapter(bus).AttachProbe(DairyProbe(bus, seed));
    AddAdapter(bus, scenario::kSecondAdapterSerial);
  } else if (name == "clear") {
    AddOther(bus);
    auto probe = DairyProbe(bus, seed);
    probe->Clear(10, false, bus.GetClock().UtcMilliseconds());
    AddAdapter(bus).AttachProbe(probe);
  } else if (name == "rollover") {
    AddOther(bus);
    auto probe = TransportProbe(bus, seed);
    GiveReadyMission(*probe, bus, 30 * kDay, {.rate = 5, .rollover = true});
    AddAdapter(bus).AttachProbe(probe);
  } else {
    return false;
  }
  return true;
}

}  // namespace ombrix
