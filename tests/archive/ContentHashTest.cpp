#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <functional>

#include "Archive.h"
#include "ArchiveRecords.h"
#include "RecordFile.h"

namespace ombrix::testing {
namespace {

std::unique_ptr<TProbeRecord> SmallRecord() {
  auto r = std::make_unique<TProbeRecord>();
  r->SerialNumber = 0x28A1;
  r->Name = "Fr";
  r->Comment = "\xB0";
  r->CurrentClock = ProbeSecondsToDateTime(1'655'000'000);
  r->MemoryClear = false;
  r->MissionInProgress = true;
  r->SetStartSeconds(1'654'990'000);
  r->SetMissionStartSeconds(1'654'989'880);
  r->MissionSamples = r->ReadSamples = 3;
  r->SamplesTotal = 50'003;
  r->DownloadTime = r->CurrentClock + 0.7 / 86'400;
  r->LogBuffer[0] = 80;
  r->LogBuffer[1] = 81;
  r->LogBuffer[2] = 255;
  r->DecodeLog();
  return r;
}

// Archives keep these hashes: a change of the form must come with a new first line.
TEST(ContentHash, CanonicalFormIsPinned) {
  const auto record = SmallRecord();
  EXPECT_EQ(CanonicalRecord(*record),
            "ombrix-record/1\nversion=256\nserial_number=10401\nname=4672\ncomment=b0\n"
            "memory_clear=0\nmission_in_progress=1\nsample_rate=10\n"
            "rollover_enable=0\nstart_seconds=1654990000\nmission_start_seconds=1654989880\n"
            "mission_samples=3\nread_samples=3\nrollover_occurred=0\ndownload_time=1655000000\n"
            "samples_total=50003\nlog=5051ff\n");
  EXPECT_EQ(ContentHash(*record),
            "c49eed38e106793fd97e290cf0e2199bd9d86289714afdbfedb440cc004d7619");
}

TEST(ContentHash, EveryFieldCountsButNotWhatDecodingAddsOrTheFractionOfASecond) {
  constexpr double kSecond = 1.0 / 86'400;
  struct Case {
    const char* what;
    std::function<void(TProbeRecord&)> change;
    bool same;
  };
  const Case cases[] = {
      {"Version", [](TProbeRecord& r) { ++r.Version; }, false},
      {"SerialNumber", [](TProbeRecord& r) { r.SerialNumber ^= 1ULL << 63; }, false},
      {"Name", [](TProbeRecord& r) { r.Name += ' '; }, false},
      {"Comment", [](TProbeRecord& r) { r.Comment = "\xB1"; }, false},
      {"MemoryClear", [](TProbeRecord& r) { r.MemoryClear = true; }, false},
      {"MissionInProgress", [](TProbeRecord& r) { r.MissionInProgress = false; }, false},
      {"SampleRate", [](TProbeRecord& r) { ++r.SampleRate; }, false},
      {"RolloverEnable", [](TProbeRecord& r) { r.RolloverEnable = true; }, false},
      {"StartSeconds", [](TProbeRecord& r) { ++r.StartSeconds; }, false},
      {"MissionStartSeconds", [](TProbeRecord& r) { ++r.MissionStartSeconds; }, false},
      {"MissionSamples", [](TProbeRecord& r) { ++r.MissionSamples; }, false},
      {"ReadSamples", [](TProbeRecord& r) { r.ReadSamples = 2; }, false},
      {"RolloverOccured", [](TProbeRecord& r) { r.RolloverOccured = true; }, false},
      {"DownloadTime", [](TProbeRecord& r) { r.DownloadTime += kSecond; }, false},
      {"SamplesTotal", [](TProbeRecord& r) { ++r.SamplesTotal; }, false},
      {"Test", [](TProbeRecord& r) { r.Test = true; }, false},
      {"ProbeOff", [](TProbeRecord& r) { r.ProbeOff = true; }, false},
      {"ChangedAfterSave", [](TProbeRecord& r) { r.ChangedAfterSave = true; }, false},
      {"a held log byte", [](TProbeRecord& r) { r.LogBuffer[2] = 254; }, false},
      {"the probe's clock at the status read", [](TProbeRecord& r) { r.CurrentClock += 1; }, true},
      {"DownloadTime within its second", [](TProbeRecord& r) { r.DownloadTime -= 0.6 * kSecond; },
       true},
      {"a log byte beyond the held ones", [](TProbeRecord& r) { r.LogBuffer[3] = 1; }, true},
      {"decoded samples", [](TProbeRecord& r) { r.Samples[0].Temperature = 99; }, true},
  };
  const std::string base = ContentHash(*SmallRecord());
  for (const Case& c : cases) {
    auto record = SmallRecord();
    c.change(*record);
    EXPECT_EQ(ContentHash(*record) == base, c.same) << c.what;
  }
}

// A download saved to a record file and imported later is the same entry. The file keeps every
// field of the canonical form, times to the second; this download's time is 700 ms past its
// second, and the probe's clock (which the file does not keep) was read.
TEST(ContentHash, RecordFileKeepsTheHash) {
  auto download = MakeRecord(0x28A1, "Fridge 2", 1'655'000'000, 9000, 1'660'000'000, 3);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("d.omx"));
  std::string error;
  ASSERT_TRUE(SaveToFile(*download, path, &error)) << error;
  auto imported = std::make_unique<TProbeRecord>();
  ASSERT_TRUE(LoadFromFile(*imported, path, &error)) << error;
  ASSERT_NE(imported->DownloadTime, download->DownloadTime);
  EXPECT_EQ(CanonicalRecord(*imported), CanonicalRecord(*download));
}

}  // namespace
}  // namespace ombrix::testing
