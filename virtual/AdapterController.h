#pragma once

#include <cstdint>
#include <memory>
#include <optional>
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
//
// That reset at the end of every transfer is the default. The KeepFrame fault takes it away for
// the transfers it strikes (with times = kForever for good), and the controller then parses the
// request bytes as one stream, as a controller does that keeps its parser state across writes.
// What such a controller is taken to do, since the program never sees it directly:
// - A frame cut off by the end of a transfer (by CutRequest or LostBytes) stays open: the bytes
//   of the next request continue it where it stopped, and are answered as that frame answers.
// - At a byte that does not fit the frame it is in, the controller gives the frame up and takes
//   the byte as the first byte of a new exchange: FF (start marker), 00 (ping) and 55 (control
//   escape) open one and are answered as at the start of a transfer; any other byte is answered
//   0x00 and the controller waits on for one that opens an exchange. So it falls back into step
//   with the program at the first request that begins after the bytes it could not place, and
//   the reply the program checks shows every byte of that request that it misread.
// - A control exchange has no end code: control codes run on until a byte that is none. AA right
//   after a presence slot FF makes that FF the start marker of a frame (its answer, 0x22 with a
//   probe, is the start marker's acknowledgement too); any other byte that is no control code
//   opens the next exchange as above. So a program that sends each exchange as one transfer is
//   understood exactly as by a controller that resets at the end of every transfer.
// - The frames keep their meaning: a post is stored only when its checksum is right, an execute
//   runs only the mailbox's command, so a frame pieced together from two requests changes
//   nothing unless it is a whole, well-formed frame.
//
// Commands that take time (SlowCommand): the probe takes the command when the execute frame is
// complete, and its state changes then; the mailbox keeps the command's code without the
// finished flag (and the posted value) until the delay has passed, and then shows the code with
// the flag and the result. The controller notices the end at the first byte it receives after
// it. Until then it is busy with the probe: it still answers every byte as usual, and fetches
// and reads of data work, but posts, executes and queries change nothing.
//
// Nothing of the parser's state, the mailbox or a command under way outlives a power-on (Plug,
// or an adapter that drops out and comes back); the probe keeps its own state.
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
    bool unplugged = false;  // an Unplug or DropOut fault struck: the adapter is gone
    std::optional<std::int64_t> backAfterMs;  // DropOut: it comes back this much later
    std::int64_t replyDelayMs = 0;            // LateReply: the reply is held back this long
    // When request bytes were lost: the position in the request of the byte each reply byte
    // answers (empty when every byte arrived: reply byte i answers request byte i).
    std::vector<std::uint32_t> replyPositions;
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
  // Lets a slow command that has finished by this time show in the mailbox.
  void Settle(std::int64_t utcMs);
  // Whether a slow command is still under way (as of the last byte received or Settle).
  bool Busy() const { return busy_; }
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
  std::uint8_t Opening(std::uint8_t byte);
  std::uint8_t Confused(std::uint8_t byte);

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
  bool presenceSlotLast_ = false;  // the last control code was a presence slot

  bool carried_ = false;      // the parser kept its state at the end of the last transfer
  bool streamRules_ = false;  // this transfer is parsed as part of one stream (see above)
  int slowCommandMs_ = 0;     // how long a command executed in this transfer takes

  bool busy_ = false;  // a slow command is under way
  std::int64_t busyUntilMs_ = 0;
  Mailbox finished_;  // what the mailbox shows once it has finished
};

}  // namespace ombrix
