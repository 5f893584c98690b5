#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Clock.h"
#include "HexBytes.h"
#include "VirtualBus.h"

namespace ombrix::testing {

// An adapter with a probe on a bus of its own, on virtual time, with instant link timing.
struct VirtualRig {
  VirtualClock clock{1'700'000'000'000};
  VirtualBus bus{clock, LinkTiming::Instant()};
  AdapterController& adapter;
  std::shared_ptr<VirtualProbe> probe = std::make_shared<VirtualProbe>();

  VirtualRig() : adapter(bus.AddAdapter("Ombrix adapter", "OMX1")) {
    bus.AddPlainDevice("USB Serial", "X1");
    adapter.AttachProbe(probe);
  }
  std::int64_t Now() { return clock.UtcMilliseconds(); }
  // One exchange straight into the controller: request and reply in hex.
  std::string Send(const std::string& request) {
    return ToHex(adapter.Exchange(FromHex(request), Now()).reply);
  }
};

}  // namespace ombrix::testing
