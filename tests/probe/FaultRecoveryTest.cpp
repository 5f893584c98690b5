// The probe layer against the faults of a real link: it either recovers and returns what the probe
// holds, or fails with a code; it never returns other data, nor reports done what was not.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "ProbeRig.h"

namespace ombrix::testing {
namespace {

class FaultRecoveryTest : public ::testing::Test, public ProbeRig {
 protected:
  void RunMission(int samples) {
    VirtualProbe::Mission mission;
    mission.rate = 2;
    probe->Stop(Now());
    probe->Clear(mission.rate, false, Now());
    GiveReadyMission(*probe, bus, static_cast<std::int64_t>(samples) * mission.rate * 60, mission);
    probe->Stop(Now());
    ASSERT_TRUE(live->DetectProbe());
  }
  bool LogMatchesProbe() const {
    return std::equal(downloaded->LogBuffer.begin(),
                      downloaded->LogBuffer.begin() + downloaded->ReadSamples,
                      probe->Memory().begin());
  }
};

TEST_F(FaultRecoveryTest, DownloadsUnderTheFaultsOfARealLink) {
  using Plan = std::function<void(FaultPlan&)>;
  const struct {
    const char* what;
    Plan plan;
    bool recovers;  // five attempts per step must ride it out
  } cases[] = {
      {"a reply after the read time-out, once",
       [](FaultPlan& f) { f.At(30, Fault::LateReply(700)); }, true},
      {"a reply so late that it lands after the next purge, three times",
       [](FaultPlan& f) { f.At(30, Fault::LateReply(1800), 3); }, true},
      {"every reply late, but within the time-out",
       [](FaultPlan& f) { f.At(1, Fault::LateReply(400), FaultPlan::kForever); }, true},
      {"late replies at random", [](FaultPlan& f) { f.Randomly(Fault::LateReply(900), 0.05, 7); },
       false},
      {"requests cut short, the controller still inside the frame",
       [](FaultPlan& f) {
         f.At(1, Fault::KeepFrame(), FaultPlan::kForever);
         for (int at : {20, 45, 46, 90}) f.At(at, Fault::CutRequest(3));
       },
       true},
      {"request bytes lost at random, the controller keeping its state",
       [](FaultPlan& f) {
         f.At(1, Fault::KeepFrame(), FaultPlan::kForever);
         f.Randomly(Fault::LostBytes(5, 4), 0.05, 11);
       },
       false},
      {"every command slow", [](FaultPlan& f) { f.At(1, Fault::SlowCommand(700), 40); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RunMission(640);
    FaultPlan& faults = adapter.Faults();
    c.plan(faults);
    const bool complete = Download();
    EXPECT_GT(faults.Struck(), 0);
    faults.Clear();
    if (c.recovers) {
      EXPECT_TRUE(complete) << "code " << live->LastError;
    }
    if (complete) {
      EXPECT_EQ(downloaded->ReadSamples, 640);
      EXPECT_TRUE(LogMatchesProbe());
    } else {
      EXPECT_EQ(downloaded, nullptr);
      EXPECT_NE(live->LastError, 0);
      EXPECT_NE(live->LastError, 8);
    }
    // Whatever the link left behind, the next detection and download work.
    clock.Advance(5000);
    if (!live->DetectProbe()) {
      ASSERT_TRUE(live->DetectProbe()) << "code " << live->LastError;
    }
    ASSERT_TRUE(Download()) << "code " << live->LastError;
    EXPECT_TRUE(LogMatchesProbe());
  }
}

// Clear, launch and switch-off take time on the probe. Within the time the probe layer polls
// for, they succeed; past it they fail with a code, although the probe goes on to do them.
TEST_F(FaultRecoveryTest, CommandsThatTakeTimeOnTheProbe) {
  const struct {
    const char* what;
    std::function<void()> prepare;
    std::function<bool()> run;
    std::function<bool()> done;  // the virtual probe is in the state the operation leads to
  } operations[] = {
      {"clear", [&] { RunMission(50); }, [&] { return live->ClearProbe(); },
       [&] { return (probe->StatusByte() & VirtualProbe::kMemoryClear) != 0; }},
      {"launch",
       [&] {
         probe->Stop(Now());
         probe->Clear(10, false, Now());
         ASSERT_TRUE(live->ReadStatus(false));
         live->SampleRate = 5;
         live->StartTime = TProbe::ProbeSecondsToDateTime(ProbeClock() + 120);
       },
       [&] { return live->LaunchMission(false); },
       [&] { return (probe->StatusByte() & VirtualProbe::kMissionInProgress) != 0; }},
      {"switch-off",
       [&] {
         // A clear probe that is switched on: a mission begun and ended switches it on.
         probe->Stop(Now());
         probe->Clear(10, false, Now());
         probe->Launch({.rate = 1}, Now());
         probe->Stop(Now());
         probe->Clear(10, false, Now());
         ASSERT_TRUE(live->ReadStatus(false));
         ASSERT_FALSE(live->ProbeOff);
       },
       [&] { return live->SwitchOff(); },
       [&] { return (probe->StatusByte() & VirtualProbe::kSwitchedOff) != 0; }},
  };
  for (const auto& op : operations) {
    for (int delayMs : {60, 1500, 4000}) {
      SCOPED_TRACE(::testing::Message() << op.what << ", " << delayMs << " ms");
      op.prepare();
      adapter.Faults().At(1, Fault::SlowCommand(delayMs, probe_command::kControl));
      const std::int64_t start = Now();
      const bool ok = op.run();
      EXPECT_TRUE(adapter.Faults().Empty()) << "the control command was slow";
      if (delayMs < 3000) {
        EXPECT_TRUE(ok) << "code " << live->LastError;
        EXPECT_GE(Now() - start, delayMs);
      } else {
        EXPECT_FALSE(ok);
        EXPECT_EQ(live->LastError, peDataError);
        EXPECT_LT(Now() - start, delayMs) << "it gave up before the command finished";
      }
      EXPECT_TRUE(op.done()) << "the probe took the command either way";
      clock.Advance(delayMs);
      adapter.Settle(Now());
      if (!live->Adapter->IsOpen()) {
        ASSERT_TRUE(live->DetectProbe());
      }
    }
  }
}

TEST_F(FaultRecoveryTest, AnAdapterThatDropsOutFailsTheDownloadAndWorksWhenBack) {
  RunMission(400);
  ASSERT_TRUE(live->BeginReadData());
  adapter.Faults().At(40, Fault::DropOut(3000));
  while (live->ReadDataBlock()) {
  }
  // The failed write closes the link; the block's later attempts find it closed.
  EXPECT_EQ(live->LastError, peLinkClosed);
  EXPECT_LT(live->ReadPosition, live->ReadSamples);
  EXPECT_EQ(live->TakeDownload(), nullptr);
  EXPECT_FALSE(live->Adapter->IsOpen());

  EXPECT_FALSE(live->DetectProbe());
  EXPECT_EQ(live->LastError, peNoAdapter) << "gone from the list";
  clock.Advance(3000);
  ASSERT_TRUE(live->DetectProbe()) << "code " << live->LastError;
  ASSERT_TRUE(Download()) << "code " << live->LastError;
  EXPECT_EQ(downloaded->ReadSamples, 400);
  EXPECT_TRUE(LogMatchesProbe());
}

}  // namespace
}  // namespace ombrix::testing
