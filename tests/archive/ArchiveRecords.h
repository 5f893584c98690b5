#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "ProbeRecord.h"

namespace ombrix::testing {

// A record as a download gives it: a mission started at missionStart (probe seconds) has taken
// `samples` samples every 10 minutes (rolled over beyond the log size) and was read at
// downloadSeconds and 700 ms. The comment holds bytes above ASCII; seed varies the log.
inline std::unique_ptr<TProbeRecord> MakeRecord(std::uint64_t serial, const std::string& name,
                                                std::int64_t missionStart, int samples,
                                                std::int64_t downloadSeconds, int seed = 0) {
  auto r = std::make_unique<TProbeRecord>();
  r->SerialNumber = serial;
  r->Name = name;
  r->Comment =
      "Ward B \xC4pfel, 4 \xB0"
      "C";
  r->MemoryClear = false;
  r->MissionInProgress = true;
  r->SampleRate = 10;
  r->SetMissionStartSeconds(missionStart);
  r->SetStartSeconds(missionStart + 120);
  r->MissionSamples = samples;
  r->ReadSamples = std::min(samples, TProbeRecord::kLogSize);
  r->RolloverEnable = r->RolloverOccured = samples > TProbeRecord::kLogSize;
  r->SamplesTotal = 50'000 + samples;
  r->CurrentClock = ProbeSecondsToDateTime(downloadSeconds);
  r->DownloadTime = r->CurrentClock + 0.7 / 86'400;
  for (int i = 0; i < r->ReadSamples; ++i)
    r->LogBuffer[i] = static_cast<std::uint8_t>(80 + (i * 7 + seed) % 50);
  r->DecodeLog();
  return r;
}

// The index-th of a series of distinct downloads from a few probes, for tools and benchmarks.
inline std::unique_ptr<TProbeRecord> SeriesRecord(int index) {
  constexpr std::int64_t kMissionStart = 1'650'000'000;
  return MakeRecord(0x2800000000001234ULL + static_cast<std::uint64_t>(index % 5),
                    "Fridge " + std::to_string(index % 5), kMissionStart, 500 + index % 4000,
                    kMissionStart + 600 * (500 + index % 4000) + index, index);
}

}  // namespace ombrix::testing
