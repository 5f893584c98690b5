#include "FaultPlan.h"

#include <algorithm>

namespace ombrix {

namespace {

constexpr std::uint8_t kEscape = 0x55;
constexpr std::uint8_t kExecute = 0x33;
constexpr std::uint8_t kVersionQuery = 0x01;
constexpr std::uint8_t kPresenceSlot = 0xFF;
constexpr int kFetchChecksumOffset = 12;

std::uint64_t NextRandom(std::uint64_t& state) {
  std::uint64_t x = (state += 0x9E3779B97F4A7C15ull);
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Positions of the control bytes with the given code in a control exchange (55 00 c c ...).
std::vector<std::size_t> ControlSlots(std::span<const std::uint8_t> request, std::uint8_t code) {
  std::vector<std::size_t> positions;
  if (request.size() < 3 || request[0] != kEscape || request[1] != 0x00) return positions;
  for (std::size_t i = 2; i < request.size() && request[i] != kEscape; ++i) {
    if (request[i] == code) positions.push_back(i);
  }
  return positions;
}

// Position of the checksum byte of the first FetchResult frame in the request.
std::optional<std::size_t> FetchChecksum(std::span<const std::uint8_t> request) {
  for (std::size_t i = 0; i + kFetchChecksumOffset < request.size(); ++i) {
    if (request[i] == 0xFF && request[i + 1] == 0xAA && request[i + 2] == 0x22) {
      return i + kFetchChecksumOffset;
    }
  }
  return std::nullopt;
}

// Whether the request carries an Execute frame, of the given command code if there is one.
bool HasExecute(std::span<const std::uint8_t> request, std::optional<std::uint8_t> code) {
  for (std::size_t i = 0; i + 3 < request.size(); ++i) {
    if (request[i] == 0xFF && request[i + 1] == 0xAA && request[i + 2] == kExecute &&
        (!code || request[i + 3] == *code)) {
      return true;
    }
  }
  return false;
}

}  // namespace

void FaultPlan::At(int exchange, const Fault& fault, int times) {
  if (exchange < 1 || times == 0) return;
  planned_.push_back({fault, exchanges_ + static_cast<std::uint64_t>(exchange), times});
}

void FaultPlan::Randomly(const Fault& fault, double probability, std::uint64_t seed) {
  random_.push_back({fault, probability, seed});
}

void FaultPlan::Clear() {
  planned_.clear();
  random_.clear();
}

bool FaultPlan::Applies(const Fault& fault, std::span<const std::uint8_t> request) {
  switch (fault.kind) {
    case Fault::Kind::BadChecksum:
      return FetchChecksum(request).has_value();
    case Fault::Kind::PresenceDropout:
      return !ControlSlots(request, kPresenceSlot).empty();
    case Fault::Kind::LowVersion:
      return !ControlSlots(request, kVersionQuery).empty();
    case Fault::Kind::SlowCommand:
      return HasExecute(request, fault.value);
    default:
      return true;
  }
}

std::vector<Fault> FaultPlan::Take(std::span<const std::uint8_t> request) {
  ++exchanges_;
  std::vector<Fault> strike;
  for (Planned& planned : planned_) {
    if (planned.from > exchanges_ || !Applies(planned.fault, request)) continue;
    strike.push_back(planned.fault);
    if (planned.times > 0) --planned.times;
  }
  std::erase_if(planned_, [](const Planned& p) { return p.times == 0; });
  for (Random& random : random_) {
    if (!Applies(random.fault, request)) continue;
    const double draw = static_cast<double>(NextRandom(random.state) >> 11) * 0x1.0p-53;
    if (draw < random.probability) strike.push_back(random.fault);
  }
  struck_ += static_cast<int>(strike.size());
  return strike;
}

void FaultPlan::Corrupt(const std::vector<Fault>& faults, std::span<const std::uint8_t> request,
                        std::vector<std::uint8_t>& reply) {
  std::size_t keep = reply.size();
  for (const Fault& fault : faults) {
    switch (fault.kind) {
      case Fault::Kind::WrongByte:
        if (fault.position >= 0 && static_cast<std::size_t>(fault.position) < reply.size()) {
          std::uint8_t& byte = reply[static_cast<std::size_t>(fault.position)];
          byte = fault.value.value_or(static_cast<std::uint8_t>(~byte));
        }
        break;
      case Fault::Kind::BadChecksum:
        if (auto at = FetchChecksum(request); at && *at < reply.size()) reply[*at] ^= 0x01;
        break;
      case Fault::Kind::PresenceDropout: {
        const auto positions = ControlSlots(request, kPresenceSlot);
        const std::size_t lost =
            std::min(positions.size(), static_cast<std::size_t>(std::max(fault.count, 0)));
        for (std::size_t i = 0; i < lost; ++i) {
          if (positions[i] < reply.size()) reply[positions[i]] = 0x00;
        }
        break;
      }
      case Fault::Kind::LowVersion:
        for (std::size_t slot : ControlSlots(request, kVersionQuery)) {
          if (slot < reply.size()) reply[slot] = fault.value.value_or(0x0F);
        }
        break;
      case Fault::Kind::ShortReply: {
        const std::size_t missing = static_cast<std::size_t>(std::max(fault.count, 0));
        keep = std::min(keep, reply.size() > missing ? reply.size() - missing : 0);
        break;
      }
      case Fault::Kind::NoAnswer:
      case Fault::Kind::Unplug:
      case Fault::Kind::LateReply:
      case Fault::Kind::LostBytes:
      case Fault::Kind::CutRequest:
      case Fault::Kind::KeepFrame:
      case Fault::Kind::SlowCommand:
      case Fault::Kind::DropOut:
      case Fault::Kind::ProbeSwap:
        break;
    }
  }
  reply.resize(keep);
}

FaultPlan::Lost FaultPlan::LostRange(const std::vector<Fault>& faults, std::size_t requestSize) {
  for (const Fault& fault : faults) {
    const std::size_t count = static_cast<std::size_t>(std::max(fault.count, 0));
    if (fault.kind == Fault::Kind::LostBytes) {
      const std::size_t begin =
          std::min(static_cast<std::size_t>(std::max(fault.position, 0)), requestSize);
      return {begin, begin + std::min(count, requestSize - begin)};
    }
    if (fault.kind == Fault::Kind::CutRequest) {
      return {requestSize - std::min(count, requestSize), requestSize};
    }
  }
  return {};
}

}  // namespace ombrix
