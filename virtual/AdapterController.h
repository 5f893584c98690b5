#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "FaultPlan.h"
#include "LinkTiming.h"
#include "VirtualProbe.h"

namespace ombrix {

// The controller inside a simulated adapter. It takes the request bytes one at a time and answers
// each at once with one reply byte:
//
//   Ping          00 AA 55 00                     -> 22 22 55 22
//   control       55 00 c...                      -> 11 22 r...   (c: 01 version, FF presence
//                                                    slot, 44 start, 33 stop, EE reset)
//   PostCommand   FF AA 11 code V0..V3 K 55 00    -> 22 22 11 echo... 55 22
//   FetchResult   FF AA 22 55 DD 05 AA FF*6 55 00 -> 22 22 22 55 22 05 22 code V0..V3 K 55 22
//   Execute       FF AA 33 code 55 00             -> 22 22 33 code 55 22
//   ReadData      FF AA 44 FF 55 DD 0A            -> 22 22 44 data 55 22 0A
//   QueryResult   FF AA 66 code 55 DD 00          -> 22 22 66 code 55 22 00
//
// The command mailbox holds a code and a 32-bit value (least significant byte first on the wire).
// A post stores code and value once its frame is complete and its checksum K (the complemented
// CRC-8 over code and value) is right; in the value and K each 0x55 comes doubled and is echoed
// doubled. Execute runs the mailbox's command on the probe when it names the mailbox's code;
// afterwards the mailbox code carries the finished flag 0x40 and the value holds the result.
// Executing again repeats the command. A query puts the register's code with the finished flag
// and its value into the mailbox (an unknown register reads 0). Without a probe nothing finishes:
// an execute changes nothing and a query leaves its code without the flag and the value 0.
// ReadData delivers the byte at the probe's memory pointer (0xFF without a probe).
//
// Control: the version byte, 0x22 for a presence slot while a probe sits on the adapter (else
// 0x00), 0x22 for start, stop and reset (reset also empties the mailbox), 0x00 for any other code.
//
// A byte the controller does not expect (a wrong start marker, command byte or fixed byte, or a
// lone 0x55 in the data of a post) is answered 0x00 and the controller ignores the rest of that
// transfer, answering 0x00 to each byte, until the line goes quiet at the end of the transfer. A
// frame that the end of a transfer cuts off has no effect.
class AdapterController {
 public:
  static constexpr std::uint8_t kDefaultVersion = 0x21;
  static constexpr std::uint8_t kFinished = 0x40;

  struct Mailbox {
    std::uint8_t code = 0;
    std::uint32_t value = 0;
  };

  struct Counters {
    std::uint64_t exchanges = 0;     // transfers written to the adapter
    std::uint64_t requestBytes = 0;  // bytes that reached the controller
    std::uint64_t replyBytes = 0;    // bytes it sent back
    std::uint64_t commands = 0;      // commands run on the probe
    std::uint64_t queries = 0;       // registers read from the probe
    std::uint64_t dataBytes = 0;     // memory bytes delivered by ReadData
  };

  struct Transfer {
    std::vector<std::uint8_t> reply;
    bool unplugged = false;  // an Unplug fault struck: the adapter is gone
  };

  AdapterController() = default;

  void SetVersion(std::uint8_t version) { version_ = version; }
  std::uint8_t Version() const { return version_; }

  // Puts a probe on the adapter (replacing any) or takes it off.
  void AttachProbe(std::shared_ptr<VirtualProbe> probe) { probe_ = std::move(probe); }
  std::shared_ptr<VirtualProbe> DetachProbe() { return std::move(probe_); }
  VirtualProbe* Probe() const { return probe_.get(); }

  FaultPlan& Faults() { return faults_; }

  // One USB transfer: every byte is answered, then the line goes quiet; the planned faults are
  // applied. Byte i reaches the controller at utcMs plus its time on the line.
  Transfer Exchange(std::span<const std::uint8_t> request, std::int64_t utcMs,
                    const LinkTiming& timing = LinkTiming::Instant());

  // The controller's answer to one byte arriving at the given time (no faults).
  std::uint8_t Receive(std::uint8_t byte, std::int64_t utcMs);
  // The line has gone quiet: the controller waits for a new exchange.
  void LineIdle();
  // Power-on reset, as when the adapter is plugged in: waiting for an exchange, mailbox empty.
  void PowerOn();

  const Mailbox& GetMailbox() const { return mailbox_; }
  const Counters& Stats() const { return counters_; }

 private:
  enum class State { Idle, StartMarker, CommandByte, Frame, ControlEscape, Control, Discard };
  enum class Step : std::uint8_t { Fixed, Code, Data, Slot, End };
  struct FrameStep {
    Step step;
    std::uint8_t request;  // the byte expected (Fixed, End)
    std::uint8_t reply;    // the byte answered (Fixed, End) or the slot's source (Slot)
  };

  static std::span<const FrameStep> Script(std::uint8_t command);
  std::uint8_t FrameByte(std::uint8_t byte, std::int64_t utcMs);
  std::uint8_t SlotByte(std::uint8_t source, std::int64_t utcMs);
  std::uint8_t ControlByte(std::uint8_t byte);
  void Complete(std::int64_t utcMs);
  std::uint8_t Confused();

  std::uint8_t version_ = kDefaultVersion;
  std::shared_ptr<VirtualProbe> probe_;
  FaultPlan faults_;
  Mailbox mailbox_;
  Counters counters_;

  State state_ = State::Idle;
  std::uint8_t command_ = 0;
  std::span<const FrameStep> script_;
  std::size_t step_ = 0;
  std::uint8_t code_ = 0;
  std::uint8_t data_[5] = {};
  std::size_t dataCount_ = 0;
  bool escapePending_ = false;
};

}  // namespace ombrix
