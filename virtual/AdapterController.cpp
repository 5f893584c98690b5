#include "AdapterController.h"

#include <algorithm>

#include "Bytes.h"

namespace ombrix {

namespace {

constexpr std::uint8_t kAck = 0x22;
constexpr std::uint8_t kEscape = 0x55;
constexpr std::uint8_t kEscapeAnswer = 0x11;  // answer to the escape that opens a control exchange
constexpr std::uint8_t kStart0 = 0xFF;
constexpr std::uint8_t kStart1 = 0xAA;
constexpr std::uint8_t kPlaceholder = 0xFF;
constexpr std::uint8_t kConfused = 0x00;
constexpr std::uint8_t kNoData = 0xFF;  // what the controller reads with no probe on the line

// The exchange that Ping is: 00 AA 55 00. Treated as a frame of its own after its 00.
constexpr std::uint8_t kPing = 0x00;

constexpr std::uint8_t kPost = 0x11;
constexpr std::uint8_t kFetch = 0x22;
constexpr std::uint8_t kExecute = 0x33;
constexpr std::uint8_t kReadData = 0x44;
constexpr std::uint8_t kQuery = 0x66;

constexpr std::uint8_t kControlVersion = 0x01;
constexpr std::uint8_t kControlPresence = 0xFF;
constexpr std::uint8_t kControlStart = 0x44;
constexpr std::uint8_t kControlStop = 0x33;
constexpr std::uint8_t kControlReset = 0xEE;

// Slot sources.
constexpr std::uint8_t kSlotCode = 0;
constexpr std::uint8_t kSlotValue0 = 1;  // .. 4
constexpr std::uint8_t kSlotChecksum = 5;
constexpr std::uint8_t kSlotData = 6;

}  // namespace

// The bytes of each frame after its command byte: what each request byte must be and what is
// answered to it.
std::span<const AdapterController::FrameStep> AdapterController::Script(std::uint8_t command) {
  using S = Step;
  static constexpr FrameStep kPingSteps[] = {
      {S::Fixed, 0xAA, kAck}, {S::Fixed, 0x55, 0x55}, {S::End, 0x00, kAck}};
  static constexpr FrameStep kPostSteps[] = {
      {S::Code, 0, 0}, {S::Data, 0, 0}, {S::Data, 0, 0},        {S::Data, 0, 0},
      {S::Data, 0, 0}, {S::Data, 0, 0}, {S::Fixed, 0x55, 0x55}, {S::End, 0x00, kAck}};
  static constexpr FrameStep kFetchSteps[] = {{S::Fixed, 0x55, 0x55},
                                              {S::Fixed, 0xDD, kAck},
                                              {S::Fixed, 0x05, 0x05},
                                              {S::Fixed, 0xAA, kAck},
                                              {S::Slot, kPlaceholder, kSlotCode},
                                              {S::Slot, kPlaceholder, kSlotValue0},
                                              {S::Slot, kPlaceholder, kSlotValue0 + 1},
                                              {S::Slot, kPlaceholder, kSlotValue0 + 2},
                                              {S::Slot, kPlaceholder, kSlotValue0 + 3},
                                              {S::Slot, kPlaceholder, kSlotChecksum},
                                              {S::Fixed, 0x55, 0x55},
                                              {S::End, 0x00, kAck}};
  static constexpr FrameStep kExecuteSteps[] = {
      {S::Code, 0, 0}, {S::Fixed, 0x55, 0x55}, {S::End, 0x00, kAck}};
  static constexpr FrameStep kReadDataSteps[] = {{S::Slot, kPlaceholder, kSlotData},
                                                 {S::Fixed, 0x55, 0x55},
                                                 {S::Fixed, 0xDD, kAck},
                                                 {S::End, 0x0A, 0x0A}};
  static constexpr FrameStep kQuerySteps[] = {
      {S::Code, 0, 0}, {S::Fixed, 0x55, 0x55}, {S::Fixed, 0xDD, kAck}, {S::End, 0x00, 0x00}};
  switch (command) {
    case kPing:
      return kPingSteps;
    case kPost:
      return kPostSteps;
    case kFetch:
      return kFetchSteps;
    case kExecute:
      return kExecuteSteps;
    case kReadData:
      return kReadDataSteps;
    case kQuery:
      return kQuerySteps;
    default:
      return {};
  }
}

AdapterController::Transfer AdapterController::Exchange(std::span<const std::uint8_t> request,
                                                        std::int64_t utcMs,
                                                        const LinkTiming& timing) {
  Transfer transfer;
  ++counters_.exchanges;
  const std::vector<Fault> faults = faults_.Take(request);
  auto struck = [&](Fault::Kind kind) -> const Fault* {
    const auto it = std::find_if(faults.begin(), faults.end(),
                                 [kind](const Fault& f) { return f.kind == kind; });
    return it == faults.end() ? nullptr : &*it;
  };
  if (struck(Fault::Kind::Unplug)) {
    transfer.unplugged = true;
    return transfer;
  }
  if (const Fault* dropOut = struck(Fault::Kind::DropOut)) {
    transfer.unplugged = true;
    transfer.backAfterMs = std::max(dropOut->delayMs, 0);
    return transfer;
  }
  if (const Fault* swap = struck(Fault::Kind::ProbeSwap); swap && probe_) {
    // Another probe in this one's place: the same memory and mission, another identity.
    auto other = std::make_shared<VirtualProbe>(*probe_);
    const std::uint64_t serial = probe_->SerialNumber();
    const std::uint64_t id = (serial >> 8) & 0xFFFF'FFFF'FFFFu;
    other->SetSerialNumber(VirtualProbe::MakeSerialNumber(
        static_cast<std::uint8_t>(serial), id + static_cast<std::uint64_t>(swap->count)));
    probe_ = std::move(other);
  }
  if (struck(Fault::Kind::NoAnswer)) return transfer;

  const bool keepFrame = struck(Fault::Kind::KeepFrame) != nullptr;
  streamRules_ = keepFrame || carried_;
  const Fault* slow = struck(Fault::Kind::SlowCommand);
  slowCommandMs_ = slow ? std::max(slow->delayMs, 0) : 0;
  const FaultPlan::Lost lost = FaultPlan::LostRange(faults, request.size());

  transfer.reply.reserve(request.size());
  for (std::size_t i = 0; i < request.size(); ++i) {
    if (i >= lost.begin && i < lost.end) continue;
    transfer.reply.push_back(Receive(request[i], utcMs + timing.ByteEndMicros(i) / 1000));
    if (lost.end > lost.begin) transfer.replyPositions.push_back(static_cast<std::uint32_t>(i));
  }
  slowCommandMs_ = 0;
  if (keepFrame) {
    carried_ = true;
  } else {
    LineIdle();
  }
  FaultPlan::Corrupt(faults, request, transfer.reply);
  if (transfer.replyPositions.size() > transfer.reply.size()) {
    transfer.replyPositions.resize(transfer.reply.size());
  }
  if (const Fault* late = struck(Fault::Kind::LateReply)) {
    transfer.replyDelayMs = std::max(late->delayMs, 0);
  }
  counters_.replyBytes += transfer.reply.size();
  return transfer;
}

void AdapterController::LineIdle() {
  state_ = State::Idle;
  escapePending_ = false;
  presenceSlotLast_ = false;
  carried_ = false;
  streamRules_ = false;
}

void AdapterController::PowerOn() {
  LineIdle();
  mailbox_ = {};
  busy_ = false;
}

void AdapterController::Settle(std::int64_t utcMs) {
  if (busy_ && utcMs >= busyUntilMs_) {
    mailbox_ = finished_;
    busy_ = false;
  }
}

// The first byte of an exchange: a start marker, the 00 of a ping or the escape of a control
// exchange. Any other byte is not expected here.
std::uint8_t AdapterController::Opening(std::uint8_t byte) {
  presenceSlotLast_ = false;
  if (byte == kStart0) {
    state_ = State::StartMarker;
    return kAck;
  }
  if (byte == kPing) {
    command_ = kPing;
    script_ = Script(kPing);
    step_ = 0;
    state_ = State::Frame;
    return kAck;
  }
  if (byte == kEscape) {
    state_ = State::ControlEscape;
    return kEscapeAnswer;
  }
  state_ = streamRules_ ? State::Idle : State::Discard;
  return kConfused;
}

std::uint8_t AdapterController::Confused(std::uint8_t byte) {
  escapePending_ = false;
  presenceSlotLast_ = false;
  if (!streamRules_) {
    state_ = State::Discard;
    return kConfused;
  }
  // The frame is given up and the byte taken as the first of a new exchange.
  return Opening(byte);
}

std::uint8_t AdapterController::Receive(std::uint8_t byte, std::int64_t utcMs) {
  ++counters_.requestBytes;
  Settle(utcMs);
  switch (state_) {
    case State::Idle:
      return Opening(byte);
    case State::StartMarker:
      if (byte != kStart1) return Confused(byte);
      state_ = State::CommandByte;
      return kAck;
    case State::CommandByte:
      script_ = Script(byte);
      if (byte == kPing || script_.empty()) return Confused(byte);
      command_ = byte;
      step_ = 0;
      dataCount_ = 0;
      escapePending_ = false;
      state_ = State::Frame;
      return byte;
    case State::Frame:
      return FrameByte(byte, utcMs);
    case State::ControlEscape:
      if (byte != 0x00) return Confused(byte);
      state_ = State::Control;
      return kAck;
    case State::Control:
      return ControlByte(byte);
    case State::Discard:
      if (streamRules_) return Opening(byte);
      return kConfused;
  }
  return kConfused;
}

std::uint8_t AdapterController::FrameByte(std::uint8_t byte, std::int64_t utcMs) {
  const FrameStep& step = script_[step_];
  switch (step.step) {
    case Step::Fixed:
      if (byte != step.request) return Confused(byte);
      ++step_;
      return step.reply;
    case Step::End:
      if (byte != step.request) return Confused(byte);
      Complete(utcMs);
      state_ = State::Idle;
      return step.reply;
    case Step::Code:
      code_ = byte;
      ++step_;
      return byte;
    case Step::Data:
      // A data byte 0x55 comes doubled; both halves are echoed.
      if (escapePending_) {
        if (byte != kEscape) return Confused(byte);
        escapePending_ = false;
      } else if (byte == kEscape) {
        escapePending_ = true;
        return byte;
      }
      data_[dataCount_++] = byte;
      ++step_;
      return byte;
    case Step::Slot:
      if (byte != step.request) return Confused(byte);
      ++step_;
      return SlotByte(step.reply, utcMs);
  }
  return Confused(byte);
}

std::uint8_t AdapterController::SlotByte(std::uint8_t source, std::int64_t utcMs) {
  std::uint8_t mailbox[5];
  mailbox[0] = mailbox_.code;
  PutLittleEndian32(mailbox + 1, mailbox_.value);
  if (source == kSlotCode) return mailbox[0];
  if (source < kSlotChecksum) return mailbox[source];
  if (source == kSlotChecksum) return static_cast<std::uint8_t>(~Crc8(mailbox, 5));
  if (!probe_) return kNoData;
  ++counters_.dataBytes;
  return probe_->ReadData(utcMs);
}

std::uint8_t AdapterController::ControlByte(std::uint8_t byte) {
  const bool afterSlot = presenceSlotLast_;
  presenceSlotLast_ = false;
  switch (byte) {
    case kControlVersion:
      return version_;
    case kControlPresence:
      presenceSlotLast_ = true;
      return probe_ ? kAck : kConfused;
    case kControlStart:
    case kControlStop:
      return kAck;
    case kControlReset:
      mailbox_ = {};
      return kAck;
    case kEscape:
      state_ = State::ControlEscape;
      return kEscapeAnswer;
    default:
      if (!streamRules_) return kConfused;
      // Control codes run on until a byte that is none: the FF before it was the start marker
      // of a frame when it is AA, otherwise the byte opens the next exchange.
      if (afterSlot && byte == kStart1) {
        state_ = State::CommandByte;
        return kAck;
      }
      return Opening(byte);
  }
}

// A frame has arrived whole: carry it out.
void AdapterController::Complete(std::int64_t utcMs) {
  // A controller busy with a slow command answers every byte but carries out no frame that
  // touches the mailbox until the command has finished.
  if (busy_) return;
  switch (command_) {
    case kPost: {
      // Only a post whose checksum is right reaches the mailbox.
      const std::uint8_t posted[5] = {code_, data_[0], data_[1], data_[2], data_[3]};
      if (static_cast<std::uint8_t>(~Crc8(posted, 5)) == data_[4]) {
        mailbox_ = {code_, LittleEndian32(data_)};
      }
      break;
    }
    case kExecute:
      if (probe_ && (mailbox_.code & ~kFinished) == code_) {
        ++counters_.commands;
        const auto result = probe_->RunCommand(code_, mailbox_.value, utcMs);
        const Mailbox done{static_cast<std::uint8_t>(code_ | kFinished),
                           result.value_or(mailbox_.value)};
        if (slowCommandMs_ > 0) {
          // The probe has taken the command; the mailbox shows it finished only once it is.
          finished_ = done;
          busyUntilMs_ = utcMs + slowCommandMs_;
          busy_ = true;
        } else {
          mailbox_ = done;
        }
      }
      break;
    case kQuery:
      if (probe_) {
        ++counters_.queries;
        mailbox_ = {static_cast<std::uint8_t>(code_ | kFinished),
                    probe_->ReadRegister(code_, utcMs).value_or(0)};
      } else {
        mailbox_ = {code_, 0};
      }
      break;
    default:
      break;
  }
}

}  // namespace ombrix
