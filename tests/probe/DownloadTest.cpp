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
    ASSERT_TRUE(record->DetectProbe());
  }

  bool LogMatchesProbe() const {
    return std::equal(record->LogBuffer.begin(), record->LogBuffer.begin() + record->ReadSamples,
                      probe->Memory().begin());
  }
};

TEST_F(DownloadTest, WholeRolloverLogInFiveHundredBlocks) {
  VirtualProbe::Mission mission;
  mission.rate = 1;
  mission.rollover = true;
  RunMission(mission, 8005);
  ASSERT_TRUE(record->ReadStatus(false));
  ASSERT_EQ(record->MissionSamples, 8005);
  ASSERT_TRUE(record->RolloverOccured);

  ASSERT_TRUE(record->BeginReadData());
  EXPECT_EQ(record->ReadSamples, 8000);
  int blocks = 0;
  int lastProgress = -1;
  bool more = true;
  while (more) {
    more = record->ReadDataBlock();
    ++blocks;
    EXPECT_GE(record->ReadProgress(), lastProgress);
    lastProgress = record->ReadProgress();
    if (more) {
      EXPECT_EQ(record->LastError, 8);
    }
  }
  EXPECT_EQ(record->LastError, 0);
  EXPECT_EQ(blocks, 500);
  EXPECT_EQ(lastProgress, 100);
  EXPECT_TRUE(LogMatchesProbe());

  record->DecodeLog();
  const auto& memory = probe->Memory();
  EXPECT_FLOAT_EQ(record->GetSample(0).Temperature, memory[5] * 0.5f - 40);
  EXPECT_FLOAT_EQ(record->GetSample(7999).Temperature, memory[4] * 0.5f - 40);
  EXPECT_EQ(TProbe::DateTimeToProbeSeconds(record->GetSample(7999).Time),
            probe->FirstSampleTime() + 8004 * 60);
}

TEST_F(DownloadTest, DemoMissionDownloadsWithTheStatusItDescribes) {
  VirtualProbe::Mission mission;
  RunMission(mission, 3024);
  ASSERT_TRUE(Download());
  EXPECT_EQ(record->ReadSamples, 3024);
  EXPECT_TRUE(LogMatchesProbe());
  EXPECT_EQ(TProbe::DateTimeToProbeSeconds(record->StartTime), probe->FirstSampleTime());
  int counted = 0;
  for (int j = 0; j < TProbe::kHistogramBins; ++j) counted += record->GetHistogramBin(j).Count;
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
      record->ReadSamples = 0;
      record->LogBuffer.fill(0xEE);
      if (Download()) {
        ++complete;
        EXPECT_EQ(record->ReadSamples, 640) << "seed " << seed;
        EXPECT_TRUE(LogMatchesProbe()) << "seed " << seed;
      } else {
        ++failed;
        EXPECT_NE(record->LastError, 0) << "seed " << seed;
        EXPECT_NE(record->LastError, 8) << "seed " << seed;
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

TEST_F(DownloadTest, AdapterUnpluggedMidDownloadFailsWithACode) {
  VirtualProbe::Mission mission;
  RunMission(mission, 400);
  ASSERT_TRUE(record->BeginReadData());
  adapter.Faults().UnplugAfter(40);
  bool more = true;
  while (more) more = record->ReadDataBlock();
  EXPECT_NE(record->LastError, 0);
  EXPECT_LT(record->ReadPosition, record->ReadSamples);
  EXPECT_FALSE(record->DetectProbe());
  EXPECT_EQ(record->LastError, 1) << "the adapter is gone from the list";
}

}  // namespace
}  // namespace ombrix::testing
