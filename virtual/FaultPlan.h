#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ombrix {

// One fault of the simulated adapter link. It strikes one exchange (one write to the adapter and
// the reply to it):
// - NoAnswer: the request is lost on the way; the controller never sees it and nothing comes back.
// - ShortReply: the controller answers, but the last `count` reply bytes never arrive.
// - WrongByte: the reply byte at `position` is replaced by `value` (or, without one, by its
//   complement). WrongFirstByte() is position 0.
// - BadChecksum: the checksum byte of a FetchResult reply is wrong.
// - PresenceDropout: `count` of the presence slots of a presence test go unanswered (0x00),
//   as from a probe that sits loosely on the adapter.
// - LowVersion: the version byte of a version query reads `value` (0x0F unless given).
// - Unplug: the adapter vanishes from the bus as the request is written: the write fails and
//   every later call on the open handle fails too.
// BadChecksum, PresenceDropout and LowVersion strike only exchanges that carry what they corrupt
// (a FetchResult frame, presence slots, a version query); scheduled for an exchange that does not,
// they wait for the next one that does.
struct Fault {
  enum class Kind {
    NoAnswer,
    ShortReply,
    WrongByte,
    BadChecksum,
    PresenceDropout,
    LowVersion,
    Unplug
  };

  Kind kind = Kind::NoAnswer;
  int position = 0;
  int count = 1;
  std::optional<std::uint8_t> value;

  static Fault Make(Kind kind, int position = 0, int count = 1,
                    std::optional<std::uint8_t> value = std::nullopt) {
    Fault fault;
    fault.kind = kind;
    fault.position = position;
    fault.count = count;
    fault.value = value;
    return fault;
  }
  static Fault NoAnswer() { return Make(Kind::NoAnswer); }
  static Fault ShortReply(int missing = 1) { return Make(Kind::ShortReply, 0, missing); }
  static Fault WrongByte(int position, std::optional<std::uint8_t> value = std::nullopt) {
    return Make(Kind::WrongByte, position, 1, value);
  }
  static Fault WrongFirstByte() { return WrongByte(0); }
  static Fault BadChecksum() { return Make(Kind::BadChecksum); }
  static Fault PresenceDropout(int unanswered) {
    return Make(Kind::PresenceDropout, 0, unanswered);
  }
  static Fault LowVersion(std::uint8_t version = 0x0F) {
    return Make(Kind::LowVersion, 0, 1, version);
  }
  static Fault Unplug() { return Make(Kind::Unplug); }
};

// The faults planned for one adapter, by exchange count or by chance. Exchanges are counted from
// the moment a fault is planned: exchange 1 is the next write to the adapter.
class FaultPlan {
 public:
  static constexpr int kForever = -1;

  // Strikes the exchange `exchange` from now and, with times > 1, the ones after it (kForever:
  // every exchange from then on).
  void At(int exchange, const Fault& fault, int times = 1);
  // The adapter vanishes after `exchanges` more exchanges have gone through.
  void UnplugAfter(int exchanges) { At(exchanges + 1, Fault::Unplug()); }
  // Strikes every exchange with the given probability, drawn from a generator with this seed.
  void Randomly(const Fault& fault, double probability, std::uint64_t seed);
  void Clear();
  bool Empty() const { return planned_.empty() && random_.empty(); }
  // Faults that have struck so far.
  int Struck() const { return struck_; }

  // For the controller: counts one exchange with this request and returns the faults that strike
  // it, in the order they are planned.
  std::vector<Fault> Take(std::span<const std::uint8_t> request);
  // Applies the faults that change a reply (all but NoAnswer and Unplug) to the reply of
  // `request`.
  static void Corrupt(const std::vector<Fault>& faults, std::span<const std::uint8_t> request,
                      std::vector<std::uint8_t>& reply);
  // Whether a fault of this kind can strike an exchange with this request.
  static bool Applies(const Fault& fault, std::span<const std::uint8_t> request);

 private:
  struct Planned {
    Fault fault;
    std::uint64_t from;  // exchange number from which it strikes
    int times;
  };
  struct Random {
    Fault fault;
    double probability;
    std::uint64_t state;
  };

  std::uint64_t exchanges_ = 0;
  std::vector<Planned> planned_;
  std::vector<Random> random_;
  int struck_ = 0;
};

}  // namespace ombrix
