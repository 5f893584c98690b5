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
// - LateReply: the controller answers as usual, but its reply reaches the computer `delayMs`
//   later than the link timing gives. Reply bytes stay in order on the line, so the replies to
//   later requests queue up behind it. With a delay past the program's read time-out the reply
//   lands in a later exchange: dropped by that exchange's purge when it has arrived by then,
//   otherwise read as the first bytes of that exchange's reply.
// - LostBytes: `count` request bytes from `position` on never reach the controller (lost on the
//   line). The controller answers the bytes it gets, one reply byte each, so the reply is short.
// - CutRequest: the last `count` request bytes never reach the controller; a LostBytes at the
//   request's end, whatever its length.
// - KeepFrame: the controller does not notice the end of this transfer: its parser keeps its
//   state into the next exchange (see AdapterController for what it then does with the bytes
//   that follow). Planned with times = kForever it is a controller that never resets its parser
//   between transfers; together with LostBytes or CutRequest it leaves the controller inside a
//   frame when the next request starts.
// - SlowCommand: the command that an Execute frame runs takes `delayMs` on the probe before the
//   mailbox shows it finished. With `value` only an Execute of that command code is struck.
// - DropOut: like Unplug, but the adapter comes back `delayMs` later: from then on a listing
//   finds it again, powered up afresh (the probe on it unchanged), and it opens with a new
//   handle; the handle open when it dropped stays dead.
// - ProbeSwap: the probe on the adapter is taken off as the request is written and another put on
//   in its place: the same memory, mission and clock, under another serial number (its id plus
//   `count`). Nothing happens on an adapter without a probe.
// BadChecksum, PresenceDropout, LowVersion and SlowCommand strike only exchanges that carry what
// they change (a FetchResult frame, presence slots, a version query, an Execute frame of the
// code); scheduled for an exchange that does not, they wait for the next one that does.
//
// Delays are on the bus's clock and are not divided by the link timing's speed factor: they
// stand against the program's time-outs and pauses, which are not either.
struct Fault {
  enum class Kind {
    NoAnswer,
    ShortReply,
    WrongByte,
    BadChecksum,
    PresenceDropout,
    LowVersion,
    Unplug,
    LateReply,
    LostBytes,
    CutRequest,
    KeepFrame,
    SlowCommand,
    DropOut,
    ProbeSwap
  };

  Kind kind = Kind::NoAnswer;
  int position = 0;
  int count = 1;
  std::optional<std::uint8_t> value;
  int delayMs = 0;

  static Fault Make(Kind kind, int position = 0, int count = 1,
                    std::optional<std::uint8_t> value = std::nullopt, int delayMs = 0) {
    Fault fault;
    fault.kind = kind;
    fault.position = position;
    fault.count = count;
    fault.value = value;
    fault.delayMs = delayMs;
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
  static Fault LateReply(int delayMs) { return Make(Kind::LateReply, 0, 1, std::nullopt, delayMs); }
  static Fault LostBytes(int position, int count = 1) {
    return Make(Kind::LostBytes, position, count);
  }
  static Fault CutRequest(int missing = 1) { return Make(Kind::CutRequest, 0, missing); }
  static Fault KeepFrame() { return Make(Kind::KeepFrame); }
  static Fault SlowCommand(int delayMs, std::optional<std::uint8_t> code = std::nullopt) {
    return Make(Kind::SlowCommand, 0, 1, code, delayMs);
  }
  static Fault DropOut(int awayMs) { return Make(Kind::DropOut, 0, 1, std::nullopt, awayMs); }
  static Fault ProbeSwap(int idStep = 1) { return Make(Kind::ProbeSwap, 0, idStep); }
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
  // Applies the faults that change a reply on its way back (ShortReply, WrongByte, BadChecksum,
  // PresenceDropout, LowVersion) to the reply of `request`; the others leave it alone.
  static void Corrupt(const std::vector<Fault>& faults, std::span<const std::uint8_t> request,
                      std::vector<std::uint8_t>& reply);
  // Whether a fault of this kind can strike an exchange with this request.
  static bool Applies(const Fault& fault, std::span<const std::uint8_t> request);
  // The request bytes that these faults keep from the controller: the range [begin, end) that the
  // first LostBytes or CutRequest among them names, cut to the request (empty without one).
  struct Lost {
    std::size_t begin = 0;
    std::size_t end = 0;
  };
  static Lost LostRange(const std::vector<Fault>& faults, std::size_t requestSize);

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
