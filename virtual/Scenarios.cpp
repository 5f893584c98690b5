#include "Scenarios.h"

#include <algorithm>

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

// A tray of probes back from the field, each with days or weeks of samples to download.
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
      {0x00000B1A0002ull,
       "Van 3 chiller box",
       "Route south, two drops a day.",
       -5,
       20 * kDay,
       {.rate = 5, .delayMinutes = 2}},
      {0x00000B1A0003ull, "Pharmacy fridge", "Vaccines, lower shelf.", 7, 10 * kDay, {.rate = 15}},
      {0x00000B1A0004ull, "Freezer 2", "Ice cream, door side.", 0, 7 * kDay, {.rate = 10}},
      {0x00000B1A0005ull, "Dairy cooler 4", "Yoghurt and cream.", 3, 21 * kDay, {.rate = 10}},
      {0x00000B1A0006ull,
       "Van 8 chiller box",
       "Route east, night drops.",
       -2,
       14 * kDay,
       {.rate = 5}},
      {0x00000B1A0007ull, "Lab fridge B", "Reagents, top shelf.", 1, 5 * kDay, {.rate = 5}},
      {0x00000B1A0008ull, "Blood bank fridge", "Units awaiting issue.", -4, 9 * kDay, {.rate = 10}},
      {0x00000B1A0009ull, "Produce cooler", "Salads and herbs.", 6, 27 * kDay, {.rate = 5}},
      {0x00000B1A000Aull, "Van 1 chiller box", "Route west.", -1, 3 * kDay, {.rate = 2}},
      {0x00000B1A000Bull, "Freezer 5", "Fish, bottom drawer.", 2, 12 * kDay, {.rate = 15}},
      {0x00000B1A000Cull, "Ward fridge 3", "Insulin, door rack.", 0, 6 * kDay, {.rate = 4}},
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
  // Each probe is put on, in this order, whichever adapter is free first, after a pause of
  // 20 s to 4 min; most stay 5 to 13 minutes. The Van 3 and Van 8 chiller boxes are taken off
  // 12 to 25 s after they were put on, in the middle of their downloads, and come back later;
  // the pharmacy fridge is put back once more after it was done.
  struct Planned {
    int probe;
    bool early;
  };
  const Planned order[] = {{0, false}, {1, true},   {2, false}, {3, false},  {4, false},
                           {5, true},  {6, false},  {7, false}, {8, false},  {9, false},
                           {1, false}, {10, false}, {5, false}, {11, false}, {2, false}};
  const char* const adapters[] = {kAdapterSerial, kSecondAdapterSerial, kThirdAdapterSerial};
  // The moments come from a generator of its own, so that they are the same on every machine.
  std::uint64_t state = 0x5747A710'2026'1208ull;
  auto random = [&state](std::int64_t below) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::int64_t>((z ^ (z >> 31)) % static_cast<std::uint64_t>(below));
  };
  std::int64_t adapterFree[3] = {0, 0, 0};
  std::int64_t probeFree[12] = {};
  std::vector<StationVisit> visits;
  for (const Planned& p : order) {
    int adapter = 0;
    for (int a = 1; a < 3; ++a) {
      if (adapterFree[a] < adapterFree[adapter]) adapter = a;
    }
    const std::int64_t on =
        std::max(adapterFree[adapter], probeFree[p.probe]) + 20'000 + random(220) * 1000;
    const std::int64_t stay =
        p.early ? 12'000 + random(14) * 1000 : 5 * kMinute + random(8 * 60) * 1000;
    visits.push_back({p.probe, adapters[adapter], on, on + stay});
    adapterFree[adapter] = on + stay;
    probeFree[p.probe] = on + stay + kMinute;
  }
  return visits;
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
