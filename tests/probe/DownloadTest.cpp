#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "ProbeRig.h"

namespace ombrix::testing {
namespace {

class DownloadTest : public ::testing::Test, public ProbeRig {
 protected:
  // A mission that has been running long enough to take `samples` samples.
  void RunMission(const VirtualProbe::Mission& mission, int samples) {
    probe->Stop(Now());
    probe->Clear(mission.rate, mission.rollover, Now());
    GiveReadyMission(*probe, bus, static_cast<std::int64_t>(samples) * mission.rate * 60, mission);
    ASSERT_TRUE(live->DetectProbe());
  }

  bool LogMatchesProbe() const {
    return std::equal(downloaded->LogBuffer.begin(),
                      downloaded->LogBuffer.begin() + downloaded->ReadSamples,
                      probe->Memory().begin());
  }
};

TEST_F(DownloadTest, WholeRolloverLogInFiveHundredBlocks) {
  VirtualProbe::Mission mission;
  mission.rate = 1;
  mission.rollover = true;
  RunMission(mission, 8005);
  ASSERT_TRUE(live->ReadStatus(false));
  ASSERT_EQ(live->MissionSamples, 8005);
  ASSERT_TRUE(live->RolloverOccured);

  ASSERT_TRUE(live->BeginReadData());
  EXPECT_EQ(live->ReadSamples, 8000);
  int blocks = 0;
  int lastProgress = -1;
  bool more = true;
  while (more) {
    more = live->ReadDataBlock();
    ++blocks;
    EXPECT_GE(live->ReadProgress(), lastProgress);
    lastProgress = live->ReadProgress();
    if (more) {
      EXPECT_EQ(live->LastError, 8);
    }
  }
  EXPECT_EQ(live->LastError, 0);
  EXPECT_EQ(blocks, 500);
  EXPECT_EQ(lastProgress, 100);
  downloaded = live->TakeDownload();
  ASSERT_TRUE(downloaded);
  EXPECT_TRUE(LogMatchesProbe());

  const auto& memory = probe->Memory();
  EXPECT_FLOAT_EQ(downloaded->GetSample(0).Temperature, memory[5] * 0.5f - 40);
  EXPECT_FLOAT_EQ(downloaded->GetSample(7999).Temperature, memory[4] * 0.5f - 40);
  EXPECT_EQ(TProbe::DateTimeToProbeSeconds(downloaded->GetSample(7999).Time),
            probe->FirstSampleTime() + 8004 * 60);
}

TEST_F(DownloadTest, DemoMissionDownloadsWithTheStatusItDescribes) {
  VirtualProbe::Mission mission;
  RunMission(mission, 3024);
  ASSERT_TRUE(Download());
  EXPECT_EQ(live->ReadSamples, 3024);
  EXPECT_TRUE(LogMatchesProbe());
  EXPECT_EQ(downloaded->StartSeconds, probe->FirstSampleTime());
  int counted = 0;
  for (int j = 0; j < TProbe::kHistogramBins; ++j) counted += downloaded->GetHistogramBin(j).Count;
  EXPECT_EQ(counted, 3024) << "fridge temperatures all fall into bins";
}

// With faults struck at random, a download either returns exactly the probe's log or fails with
// a code; it never hands back different data as if it were good.
TEST_F(DownloadTest, RandomFaultsNeverYieldSilentlyWrongData) {
  for (double rate : {0.01, 0.12}) {
    int complete = 0, failed = 0;
    for (std::uint64_t seed = 1; seed <= 6; ++seed) {
      VirtualProbe::Mission mission;
      mission.rate = 2;
      RunMission(mission, 640);
      FaultPlan& faults = adapter.Faults();
      faults.Clear();
      faults.Randomly(Fault::WrongByte(3), rate, seed);  // the data byte of a ReadData group
      faults.Randomly(Fault::WrongByte(9), rate, seed + 100);
      faults.Randomly(Fault::BadChecksum(), rate, seed + 200);
      faults.Randomly(Fault::ShortReply(2), rate / 2, seed + 300);
      faults.Randomly(Fault::NoAnswer(), rate / 2, seed + 400);
      faults.Randomly(Fault::WrongFirstByte(), rate / 2, seed + 500);
      if (Download()) {
        ++complete;
        // The retries' pauses let the mission go on: a sample taken meanwhile is read too.
        EXPECT_GE(downloaded->ReadSamples, 640) << "seed " << seed;
        EXPECT_EQ(downloaded->ReadSamples, static_cast<int>(probe->MissionSamples()));
        EXPECT_TRUE(LogMatchesProbe()) << "seed " << seed;
      } else {
        ++failed;
        EXPECT_EQ(downloaded, nullptr) << "seed " << seed << ": a failed read gives no record";
        EXPECT_NE(live->LastError, 0) << "seed " << seed;
        EXPECT_NE(live->LastError, 8) << "seed " << seed;
      }
      EXPECT_GT(faults.Struck(), 0) << "seed " << seed;
      faults.Clear();
    }
    std::printf("fault rate %.2f: %d downloads complete and equal, %d failed with a code\n", rate,
                complete, failed);
    if (rate < 0.05) {
      EXPECT_EQ(complete, 6) << "five attempts per step ride out 1 % faults";
    } else {
      EXPECT_GT(failed, 0) << "heavy faults must show as failures";
    }
  }
}

// A repeat download of a running mission reads only the blocks written since the earlier one, and
// gives the record a whole download gives.
TEST_F(DownloadTest, RepeatDownloadReadsOnlyWhatIsNewAndEqualsAWholeOne) {
  const struct {
    const char* what;
    int before;  // samples when the earlier download was made
    int added;   // samples taken since
    bool rollover;
    bool incremental;
    bool faults = false;
    bool tamper = false;  // the earlier download does not hold what the probe holds
  } cases[] = {
      {"nothing new", 100, 0, false, true},
      {"one new sample", 100, 1, false, true},
      {"fifteen", 100, 15, false, true},
      {"sixteen from a block boundary", 96, 16, false, true},
      {"seventeen", 100, 17, false, true},
      {"a thousand", 3000, 1000, false, true},
      {"all but the first", 1, 7999, false, true},
      {"the ring wraps since", 7990, 100, true, true},
      {"the ring had wrapped before", 8100, 1000, true, true},
      {"the ring wrapped past what is held", 3000, 8000, true, false},
      {"the probe holds other data", 500, 20, false, false, false, true},
      {"link faults on the way", 2000, 300, true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    VirtualProbe::Mission mission;
    mission.rate = 1;
    mission.rollover = c.rollover;
    RunMission(mission, c.before);
    ASSERT_TRUE(Download());
    ASSERT_EQ(downloaded->MissionSamples, c.before);
    std::unique_ptr<const TProbeRecord> earlier = std::move(downloaded);
    if (c.tamper) {
      std::unique_ptr<TProbeRecord> changed = std::make_unique<TProbeRecord>(*earlier);
      changed->LogBuffer[c.before - 1] ^= 1;
      earlier = std::move(changed);
    }
    clock.Advance(std::int64_t{c.added} * 60'000);

    if (c.faults) {
      // Retries take link time; the mission ends here so that both downloads see the same log.
      probe->Stop(Now());
      adapter.Faults().Randomly(Fault::LostBytes(5, 4), 0.03, 5);
    }
    int asked = 0;
    const auto source = [&](const TProbeStatus& status) {
      ++asked;
      EXPECT_EQ(status.MissionSamples, c.before + c.added);
      return std::make_unique<TProbeRecord>(*earlier);
    };
    ASSERT_TRUE(live->BeginReadData(source));
    EXPECT_EQ(asked, 1);
    while (live->ReadDataBlock()) {
    }
    std::unique_ptr<TProbeRecord> repeat = live->TakeDownload();
    if (c.faults) {
      EXPECT_GT(adapter.Faults().Struck(), 0);
      adapter.Faults().Clear();
    }
    ASSERT_TRUE(repeat) << "code " << live->LastError;
    EXPECT_EQ(live->IncrementalDownload(), c.incremental);
    const int blocks = live->DownloadBlocksRead();
    if (c.incremental) {
      // The new blocks, and at most three held ones compared: the oldest the probe still holds,
      // the last and the one before it.
      EXPECT_LE(blocks, (c.added + 15) / 16 + 3);
    }

    ASSERT_TRUE(Download());
    EXPECT_EQ(live->DownloadBlocksRead(), (downloaded->ReadSamples + 15) / 16);
    // The status is read again by the whole download: only the clock has moved on.
    repeat->CurrentClock = downloaded->CurrentClock;
    repeat->DownloadTime = downloaded->DownloadTime;
    EXPECT_EQ(repeat->LogBuffer, downloaded->LogBuffer);
    EXPECT_TRUE(LogMatchesProbe());
    for (int i = 0; i < TProbeRecord::kLogSize; ++i) {
      ASSERT_EQ(repeat->GetSample(i).Time, downloaded->GetSample(i).Time) << i;
      ASSERT_EQ(repeat->GetSample(i).Temperature, downloaded->GetSample(i).Temperature) << i;
    }
    const TProbeStatus& a = *repeat;
    const TProbeStatus& b = *downloaded;
    EXPECT_TRUE(a.SerialNumber == b.SerialNumber && a.Name == b.Name && a.Comment == b.Comment &&
                a.MemoryClear == b.MemoryClear && a.MissionInProgress == b.MissionInProgress &&
                a.SampleRate == b.SampleRate && a.RolloverEnable == b.RolloverEnable &&
                a.StartTime == b.StartTime && a.MissionStart == b.MissionStart &&
                a.MissionSamples == b.MissionSamples && a.ReadSamples == b.ReadSamples &&
                a.RolloverOccured == b.RolloverOccured && a.SamplesTotal == b.SamplesTotal &&
                a.Test == b.Test && a.StartSeconds == b.StartSeconds &&
                a.MissionStartSeconds == b.MissionStartSeconds);
  }
}

TEST_F(DownloadTest, AdapterUnpluggedMidDownloadFailsWithACode) {
  VirtualProbe::Mission mission;
  RunMission(mission, 400);
  ASSERT_TRUE(live->BeginReadData());
  adapter.Faults().UnplugAfter(40);
  bool more = true;
  while (more) more = live->ReadDataBlock();
  EXPECT_NE(live->LastError, 0);
  EXPECT_LT(live->ReadPosition, live->ReadSamples);
  EXPECT_FALSE(live->DetectProbe());
  EXPECT_EQ(live->LastError, 1) << "the adapter is gone from the list";
}

}  // namespace
}  // namespace ombrix::testing
