#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "Archive.h"
#include "DownloadSession.h"
#include "probe/ProbeRig.h"

namespace ombrix::testing {
namespace {

constexpr std::int64_t kMinute = 60'000;

// Each minute's sample has a value of its own, so that a sample under another's time shows.
double MinuteTemperature(std::int64_t probeSeconds) {
  return static_cast<double>((probeSeconds / 60) % 97) * 0.5 - 20.0;
}

ArchiveLocation SqliteIn(const QTemporaryDir& dir) {
  ArchiveLocation location;
  location.path = dir.filePath("archive.sqlite").toStdString();
  return location;
}

// A probe on a rolled-over mission at one sample a minute, an archive for its downloads, and the
// link at the real adapter's pace (on the virtual clock), so that the probe records while its log
// is read.
struct SessionRig : ProbeRig {
  QTemporaryDir dir;
  TArchive archive{SqliteIn(dir)};

  SessionRig() {
    probe->SetTemperatureSource(std::make_shared<FunctionTemperature>(MinuteTemperature));
    GiveReadyMission(*probe, bus, 9000 * 60, {.rate = 1, .rollover = true});
    bus.SetTiming(LinkTiming::Hardware());
  }

  // A session on this rig's archive; incremental=false reads the whole log.
  std::unique_ptr<DownloadSession> Session(bool incremental = true) {
    DownloadSetup setup;
    setup.archive = &archive;
    setup.incremental = incremental;
    setup.adapterText = "Ombrix adapter (USB serial OMX1)";
    return std::make_unique<DownloadSession>(*live, setup);
  }
  bool DetectAndRun(DownloadSession& session) {
    return live->DetectProbe() && session.Run();
  }
  // Downloads and stores the download; false when either fails.
  bool StoreDownload() {
    auto session = Session();
    StoreResult stored;
    std::string error;
    return DetectAndRun(*session) && session->Store(stored, error);
  }
  int Entries() {
    std::vector<ArchiveEntry> entries;
    std::string error;
    EXPECT_TRUE(archive.List({}, entries, error)) << error;
    return static_cast<int>(entries.size());
  }
  // Moves the clock to `milliseconds` before the probe's next sample (its clock runs at UTC).
  void BeforeNextSample(std::int64_t milliseconds) {
    const std::int64_t next =
        (probe->FirstSampleTime() + static_cast<std::int64_t>(probe->MissionSamples()) * 60) *
        1000;
    clock.Advance(next - Now() - milliseconds);
  }
};

// Every sample of the record is the value the probe recorded for that sample number.
void ExpectEverySampleItsOwn(const TProbeRecord& record, std::int64_t firstSample) {
  const std::int64_t held = record.HeldSamples();
  const std::int64_t first = record.MissionSamples - held;
  int wrong = 0;
  for (std::int64_t k = first; k < record.MissionSamples; ++k) {
    const std::uint8_t expected = EncodeTemperature(MinuteTemperature(firstSample + k * 60));
    if (record.LogBuffer[static_cast<std::size_t>(k % TProbeRecord::kLogSize)] != expected) {
      ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0) << "samples under another sample's number";
}

// The repeat download of a mission at one sample a minute: what it may build on, and that it
// stays one snapshot while the probe writes into the block the check compares.
TEST(DownloadSession, RepeatDownloadBuildsOnlyOnTheProbesOwnUnchangedDownloads) {
  struct Case {
    const char* what;
    bool importedBase;            // the earlier record came in as an import, not a download
    int probeAddressChanged;      // -1, or: the probe's byte there differs from the earlier read
    bool incremental;             // expected
  };
  // probeAddressChanged 0: the oldest sample the probe holds; 1: a byte in the block before the
  // earlier download's last block.
  const Case cases[] = {
      {"own download", false, -1, true},
      {"edited file imported", true, -1, false},
      {"oldest block changed in the probe", false, 0, false},
      {"block before the last changed in the probe", false, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SessionRig rig;
    rig.bus.SetTiming(LinkTiming::Instant());
    ASSERT_TRUE(rig.live->DetectProbe());
    std::uint32_t before = 0;
    if (c.importedBase) {
      // The probe's own log with forty samples made warmer, imported from a file.
      ASSERT_TRUE(rig.live->BeginReadData());
      while (rig.live->ReadDataBlock()) {
      }
      auto edited = rig.live->TakeDownload();
      ASSERT_NE(edited, nullptr);
      for (int i = 100; i < 140; ++i) edited->LogBuffer[i] = 160;
      edited->DecodeLog();
      StoreResult stored;
      std::string error;
      ASSERT_TRUE(rig.archive.Store(*edited, CurrentProvenance("", "import copy.omx", "2.10"),
                                    stored, error))
          << error;
    } else {
      ASSERT_TRUE(rig.StoreDownload());
    }
    before = rig.probe->MissionSamples();
    rig.clock.Advance(1000 * kMinute);
    rig.probe->CatchUp(rig.Now());
    const std::uint32_t now = rig.probe->MissionSamples();
    if (c.probeAddressChanged >= 0) {
      const int address = c.probeAddressChanged == 0
                              ? static_cast<int>(now % 8000)
                              : static_cast<int>((before - 1) % 8000) / 16 * 16 - 10;
      rig.probe->WriteMemory(address, rig.probe->Memory()[address] ^ 0x0F);
    }
    auto session = rig.Session();
    ASSERT_TRUE(rig.DetectAndRun(*session));
    EXPECT_EQ(session->Incremental(), c.incremental);
    const TProbeRecord& record = *session->Record();
    // What the probe holds is what the record holds, byte for byte.
    int differ = 0;
    for (int a = 0; a < TProbeRecord::kLogSize; ++a) {
      differ += record.LogBuffer[a] != rig.probe->Memory()[a];
    }
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(record.MissionSamples, static_cast<std::int32_t>(rig.probe->MissionSamples()));
  }
}

TEST(DownloadSession, ASampleWrittenDuringTheReadIsReadUnderItsOwnNumber) {
  for (bool incremental : {false, true}) {
    SCOPED_TRACE(incremental ? "repeat download" : "whole download");
    SessionRig rig;
    ASSERT_TRUE(rig.StoreDownload());
    rig.clock.Advance(1000 * kMinute);
    rig.probe->CatchUp(rig.Now());
    const std::int64_t samplesBefore = rig.probe->MissionSamples();
    // The probe writes its next sample into the oldest block just as the download begins.
    rig.BeforeNextSample(300);
    auto session = rig.Session(incremental);
    ASSERT_TRUE(rig.DetectAndRun(*session)) << session->Error();
    EXPECT_EQ(session->Incremental(), incremental);
    const TProbeRecord& record = *session->Record();
    EXPECT_GT(record.MissionSamples, samplesBefore);
    ExpectEverySampleItsOwn(record, rig.probe->FirstSampleTime());
    // The record ends with its latest sample: it ends later.
    EXPECT_EQ(record.GetSample(record.HeldSamples() - 1).Time,
              ProbeSecondsToDateTime(rig.probe->FirstSampleTime() +
                                     (record.MissionSamples - 1) * 60));
  }
}

// Another probe put on the adapter in the middle of a download: nothing of it is kept.
TEST(DownloadSession, AProbeSwappedDuringTheDownloadFailsIt) {
  struct Case {
    const char* what;
    int gap;  // exchanges without a probe before the other is put on
  } cases[] = {{"taken off, the other put on later", 6}, {"the other at once", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SessionRig rig;
    rig.bus.SetTiming(LinkTiming::Instant());
    auto other = MakeProbe(rig.bus, 78, 4, "Fridge 3", "Ward C");
    GiveReadyMission(*other, rig.bus, 9000 * 60, {.rate = 1, .rollover = true});
    auto session = rig.Session();
    ASSERT_TRUE(rig.live->DetectProbe());
    ASSERT_TRUE(session->Begin());
    int exchanges = 0;
    rig.live->Adapter->AfterExchange = [&] {
      ++exchanges;
      if (exchanges == 800) rig.adapter.DetachProbe();
      if (exchanges == 800 + c.gap) rig.adapter.AttachProbe(other);
    };
    while (session->Step()) {
    }
    EXPECT_EQ(session->GetState(), DownloadSession::State::kFailed);
    EXPECT_EQ(session->Error(), peProbeChanged);
    EXPECT_EQ(session->Record(), nullptr);
    EXPECT_EQ(rig.Entries(), 0);
  }
}

}  // namespace
}  // namespace ombrix::testing
