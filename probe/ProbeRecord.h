#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "TimeConversion.h"

namespace ombrix {

struct Sample {
  TDateTime Time = 0;
  float Temperature = 0;
};

struct HistogramBin {
  float Low = 0;
  float High = 0;
  std::int32_t Count = 0;
};

// A serial number's eight bytes, byte 0 first, as upper-case hex separated by blanks
// ("28 00 00 00 00 00 00 A2").
std::string SerialNumberText(std::uint64_t serial);

// The status fields of a probe: what a status read reports, and what a record file keeps beside
// the log. The live probe (TProbe) keeps them as the probe is now; a held record (TProbeRecord)
// keeps them as they were when its samples were read.
struct TProbeStatus {
  std::int32_t Version = 256;
  std::uint64_t SerialNumber = 0;
  std::string Name;
  std::string Comment;
  TDateTime CurrentClock = 0;
  bool MemoryClear = true;
  bool MissionInProgress = false;
  std::int32_t SampleRate = 10;
  bool RolloverEnable = false;
  TDateTime StartTime = 0;
  TDateTime MissionStart = 0;
  std::int32_t MissionSamples = 0;
  std::int32_t ReadSamples = 0;
  bool RolloverOccured = false;
  TDateTime DownloadTime = 0;
  std::int32_t SamplesTotal = 0;
  bool Test = false;
  bool ProbeOff = false;
  // The first-sample time and the mission start as instants (probe seconds, UTC), which StartTime
  // and MissionStart show in local time. Sample times are counted from StartSeconds, so that the
  // repeated autumn hour, where one local time names two instants, is dated right.
  std::int64_t StartSeconds = 0;
  std::int64_t MissionStartSeconds = 0;

  // The eight bytes of SerialNumber, byte 0 first, as upper-case hex separated by blanks.
  std::string SerialNumberText() const { return ombrix::SerialNumberText(SerialNumber); }
  // StartTime and MissionStart from the instants (0 stays 0).
  void SetStartSeconds(std::int64_t seconds);
  void SetMissionStartSeconds(std::int64_t seconds);
  // The instants from StartTime and MissionStart, for fields that only have local times (a record
  // file): a local time of the repeated hour is taken as its later pass.
  void SecondsFromLocalTimes();
};

// A held record: the status fields as they were read with the samples, the raw log and what it
// decodes to. A download or a record file produces one; files, the export, the report, the views
// and the command line read it and nothing else changes it.
struct TProbeRecord : TProbeStatus {
  static constexpr int kLogSize = 8000;
  static constexpr int kHistogramBins = 63;

  TProbeRecord();

  Sample GetSample(int index) const;
  HistogramBin GetHistogramBin(int index) const;
  // The samples held, 0..kLogSize.
  int HeldSamples() const;
  // The seconds between two samples (the rate is in seconds in test mode).
  std::int64_t IntervalSeconds() const;
  // The instant (probe seconds, UTC) of held sample `index`, which Samples[index].Time shows in
  // local time; saturated for whatever fields a record file brings.
  std::int64_t SampleSeconds(int index) const;
  // Builds Samples and Histogram from LogBuffer, ReadSamples, MissionSamples, StartSeconds,
  // SampleRate, Test and RolloverOccured.
  void DecodeLog();

  // Opened from a record file whose lines no longer match the hash it was saved with: its
  // contents were edited after the save and are not the probe's own readings.
  bool ChangedAfterSave = false;
  std::array<HistogramBin, kHistogramBins> Histogram;
  std::array<Sample, kLogSize> Samples{};
  std::array<std::uint8_t, kLogSize> LogBuffer{};
};

}  // namespace ombrix
