#include <algorithm>
#include <bit>

#include "Bytes.h"
#include "Clock.h"
#include "ConsistencyError.h"
#include "Probe.h"

namespace ombrix {

namespace {

constexpr int kPresenceTries = 5;
constexpr int kSwitchOffPauseMs = 250;
constexpr int kMaxDelayMinutes = 250;

// The probe's clock is a 32-bit count of seconds.
constexpr std::int64_t kLastProbeSecond = 0xFFFFFFFF;

// The three bytes that must accompany the switch-off flag, so that no garbled control command can
// switch a probe off by accident.
constexpr std::uint8_t kSwitchOffGuard[3] = {0x4F, 0x46, 0x46};

}  // namespace

bool TProbe::OpenAdapter() {
  if (!Adapter->IsOpen() && !Adapter->Connect()) {
    LastError = Adapter->Status == lsMoreDevices ? peMoreAdapters : peNoAdapter;
    return false;
  }
  if (!Adapter->Ping()) {
    Adapter->Close();
    LastError = peAdapterSilent;
    return false;
  }
  const int version = Adapter->GetVersion();
  if (version == 0) {
    Adapter->Close();
    LastError = peAdapterSilent;
    return false;
  }
  AdapterVersion = version;
  LastError = peNone;
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
    LastError = peAdapterSilent;
    return false;
  };
  bool found = false;
  if (!ControlExchanges(found)) return controlFailed();
  if (found) {
    LastError = peNone;
    return true;
  }
  if (!Adapter->ControlReset()) return controlFailed();
  if (!ControlExchanges(found)) return controlFailed();
  if (found) {
    LastError = peNone;
    return true;
  }
  if (!Adapter->ControlReset()) return controlFailed();
  LastError = peNoProbe;
  return false;
}

bool TProbe::ReadStatus(bool readText) {
  if (!Adapter->IsOpen()) {
    LastError = peLinkClosed;
    return false;
  }
  std::uint32_t status = 0;
  if (!ReadRegister(probe_register::kStatus, status)) return false;
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
    SetStartSeconds(0);
    SetMissionStartSeconds(0);
    DownloadTime = 0;
    MissionSamples = 0;
    RolloverOccured = false;
    SetStartNextMinute();
  }
  if ((SerialNumber != previousSerial || readText) && !ReadText(6)) return false;
  if (MemoryClear || ProbeOff) return true;

  std::uint32_t value = 0;
  if (!ReadRegister(probe_register::kMissionSamples, value)) return false;
  MissionSamples = static_cast<std::int32_t>(value);
  if (!ReadRegister(probe_register::kMissionStart, value)) return false;
  SetMissionStartSeconds(value);
  if (!ReadRegister(probe_register::kStartDelay, value)) return false;
  StartDelayMinutes = ByteOf(value, 2);
  StartDelaySeconds = ByteOf(value, 3);
  // The first sample time is counted in the probe's own seconds, so that a delay across a change
  // of summer time still gives the instant at which the probe samples.
  SetStartSeconds(MissionStartSeconds + StartDelayMinutes * 60 + StartDelaySeconds + 1);
  if (!ReadRegister(probe_register::kSamplesTotal, value)) return false;
  SamplesTotal = static_cast<std::int32_t>(value);
  LastError = peNone;
  return true;
}

bool TProbe::ReadStatusForPrecondition() {
  return ReadStatus(false);
}

bool TProbe::FailPrecondition() {
  LastError = peNotAllowed;
  return false;
}

bool TProbe::Control(std::uint8_t flags, std::uint8_t rate, std::uint8_t byte2,
                     std::uint8_t byte3) {
  const std::uint32_t value =
      static_cast<std::uint32_t>(flags) | static_cast<std::uint32_t>(rate) << 8 |
      static_cast<std::uint32_t>(byte2) << 16 | static_cast<std::uint32_t>(byte3) << 24;
  return WriteCommand(probe_command::kControl, value);
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

std::int64_t TProbe::RequestedStartSeconds() const {
  if (StartSeconds != 0 && ProbeSecondsToDateTime(StartSeconds) == StartTime) return StartSeconds;
  return DateTimeToProbeSeconds(StartTime);
}

bool TProbe::LaunchMission(bool test) {
  const std::int32_t rate = SampleRate;
  // The probe keeps the rate in one byte; 0 would never sample.
  if (rate < 1 || rate > 255) return FailPrecondition();
  const bool rollover = RolloverEnable;
  const std::int64_t firstSample = RequestedStartSeconds();

  if (!ReadStatusForPrecondition()) return false;
  if (!MemoryClear || MissionInProgress) return FailPrecondition();

  // A failed read leaves the clock of an earlier read, which would lengthen the delay by the
  // time since: the launch stops here instead.
  ReadClock();
  if (LastError != peNone) return false;
  // The delay is counted from the probe clock's own seconds, never through local time, so that
  // a change of summer time or a clock in the repeated autumn hour still gives the delay the probe
  // really waits.
  const std::int64_t delay = firstSample - CurrentClockSeconds - 1;
  if (delay < 0) {
    LastError = peStartNotAfterClock;
    return false;
  }
  const std::int64_t minutes = delay / 60;
  const std::int64_t seconds = delay % 60;
  if (minutes > kMaxDelayMinutes) {
    LastError = peStartTooFar;
    return false;
  }
  std::uint8_t flags = 0x02;
  if (rollover) flags |= probe_status::kRolloverEnable;
  if (test) flags |= probe_status::kTest;
  if (!Control(flags, static_cast<std::uint8_t>(rate), static_cast<std::uint8_t>(minutes),
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

bool TProbe::BeginReadData(const EarlierDownload& earlier) {
  download_.reset();
  downloadComplete_ = false;
  plan_.clear();
  planned_ = 0;
  incremental_ = false;
  blocksRead_ = 0;
  snapshotRounds_ = 0;
  if (!ReadStatusForPrecondition()) return false;
  if (MemoryClear) return FailPrecondition();
  ReadPosition = 0;
  if (MissionSamples <= 0) return FailPrecondition();
  // The counters are checked before anything is taken from them.
  if (MissionSamples > kLogSize && !RolloverOccured) FailCheck("Probe", 1012);
  if (SampleRate <= 0) {
    // Samples without an interval cannot be dated: the status is not what a probe reports.
    LastError = peDataError;
    return false;
  }
  ReadSamples = std::min(MissionSamples, kLogSize);
  DownloadTime = NowDateTime();
  // The record of this download keeps the status as it was read here.
  download_ = std::make_unique<TProbeRecord>();
  static_cast<TProbeStatus&>(*download_) = *this;
  const std::unique_ptr<TProbeRecord> held = earlier ? earlier(*this) : nullptr;
  if (!held || !PlanIncremental(*held)) PlanWholeLog();
  return true;
}

void TProbe::PlanWholeLog() {
  plan_.clear();
  planned_ = 0;
  incremental_ = false;
  ReadPosition = 0;
  for (int address = 0; address < ReadSamples; address += kBlockSize) {
    plan_.push_back({address, std::min(kBlockSize, ReadSamples - address), 0});
  }
  download_->LogBuffer.fill(0);
}

bool TProbe::MarkWritten(std::int64_t from, std::int64_t to, std::vector<bool>& written) {
  if (to - from >= kLogSize) return false;
  for (std::int64_t k = from; k < to; ++k) written[static_cast<std::size_t>(k % kLogSize)] = true;
  return true;
}

bool TProbe::PlanIncremental(const TProbeRecord& earlier) {
  const std::int64_t before = earlier.MissionSamples;
  const std::int64_t now = MissionSamples;
  const bool sameMission =
      earlier.SerialNumber == SerialNumber && earlier.MissionStartSeconds == MissionStartSeconds &&
      earlier.StartSeconds == StartSeconds && earlier.SampleRate == SampleRate &&
      earlier.Test == Test && earlier.RolloverEnable == RolloverEnable;
  // The probe's lifetime count and its mission count grow together within one mission: a
  // difference that changed means the probe was cleared and launched again since, even on the
  // same start.
  const bool countersGrew = now >= before && SamplesTotal >= earlier.SamplesTotal &&
                            SamplesTotal - now == earlier.SamplesTotal - before;
  std::vector<bool> fresh(kLogSize, false);  // written since the earlier download
  // Sample k of a mission is at address k % kLogSize. The earlier download must hold its whole
  // log, and the ring must not have gone round since it (that overwrites all it holds).
  if (!sameMission || !countersGrew || before <= 0 ||
      earlier.HeldSamples() != std::min<std::int64_t>(before, kLogSize) ||
      !MarkWritten(before, now, fresh)) {
    return false;
  }
  const int heldEnd = static_cast<int>(std::min<std::int64_t>(before, kLogSize));
  // The bytes of a block that the earlier download holds and the probe has not written since.
  auto unchanged = [&](int block) {
    std::uint32_t mask = 0;
    for (int i = 0; i < kBlockSize && block + i < ReadSamples; ++i) {
      const int address = block + i;
      if (address < heldEnd && !fresh[address]) mask |= 1u << i;
    }
    return mask;
  };
  auto length = [&](int block) { return std::min(kBlockSize, ReadSamples - block); };
  auto blockOf = [](std::int64_t sample) {
    return static_cast<int>(sample % kLogSize) / kBlockSize * kBlockSize;
  };
  std::vector<PlannedBlock> plan;
  auto planned = [&plan](int block) {
    return std::any_of(plan.begin(), plan.end(),
                       [block](const PlannedBlock& p) { return p.address == block; });
  };
  auto compare = [&](int block) {
    if (!planned(block) && block < heldEnd && unchanged(block) != 0) {
      plan.push_back({block, length(block), unchanged(block)});
    }
  };
  // The probe must still hold the earlier download as it was read: its oldest block the probe
  // still holds, its last block, and the one before that when the last leaves fewer than a
  // block's worth of bytes to compare.
  compare(blockOf(std::max<std::int64_t>(now - kLogSize, 0)));
  const int last = blockOf(before - 1);
  compare(last);
  if (std::popcount(unchanged(last)) < kBlockSize) {
    compare((last + kLogSize - kBlockSize) % kLogSize);
  }
  if (plan.empty()) return false;
  // Then every block with a sample written since, in address order.
  for (int block = 0; block < ReadSamples; block += kBlockSize) {
    bool written = false;
    for (int i = 0; i < length(block); ++i) written = written || fresh[block + i];
    if (written && !planned(block)) plan.push_back({block, length(block), unchanged(block)});
  }
  std::copy(earlier.LogBuffer.begin(), earlier.LogBuffer.begin() + heldEnd,
            download_->LogBuffer.begin());
  plan_ = std::move(plan);
  planned_ = 0;
  incremental_ = true;
  return true;
}

bool TProbe::SameProbeAfterRetry() {
  std::uint64_t serial = 0;
  if (!ReadSerialNumber(serial)) return false;
  if (serial != download_->SerialNumber) {
    LastError = peProbeChanged;
    return false;
  }
  return true;
}

bool TProbe::CheckSnapshot() {
  // Rounds of samples written while the log is read; at the slowest link and the fastest rate a
  // round reads a block or two, so a download that does not settle is not reading one probe.
  constexpr int kSnapshotRounds = 8;
  TProbeRecord& began = *download_;
  if (!ReadStatus(false)) return false;
  const bool sameMission =
      SerialNumber == began.SerialNumber && !MemoryClear && !ProbeOff &&
      MissionStartSeconds == began.MissionStartSeconds && StartSeconds == began.StartSeconds &&
      SampleRate == began.SampleRate && Test == began.Test &&
      RolloverEnable == began.RolloverEnable && MissionSamples >= began.MissionSamples &&
      SamplesTotal - MissionSamples == began.SamplesTotal - began.MissionSamples;
  if (!sameMission) {
    LastError = peProbeChanged;
    return false;
  }
  LastError = peNone;
  if (MissionSamples == began.MissionSamples) return true;
  if (++snapshotRounds_ > kSnapshotRounds) {
    LastError = peDataError;
    return false;
  }
  // The probe wrote samples while its log was read: the record ends with the latest of them, and
  // the addresses they went to are read (again).
  std::vector<bool> written(kLogSize, false);
  const bool partial = MarkWritten(began.MissionSamples, MissionSamples, written);
  began.MissionSamples = MissionSamples;
  began.SamplesTotal = SamplesTotal;
  began.RolloverOccured = RolloverOccured;
  began.MissionInProgress = MissionInProgress;
  began.ReadSamples = ReadSamples = std::min(MissionSamples, kLogSize);
  if (!partial) {
    PlanWholeLog();
    return true;
  }
  plan_.clear();
  planned_ = 0;
  for (int block = 0; block < ReadSamples; block += kBlockSize) {
    const int length = std::min(kBlockSize, ReadSamples - block);
    bool any = false;
    for (int i = 0; i < length; ++i) any = any || written[block + i];
    if (any) plan_.push_back({block, length, 0});
  }
  return true;
}

bool TProbe::ReadDataBlock() {
  if (!Adapter->IsOpen()) {
    LastError = peLinkClosed;
    return false;
  }
  if (!download_ || downloadComplete_) {
    // No download is under way.
    LastError = peNotAllowed;
    return false;
  }
  auto fail = [this] {
    download_.reset();
    return false;
  };
  if (planned_ < plan_.size()) {
    const PlannedBlock block = plan_[planned_];
    std::array<std::uint8_t, kBlockSize> bytes{};
    const int retries = memoryRetries_;
    if (!ReadMemory(block.address, bytes.data(), block.length)) return fail();
    // A retry may follow a probe taken off: its bytes count only while the serial is the same.
    if (memoryRetries_ != retries && !SameProbeAfterRetry()) return fail();
    ++blocksRead_;
    std::uint8_t* log = download_->LogBuffer.data() + block.address;
    std::uint32_t differ = 0;
    for (int i = 0; i < block.length; ++i) {
      if ((block.compare >> i & 1) && bytes[i] != log[i]) differ |= 1u << i;
    }
    if (differ != 0) {
      // A byte the probe wrote since the download began is new, not a difference: it is read
      // again with the samples written meanwhile once the planned blocks are done.
      std::uint32_t count = 0;
      if (!ReadRegister(probe_register::kMissionSamples, count)) return fail();
      std::vector<bool> written(kLogSize, false);
      if (count < static_cast<std::uint32_t>(download_->MissionSamples) ||
          !MarkWritten(download_->MissionSamples, count, written)) {
        differ = ~0u;
      }
      for (int i = 0; i < block.length; ++i) {
        if (written[block.address + i]) differ &= ~(1u << i);
      }
    }
    if (differ != 0) {
      // The probe no longer holds what the earlier download read: read it all.
      PlanWholeLog();
      LastError = peMoreBlocks;
      return true;
    }
    std::copy(bytes.begin(), bytes.begin() + block.length, log);
    ++planned_;
    ReadPosition = block.address + block.length;
  }
  if (planned_ < plan_.size()) {
    LastError = peMoreBlocks;
    return true;
  }
  if (!CheckSnapshot()) return fail();
  if (planned_ < plan_.size()) {
    LastError = peMoreBlocks;
    return true;
  }
  download_->DecodeLog();
  downloadComplete_ = true;
  LastError = peNone;
  return false;
}

std::unique_ptr<TProbeRecord> TProbe::TakeDownload() {
  if (!downloadComplete_) return nullptr;
  downloadComplete_ = false;
  return std::move(download_);
}

int TProbe::ReadProgress() const {
  // Samples written meanwhile are read at the end: the log itself has been read.
  if (snapshotRounds_ > 0) return downloadComplete_ ? 100 : 99;
  if (incremental_) {
    return plan_.empty() ? 100 : static_cast<int>(planned_ * 100 / plan_.size());
  }
  const int total = std::min(MissionSamples, kLogSize);
  if (total <= 0) return 100;
  return static_cast<int>(static_cast<std::int64_t>(ReadPosition) * 100 / total);
}

TDateTime TProbe::ReadClock() {
  if (!Adapter->IsOpen()) {
    LastError = peLinkClosed;
    return 0;
  }
  std::uint32_t seconds = 0;
  if (!ReadRegister(probe_register::kClock, seconds)) {
    LastError = peDataError;
    return 0;
  }
  CurrentClockSeconds = seconds;
  CurrentClock = ProbeSecondsToDateTime(seconds);
  LastError = peNone;
  return CurrentClock;
}

void TProbe::SetClock(TDateTime time) {
  SetClockSeconds(DateTimeToProbeSeconds(time));
  if (LastError == peNone) CurrentClock = time;
}

void TProbe::SetClockSeconds(std::int64_t seconds) {
  if (!Adapter->IsOpen()) {
    LastError = peLinkClosed;
    return;
  }
  if (seconds < 0 || seconds > kLastProbeSecond) {
    // The probe would keep the value modulo 2^32: a date it cannot hold is not sent at all.
    LastError = peNotAllowed;
    return;
  }
  if (!WriteCommand(probe_command::kSetClock, static_cast<std::uint32_t>(seconds))) return;
  CurrentClockSeconds = seconds;
  CurrentClock = ProbeSecondsToDateTime(seconds);
  LastError = peNone;
}

// The next whole minute is counted in UTC: local time differs from it by whole hours, so the
// minute boundaries are the same, and a minute that local time skips in spring (02:00 on the last
// Sunday of March) comes out as the first one that exists (03:00).
void TProbe::SetStartNextMinute() {
  SetStartSeconds((NowProbeSeconds() / 60 + 1) * 60);
}

}  // namespace ombrix
