#include <algorithm>

#include "Bytes.h"
#include "Clock.h"
#include "ConsistencyError.h"
#include "Probe.h"

namespace ombrix {

namespace {

constexpr int kPresenceTries = 5;
constexpr int kSwitchOffPauseMs = 250;
constexpr int kMaxDelayMinutes = 250;

constexpr int kRegisterClock = 2;
constexpr int kRegisterStatus = 3;
constexpr int kRegisterMissionSamples = 5;
constexpr int kRegisterMissionStart = 7;
constexpr int kRegisterStartDelay = 8;
constexpr int kRegisterSamplesTotal = 9;
constexpr int kCommandSetClock = 2;
constexpr int kCommandControl = 3;

// The three bytes that must accompany the switch-off flag, so that no garbled control command can
// switch a probe off by accident.
constexpr std::uint8_t kSwitchOffGuard[3] = {0x4F, 0x46, 0x46};

}  // namespace

bool TProbe::OpenAdapter() {
  if (!Adapter->IsOpen() && !Adapter->Connect()) {
    LastError = Adapter->Status == 3 ? 2 : 1;
    return false;
  }
  if (!Adapter->Ping()) {
    Adapter->Close();
    LastError = 3;
    return false;
  }
  const int version = Adapter->GetVersion();
  if (version == 0) {
    Adapter->Close();
    LastError = 3;
    return false;
  }
  AdapterVersion = version;
  LastError = 0;
  return true;
}

// One round of presence tests bracketed by start and stop. False when a control exchange failed.
bool TProbe::ControlExchanges(bool& found) {
  found = false;
  if (!Adapter->ControlStart()) return false;
  for (int i = 0; i < kPresenceTries && !found; ++i) found = Adapter->TestPresence();
  return Adapter->ControlStop();
}

bool TProbe::DetectProbe() {
  if (!Adapter->IsOpen() && !OpenAdapter()) return false;

  auto controlFailed = [this] {
    Adapter->Close();
    LastError = 3;
    return false;
  };
  bool found = false;
  if (!ControlExchanges(found)) return controlFailed();
  if (found) {
    LastError = 0;
    return true;
  }
  if (!Adapter->ControlReset()) return controlFailed();
  if (!ControlExchanges(found)) return controlFailed();
  if (found) {
    LastError = 0;
    return true;
  }
  if (!Adapter->ControlReset()) return controlFailed();
  LastError = 4;
  return false;
}

bool TProbe::ReadStatus(bool readText) {
  if (!Adapter->IsOpen()) {
    LastError = 7;
    return false;
  }
  std::uint32_t status = 0;
  if (!ReadRegister(kRegisterStatus, status)) return false;
  const std::uint64_t previousSerial = SerialNumber;
  if (!ReadText(1)) return false;

  const std::uint8_t s = ByteOf(status, 0);
  MemoryClear = s & probe_status::kMemoryClear;
  MissionInProgress = s & probe_status::kMissionInProgress;
  RolloverEnable = s & probe_status::kRolloverEnable;
  RolloverOccured = s & probe_status::kRolloverOccured;
  Test = s & probe_status::kTest;
  ProbeOff = s & probe_status::kProbeOff;
  SampleRate = ByteOf(status, 1);

  if (MemoryClear || ProbeOff) {
    StartTime = 0;
    MissionStart = 0;
    DownloadTime = 0;
    MissionSamples = 0;
    RolloverOccured = false;
    SetStartNextMinute();
  }
  if ((SerialNumber != previousSerial || readText) && !ReadText(6)) return false;
  if (MemoryClear || ProbeOff) return true;

  std::uint32_t value = 0;
  if (!ReadRegister(kRegisterMissionSamples, value)) return false;
  MissionSamples = static_cast<std::int32_t>(value);
  if (!ReadRegister(kRegisterMissionStart, value)) return false;
  const std::int64_t missionStartSeconds = value;
  MissionStart = ProbeSecondsToDateTime(missionStartSeconds);
  if (!ReadRegister(kRegisterStartDelay, value)) return false;
  StartDelayMinutes = ByteOf(value, 2);
  StartDelaySeconds = ByteOf(value, 3);
  // The first sample time is counted in the probe's own seconds, so that a delay across a change
  // of summer time still gives the instant at which the probe samples.
  StartTime =
      ProbeSecondsToDateTime(missionStartSeconds + StartDelayMinutes * 60 + StartDelaySeconds + 1);
  if (!ReadRegister(kRegisterSamplesTotal, value)) return false;
  SamplesTotal = static_cast<std::int32_t>(value);
  LastError = 0;
  return true;
}

bool TProbe::ReadStatusForPrecondition() {
  return ReadStatus(false);
}

bool TProbe::FailPrecondition() {
  LastError = 6;
  return false;
}

bool TProbe::Control(std::uint8_t flags, std::uint8_t rate, std::uint8_t byte2,
                     std::uint8_t byte3) {
  const std::uint32_t value =
      static_cast<std::uint32_t>(flags) | static_cast<std::uint32_t>(rate) << 8 |
      static_cast<std::uint32_t>(byte2) << 16 | static_cast<std::uint32_t>(byte3) << 24;
  return WriteCommand(kCommandControl, value);
}

bool TProbe::ClearProbe() {
  if (!ReadStatusForPrecondition()) return false;
  if (MemoryClear || MissionInProgress) return FailPrecondition();
  const std::uint8_t flags =
      probe_status::kMemoryClear | (RolloverEnable ? probe_status::kRolloverEnable : 0);
  if (!Control(flags, static_cast<std::uint8_t>(SampleRate), 0, 0)) return false;
  DownloadTime = 0;
  return ReadStatus(false);
}

bool TProbe::StopMission() {
  if (!ReadStatusForPrecondition()) return false;
  if (MemoryClear || !MissionInProgress) return FailPrecondition();
  const std::uint8_t flags = (RolloverEnable ? probe_status::kRolloverEnable : 0) |
                             (RolloverOccured ? probe_status::kRolloverOccured : 0);
  if (!Control(flags, static_cast<std::uint8_t>(SampleRate), 0, 0)) return false;
  return ReadStatus(false);
}

bool TProbe::LaunchMission(bool test) {
  const std::int32_t rate = SampleRate;
  const bool rollover = RolloverEnable;
  const TDateTime firstSample = StartTime;

  if (!ReadStatusForPrecondition()) return false;
  if (!MemoryClear || MissionInProgress) return FailPrecondition();

  ReadClock();
  // The delay is counted in probe seconds, so that a first sample time beyond a change of summer
  // time still gives the delay the probe really waits.
  const std::int64_t delay =
      DateTimeToProbeSeconds(firstSample) - DateTimeToProbeSeconds(CurrentClock) - 1;
  if (delay < 0) {
    LastError = 9;
    return false;
  }
  const std::int64_t minutes = delay / 60;
  const std::int64_t seconds = delay % 60;
  if (minutes > kMaxDelayMinutes) {
    LastError = 10;
    return false;
  }
  std::uint8_t flags = 0x02;
  if (rollover) flags |= probe_status::kRolloverEnable;
  if (test) flags |= probe_status::kTest;
  if (!Control(flags, static_cast<std::uint8_t>(rate & 0xFF), static_cast<std::uint8_t>(minutes),
               static_cast<std::uint8_t>(seconds)))
    return false;
  return ReadStatus(false);
}

bool TProbe::SwitchOff() {
  if (!ReadStatusForPrecondition()) return false;
  if (!MemoryClear || MissionInProgress) return FailPrecondition();
  if (!Control(probe_status::kProbeOff, kSwitchOffGuard[0], kSwitchOffGuard[1], kSwitchOffGuard[2]))
    return false;
  DownloadTime = 0;
  Pause(kSwitchOffPauseMs);
  return ReadStatus(false);
}

bool TProbe::BeginReadData() {
  if (!ReadStatusForPrecondition()) return false;
  if (MemoryClear) return FailPrecondition();
  ReadPosition = 0;
  if (MissionSamples <= 0) return FailPrecondition();
  ReadSamples = MissionSamples;
  if (ReadSamples > kLogSize) {
    if (!RolloverOccured) FailCheck("Probe", 1012);
    ReadSamples = kLogSize;
  }
  DownloadTime = NowDateTime();
  return true;
}

bool TProbe::ReadDataBlock() {
  if (!Adapter->IsOpen()) {
    LastError = 7;
    return false;
  }
  const int n = std::min(ReadSamples - ReadPosition, 16);
  if (n > 0 && !ReadMemory(ReadPosition, LogBuffer.data() + ReadPosition, n)) return false;
  ReadPosition += std::max(n, 0);
  if (ReadPosition < ReadSamples) {
    LastError = 8;
    return true;
  }
  LastError = 0;
  return false;
}

int TProbe::ReadProgress() const {
  const int total = std::min(MissionSamples, kLogSize);
  if (total <= 0) return 100;
  return static_cast<int>(static_cast<std::int64_t>(ReadPosition) * 100 / total);
}

TDateTime TProbe::ReadClock() {
  if (!Adapter->IsOpen()) {
    LastError = 7;
    return 0;
  }
  std::uint32_t seconds = 0;
  if (!ReadRegister(kRegisterClock, seconds)) {
    LastError = 5;
    return 0;
  }
  CurrentClock = ProbeSecondsToDateTime(seconds);
  LastError = 0;
  return CurrentClock;
}

void TProbe::SetClock(TDateTime time) {
  if (!Adapter->IsOpen()) {
    LastError = 7;
    return;
  }
  if (!WriteCommand(kCommandSetClock, static_cast<std::uint32_t>(DateTimeToProbeSeconds(time))))
    return;
  CurrentClock = time;
  LastError = 0;
}

void TProbe::SetStartNextMinute() {
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(NowDateTime(), year, month, day, hour, minute, second, millisecond);
  const int minutes = hour * 60 + minute + 1;
  StartTime = minutes < 24 * 60 ? EncodeDateTime(year, month, day, minutes / 60, minutes % 60)
                                : EncodeDateTime(year, month, day) + 1;
}

}  // namespace ombrix
