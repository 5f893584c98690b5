#pragma once

#include <memory>

#include "Clock.h"
#include "Probe.h"
#include "Scenarios.h"
#include "VirtualBus.h"

namespace ombrix::testing {

// A probe object talking to a virtual probe through the virtual adapter, everything on one virtual
// clock: the bus's link time and the probe layer's pauses both move it, nothing sleeps for real.
struct ProbeRig {
  static constexpr const char* kSerial = "OMX1";

  VirtualClock clock{LocalTimeToSeconds(2021, 6, 15, 12, 0, 0) * 1000};  // local time
  ScopedClock clockScope{clock};
  VirtualBus bus{clock, LinkTiming::Instant()};
  ScopedDriver driverScope{bus};
  AdapterController& adapter;
  std::shared_ptr<VirtualProbe> probe;
  std::unique_ptr<TProbe> live = std::make_unique<TProbe>();
  // The record of the last completed Download().
  std::unique_ptr<TProbeRecord> downloaded;

  ProbeRig() : adapter(bus.AddAdapter("Ombrix adapter", kSerial)) {
    bus.AddPlainDevice("USB Serial", "X1");
    probe = MakeProbe(bus, 77, 3, "Fridge 2", "Ward B vaccines");
    adapter.AttachProbe(probe);
  }

  std::int64_t Now() { return clock.UtcMilliseconds(); }
  std::int64_t ProbeClock() { return probe->ClockSeconds(Now()); }
  const AdapterController::Counters& Stats() { return adapter.Stats(); }

  // Runs a whole data read the way the window does; true when it ended without error.
  bool Download(int* blocks = nullptr) {
    if (!live->BeginReadData()) return false;
    int count = 0;
    while (live->ReadDataBlock()) ++count;
    if (blocks) *blocks = count + 1;
    downloaded = live->TakeDownload();
    return live->LastError == 0 && downloaded != nullptr;
  }
};

}  // namespace ombrix::testing
