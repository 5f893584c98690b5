#include "VirtualProbe.h"

#include <algorithm>

#include "Bytes.h"

namespace ombrix {

namespace {

constexpr std::uint8_t kErased = 0xFF;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

}  // namespace

VirtualProbe::VirtualProbe(std::shared_ptr<const TemperatureSource> source)
    : source_(std::move(source)) {
  std::fill(memory_.begin(), memory_.begin() + kLogSize, kErased);
}

void VirtualProbe::SetSerialNumber(std::uint64_t serialNumber) {
  for (int i = 0; i < 8; ++i) {
    memory_[kSerialAddress + i] = static_cast<std::uint8_t>(serialNumber >> (8 * i));
  }
}

std::uint64_t VirtualProbe::SerialNumber() const {
  std::uint64_t serialNumber = 0;
  for (int i = 7; i >= 0; --i) serialNumber = serialNumber << 8 | memory_[kSerialAddress + i];
  return serialNumber;
}

std::uint64_t VirtualProbe::MakeSerialNumber(std::uint8_t family, std::uint64_t id) {
  std::uint8_t bytes[8];
  bytes[0] = family;
  for (int i = 1; i <= 6; ++i) bytes[i] = static_cast<std::uint8_t>(id >> (8 * (i - 1)));
  bytes[7] = Crc8(bytes, 7);
  std::uint64_t serialNumber = 0;
  for (int i = 7; i >= 0; --i) serialNumber = serialNumber << 8 | bytes[i];
  return serialNumber;
}

bool VirtualProbe::SerialNumberValid(std::uint64_t serialNumber) {
  std::uint8_t bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(serialNumber >> (8 * i));
  return Crc8(bytes, 7) == bytes[7];
}

void VirtualProbe::WriteText(int address, int size, std::string_view text) {
  for (int i = 0; i < size; ++i) {
    memory_[address + i] =
        i < static_cast<int>(text.size()) ? static_cast<std::uint8_t>(text[i]) : 0;
  }
}

std::string VirtualProbe::ReadText(int address, int size) const {
  std::string text;
  for (int i = 0; i < size && memory_[address + i] != 0; ++i) {
    text.push_back(static_cast<char>(memory_[address + i]));
  }
  return text;
}

void VirtualProbe::SetName(std::string_view name) {
  WriteText(kNameAddress, kNameSize, name);
}
void VirtualProbe::SetComment(std::string_view comment) {
  WriteText(kCommentAddress, kCommentSize, comment);
}
std::string VirtualProbe::Name() const {
  return ReadText(kNameAddress, kNameSize);
}
std::string VirtualProbe::Comment() const {
  return ReadText(kCommentAddress, kCommentSize);
}

void VirtualProbe::SetTemperatureSource(std::shared_ptr<const TemperatureSource> source) {
  source_ = std::move(source);
}

void VirtualProbe::WriteMemory(int address, std::uint8_t value) {
  if (address >= 0 && address < kMemorySize) memory_[address] = value;
}

VirtualProbe::State VirtualProbe::SaveState() const {
  State state;
  state.memory = memory_;
  state.clockOffsetMs = clockOffsetMs_;
  state.stoppedClockMs = stoppedClockMs_;
  state.mission = mission_;
  state.memoryClear = memoryClear_;
  state.missionInProgress = missionInProgress_;
  state.rolloverOccurred = rolloverOccurred_;
  state.missionStart = missionStart_;
  state.missionSamples = missionSamples_;
  state.lifetimeSamples = lifetimeSamples_;
  state.pointer = pointer_;
  state.readCrc = readCrc_;
  return state;
}

void VirtualProbe::RestoreState(const State& state) {
  memory_ = state.memory;
  clockOffsetMs_ = state.clockOffsetMs;
  stoppedClockMs_ = state.stoppedClockMs;
  mission_ = state.mission;
  memoryClear_ = state.memoryClear;
  missionInProgress_ = state.missionInProgress;
  rolloverOccurred_ = state.rolloverOccurred;
  missionStart_ = state.missionStart;
  missionSamples_ = state.missionSamples;
  lifetimeSamples_ = state.lifetimeSamples;
  pointer_ = state.pointer;
  readCrc_ = state.readCrc;
}

// --- Clock ---

std::int64_t VirtualProbe::ProbeMilliseconds(std::int64_t utcMs) const {
  return stoppedClockMs_ ? *stoppedClockMs_ : utcMs + clockOffsetMs_;
}

std::uint32_t VirtualProbe::ClockSeconds(std::int64_t utcMs) const {
  const std::int64_t seconds = FloorDiv(ProbeMilliseconds(utcMs), 1000);
  return static_cast<std::uint32_t>(std::clamp<std::int64_t>(seconds, 0, 0xFFFFFFFFll));
}

void VirtualProbe::SetClock(std::uint32_t seconds, std::int64_t utcMs) {
  // Samples due by the old clock are taken before the clock moves.
  CatchUp(utcMs);
  const std::int64_t probeMs = static_cast<std::int64_t>(seconds) * 1000;
  if (stoppedClockMs_) {
    stoppedClockMs_ = probeMs;
  } else {
    clockOffsetMs_ = probeMs - utcMs;
  }
}

// --- Missions ---

std::int64_t VirtualProbe::IntervalSeconds() const {
  return mission_.testMode ? mission_.rate : mission_.rate * 60;
}

std::int64_t VirtualProbe::FirstSampleTime() const {
  return static_cast<std::int64_t>(missionStart_) + mission_.delayMinutes * 60 +
         mission_.delaySeconds + 1;
}

void VirtualProbe::CatchUp(std::int64_t utcMs) {
  if (!missionInProgress_ || stoppedClockMs_ || mission_.rate == 0) return;
  const std::int64_t now = ClockSeconds(utcMs);
  const std::int64_t first = FirstSampleTime();
  if (now < first) return;
  const std::int64_t interval = IntervalSeconds();
  std::int64_t due = (now - first) / interval + 1;
  if (!mission_.rollover) due = std::min<std::int64_t>(due, kLogSize);
  due = std::min<std::int64_t>(due, 0xFFFFFFFFll);
  if (due <= missionSamples_) return;

  // Of a long stretch only the last 8000 samples survive in the ring.
  const std::int64_t from = std::max<std::int64_t>(missionSamples_, due - kLogSize);
  for (std::int64_t k = from; k < due; ++k) {
    memory_[k % kLogSize] = EncodeTemperature(source_->Celsius(first + k * interval));
  }
  lifetimeSamples_ += static_cast<std::uint32_t>(due - missionSamples_);
  missionSamples_ = static_cast<std::uint32_t>(due);
  if (missionSamples_ > kLogSize) rolloverOccurred_ = true;
}

bool VirtualProbe::Launch(const Mission& mission, std::int64_t utcMs) {
  CatchUp(utcMs);
  if (!memoryClear_ || missionInProgress_ || mission.rate == 0) return false;
  if (stoppedClockMs_) {
    // Launching switches the probe on; its clock runs on from where it stood.
    clockOffsetMs_ = *stoppedClockMs_ - utcMs;
    stoppedClockMs_.reset();
  }
  mission_ = mission;
  missionStart_ = ClockSeconds(utcMs);
  memoryClear_ = false;
  missionInProgress_ = true;
  rolloverOccurred_ = false;
  missionSamples_ = 0;
  return true;
}

bool VirtualProbe::Stop(std::int64_t utcMs) {
  CatchUp(utcMs);
  if (!missionInProgress_) return false;
  missionInProgress_ = false;
  return true;
}

bool VirtualProbe::Clear(std::uint8_t rate, bool rollover, std::int64_t utcMs) {
  CatchUp(utcMs);
  if (missionInProgress_) return false;
  std::fill(memory_.begin(), memory_.begin() + kLogSize, kErased);
  mission_ = Mission{};
  mission_.rate = rate;
  mission_.rollover = rollover;
  memoryClear_ = true;
  rolloverOccurred_ = false;
  missionStart_ = 0;
  missionSamples_ = 0;
  return true;
}

bool VirtualProbe::SwitchOff(const std::array<std::uint8_t, 3>& guard, std::int64_t utcMs) {
  CatchUp(utcMs);
  if (guard != kSwitchOffGuard || !memoryClear_ || missionInProgress_ || stoppedClockMs_) {
    return false;
  }
  stoppedClockMs_ = ProbeMilliseconds(utcMs);
  return true;
}

void VirtualProbe::StartMissionAt(const Mission& mission, std::uint32_t missionStart) {
  std::fill(memory_.begin(), memory_.begin() + kLogSize, kErased);
  stoppedClockMs_.reset();
  mission_ = mission;
  missionStart_ = missionStart;
  memoryClear_ = false;
  missionInProgress_ = true;
  rolloverOccurred_ = false;
  missionSamples_ = 0;
}

std::uint8_t VirtualProbe::StatusByte() const {
  std::uint8_t status = 0;
  if (memoryClear_) status |= kMemoryClear;
  if (missionInProgress_) status |= kMissionInProgress;
  if (mission_.rollover) status |= kRolloverEnabled;
  if (rolloverOccurred_) status |= kRolloverOccurred;
  if (mission_.testMode) status |= kTestMode;
  if (stoppedClockMs_) status |= kSwitchedOff;
  return status;
}

// Control command: byte 0 the flags, byte 1 the sample rate, bytes 2 and 3 per operation. The
// operation is told by the flags: switch-off (0x80) before launch (0x02) before clear (0x01);
// with none of them it is a stop.
std::uint8_t VirtualProbe::Control(std::uint32_t value, std::int64_t utcMs) {
  lastControl_ = value;
  const std::uint8_t flags = ByteOf(value, 0);
  const std::uint8_t rate = ByteOf(value, 1);
  if (flags & kSwitchedOff) {
    SwitchOff({ByteOf(value, 1), ByteOf(value, 2), ByteOf(value, 3)}, utcMs);
  } else if (flags & kMissionInProgress) {
    Mission mission;
    mission.rate = rate;
    mission.delayMinutes = ByteOf(value, 2);
    mission.delaySeconds = ByteOf(value, 3);
    mission.rollover = (flags & kRolloverEnabled) != 0;
    mission.testMode = (flags & kTestMode) != 0;
    Launch(mission, utcMs);
  } else if (flags & kMemoryClear) {
    Clear(rate, (flags & kRolloverEnabled) != 0, utcMs);
  } else {
    // The rollover bits of a stop only repeat what the program read; the probe keeps its own.
    Stop(utcMs);
  }
  return StatusByte();
}

// --- The adapter's access ---

std::optional<std::uint32_t> VirtualProbe::ReadRegister(int code, std::int64_t utcMs) {
  CatchUp(utcMs);
  switch (code) {
    case kRegMemoryPointer:
      return pointer_ | static_cast<std::uint32_t>(static_cast<std::uint8_t>(~readCrc_)) << 16;
    case kRegClock:
      return ClockSeconds(utcMs);
    case kRegStatus:
      return StatusByte() | static_cast<std::uint32_t>(mission_.rate) << 8;
    case kRegMissionSamples:
      return missionSamples_;
    case kRegMissionStart:
      return missionStart_;
    case kRegStartDelay:
      return static_cast<std::uint32_t>(mission_.delayMinutes) << 16 |
             static_cast<std::uint32_t>(mission_.delaySeconds) << 24;
    case kRegLifetimeSamples:
      return lifetimeSamples_;
    default:
      return std::nullopt;
  }
}

std::optional<std::uint32_t> VirtualProbe::RunCommand(int code, std::uint32_t value,
                                                      std::int64_t utcMs) {
  switch (code) {
    case kCmdSetMemoryPointer:
      pointer_ = static_cast<std::uint16_t>(value);
      readCrc_ = 0;
      return pointer_;
    case kCmdSetClock:
      SetClock(value, utcMs);
      return ClockSeconds(utcMs);
    case kCmdControl: {
      const std::uint8_t status = Control(value, utcMs);
      return status | static_cast<std::uint32_t>(mission_.rate) << 8;
    }
    case kCmdWriteByte:
      WriteMemory(ByteOf(value, 0) | ByteOf(value, 1) << 8, ByteOf(value, 2));
      return value;
    default:
      return std::nullopt;
  }
}

std::uint8_t VirtualProbe::ReadData(std::int64_t utcMs) {
  if (pointer_ < kLogSize) CatchUp(utcMs);
  const std::uint8_t data = pointer_ < kMemorySize ? memory_[pointer_] : kErased;
  Crc8Update(readCrc_, data);
  ++pointer_;
  return data;
}

}  // namespace ombrix
