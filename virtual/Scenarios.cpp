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

constexpr std::int64_t kMinute = 60'000;

// A tray of probes back from the field, each with weeks of samples to download.
void BuildStation(VirtualBus& bus, std::uint64_t seed) {
  AddAdapter(bus, scenario::kAdapterSerial);
  AddAdapter(bus, scenario::kSecondAdapterSerial);
  AddAdapter(bus, scenario::kThirdAdapterSerial);
  struct TrayProbe {
    std::uint64_t number;
    const char* name;
    const char* comment;
    int skew;
    std::int64_t ageSeconds;
    VirtualProbe::Mission mission;
  };
  const TrayProbe tray[] = {
      {0x00000B1A0001ull, "Cold room 1", "Meat, hanging rail.", 2, 14 * kDay, {.rate = 10}},
      {0x00000B1A0002ull, "Van 3 chiller box", "Route south, two drops a day.", -5, 20 * kDay,
       {.rate = 5, .delayMinutes = 2}},
      {0x00000B1A0003ull, "Pharmacy fridge", "Vaccines, lower shelf.", 7, 10 * kDay,
       {.rate = 15}},
      {0x00000B1A0004ull, "Freezer 2", "Ice cream, door side.", 0, 7 * kDay, {.rate = 10}},
  };
  std::vector<std::shared_ptr<VirtualProbe>> probes;
  for (const TrayProbe& p : tray) {
    auto probe = MakeProbe(bus, p.number, seed ^ p.number, p.name, p.comment, p.skew);
    probe->SetLifetimeSamples(20'000);
    GiveReadyMission(*probe, bus, p.ageSeconds, p.mission);
    probes.push_back(probe);
  }
  const std::int64_t now = bus.GetClock().UtcMilliseconds();
  for (const StationVisit& visit : StationVisits()) {
    bus.AddVisit(visit.adapterSerial, probes[static_cast<std::size_t>(visit.probe)],
                 now + visit.onMs, now + visit.offMs);
  }
}

}  // namespace

std::vector<std::string> ScenarioNames() {
  return {"demo", "empty", "none", "two", "clear", "rollover", "station"};
}

std::vector<StationVisit> StationVisits() {
  using namespace scenario;
  return {
      // Cold room 1: comes and goes once.
      {0, kAdapterSerial, 1 * kMinute, 40 * kMinute},
      // Van 3: taken off half a minute into its download, back on another adapter later.
      {1, kSecondAdapterSerial, 1 * kMinute, 1 * kMinute + 40'000},
      {1, kThirdAdapterSerial, 30 * kMinute, 70 * kMinute},
      // Pharmacy fridge: done, taken off, and put back by mistake on another adapter.
      {2, kThirdAdapterSerial, 2 * kMinute, 20 * kMinute},
      {2, kAdapterSerial, 45 * kMinute, 60 * kMinute},
      // Freezer 2: comes and goes once.
      {3, kSecondAdapterSerial, 10 * kMinute, 25 * kMinute},
  };
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
  } else if (name == "station") {
    BuildStation(bus, seed);
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
