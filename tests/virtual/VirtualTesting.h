#pragma once

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Clock.h"
#include "VirtualBus.h"

namespace ombrix::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes FromHex(const std::string& text) {
  Bytes bytes;
  std::istringstream in(text);
  unsigned value = 0;
  while (in >> std::hex >> value) bytes.push_back(static_cast<std::uint8_t>(value));
  return bytes;
}

inline std::string ToHex(const Bytes& bytes) {
  std::string text;
  char digits[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    if (!text.empty()) text += ' ';
    text += digits;
  }
  return text;
}

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
