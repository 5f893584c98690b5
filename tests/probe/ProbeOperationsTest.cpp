#include <gtest/gtest.h>

#include <chrono>

#include "ConsistencyError.h"
#include "ProbeRig.h"

namespace ombrix::testing {
namespace {

constexpr double kSecond = 1.0 / 86400;

class OperationsTest : public ::testing::Test, public ProbeRig {
 protected:
  void SetUp() override {
    ASSERT_TRUE(record->DetectProbe());
    ASSERT_TRUE(record->ReadStatus(true));
  }

  // Puts the virtual probe back to clear memory, as if it had been stopped and cleared.
  void MakeClear() {
    probe->Stop(Now());
    probe->Clear(10, false, Now());
    ASSERT_TRUE(record->ReadStatus(false));
    ASSERT_TRUE(record->MemoryClear);
  }
};

TEST_F(OperationsTest, DetectsAdapterAndProbeAndReadsTheStatus) {
  EXPECT_EQ(record->AdapterVersionText(), "Ombrix adapter 2.1");
  EXPECT_EQ(record->AdapterSerialNumber(), kSerial);
  EXPECT_EQ(record->SerialNumber, probe->SerialNumber());
  EXPECT_EQ(record->Name, "Fridge 2");
  EXPECT_EQ(record->Comment, "Ward B vaccines");
  EXPECT_TRUE(record->MemoryClear);
  EXPECT_EQ(record->StartTime, EncodeDateTime(2021, 6, 15, 12, 1, 0))
      << "a clear probe proposes the next whole minute of the PC clock";
  EXPECT_EQ(record->LastError, 0);
}

TEST_F(OperationsTest, NoAdapterTwoAdaptersAndNoProbe) {
  auto fresh = std::make_unique<TProbe>();
  fresh->SetAdapterName("Missing adapter");
  EXPECT_FALSE(fresh->DetectProbe());
  EXPECT_EQ(fresh->LastError, 1);

  bus.AddAdapter("Ombrix adapter", "OMX2");
  fresh = std::make_unique<TProbe>();
  EXPECT_FALSE(fresh->DetectProbe());
  EXPECT_EQ(fresh->LastError, 2);

  adapter.DetachProbe();
  EXPECT_FALSE(record->DetectProbe());
  EXPECT_EQ(record->LastError, 4);
  EXPECT_TRUE(record->Adapter->IsOpen()) << "an adapter without a probe stays open";
}

TEST_F(OperationsTest, FailingControlExchangeClosesTheLink) {
  adapter.Faults().At(1, Fault::WrongByte(1));  // the ControlStart of the next detection
  EXPECT_FALSE(record->DetectProbe());
  EXPECT_EQ(record->LastError, 3);
  EXPECT_FALSE(record->Adapter->IsOpen());
  EXPECT_TRUE(record->DetectProbe()) << "the next detection opens the link again";
}

TEST_F(OperationsTest, PresenceIsFoundAfterAResetWhenTheFirstRoundMisses) {
  adapter.Faults().At(1, Fault::PresenceDropout(3), 5);  // five failed tests in the first round
  EXPECT_TRUE(record->DetectProbe());
  EXPECT_EQ(record->LastError, 0);
}

TEST_F(OperationsTest, NameAndCommentAreReadAgainOnlyForAnotherProbe) {
  probe->SetName("Renamed behind our back");
  ASSERT_TRUE(record->ReadStatus(false));
  EXPECT_EQ(record->Name, "Fridge 2");

  auto other = MakeProbe(bus, 78, 4, "Freezer 1", "Plasma");
  adapter.DetachProbe();
  adapter.AttachProbe(other);
  ASSERT_TRUE(record->ReadStatus(false));
  EXPECT_EQ(record->Name, "Freezer 1");
  EXPECT_EQ(record->Comment, "Plasma");
  ASSERT_TRUE(record->ReadStatus(true));
  EXPECT_EQ(record->Name, "Freezer 1");
}

TEST_F(OperationsTest, LaunchBoundariesAgainstTheProbeClock) {
  struct Case {
    std::int64_t ahead;  // first sample time minus probe clock, seconds
    int error;
    int minutes, seconds;
  };
  const Case cases[] = {{0, 9, 0, 0},
                        {1, 0, 0, 0},
                        {30, 0, 0, 29},
                        {251 * 60, 0, 250, 59},
                        {251 * 60 + 1, 10, 0, 0},
                        {86400 + 600, 10, 0, 0},
                        {-60, 9, 0, 0}};
  for (const Case& c : cases) {
    MakeClear();
    const std::uint64_t commandsBefore = Stats().commands;
    record->SampleRate = 15;
    record->RolloverEnable = true;
    record->StartTime = TProbe::ProbeSecondsToDateTime(ProbeClock() + c.ahead);
    const TDateTime wanted = record->StartTime;
    const bool launched = record->LaunchMission(false);
    EXPECT_EQ(record->LastError, c.error) << c.ahead;
    EXPECT_EQ(launched, c.error == 0) << c.ahead;
    if (!launched) {
      // Only the serial-number pointer of the status read reached the probe.
      EXPECT_EQ(Stats().commands, commandsBefore + 1)
          << c.ahead << ": a refused launch sends nothing";
      continue;
    }
    EXPECT_EQ(record->StartDelayMinutes, c.minutes) << c.ahead;
    EXPECT_EQ(record->StartDelaySeconds, c.seconds) << c.ahead;
    EXPECT_TRUE(record->MissionInProgress);
    EXPECT_TRUE(record->RolloverEnable);
    EXPECT_EQ(record->SampleRate, 15);
    EXPECT_EQ(record->StartTime, wanted)
        << c.ahead << ": the probe's own account of the first sample";
    EXPECT_EQ(probe->FirstSampleTime(), TProbe::DateTimeToProbeSeconds(wanted));
  }
}

TEST_F(OperationsTest, LaunchAcrossTheSummerTimeChangeWaitsTheRealDelay) {
  clock.SetUtcMilliseconds(LocalTimeToSeconds(2021, 3, 28, 1, 50, 0) * 1000);
  probe->SetClock(static_cast<std::uint32_t>(clock.UtcMilliseconds() / 1000), Now());
  MakeClear();
  record->SampleRate = 1;
  record->StartTime = EncodeDateTime(2021, 3, 28, 3, 5, 0);  // 15 real minutes later
  ASSERT_TRUE(record->LaunchMission(false));
  EXPECT_EQ(record->StartDelayMinutes, 14);
  EXPECT_EQ(record->StartDelaySeconds, 59);
  EXPECT_EQ(record->StartTime, EncodeDateTime(2021, 3, 28, 3, 5, 0));
}

TEST_F(OperationsTest, TestModeCountsSecondsAndSamplesArrive) {
  MakeClear();
  record->SampleRate = 10;
  record->StartTime = TProbe::ProbeSecondsToDateTime(ProbeClock() + 5);
  ASSERT_TRUE(record->LaunchMission(true));
  EXPECT_TRUE(record->Test);
  clock.Advance(5'000 + 10'000 * 9);
  ASSERT_TRUE(record->ReadStatus(false));
  EXPECT_EQ(record->MissionSamples, 10);
  ASSERT_TRUE(Download());
  EXPECT_EQ(record->ReadSamples, 10);
  EXPECT_EQ(TProbe::DateTimeToProbeSeconds(record->GetSample(9).Time) -
                TProbe::DateTimeToProbeSeconds(record->GetSample(0).Time),
            90);
}

TEST_F(OperationsTest, PreconditionsRefuseWithoutSendingACommand) {
  EXPECT_FALSE(record->StopMission());  // clear probe
  EXPECT_EQ(record->LastError, 6);
  EXPECT_FALSE(record->ClearProbe());
  EXPECT_EQ(record->LastError, 6);
  EXPECT_FALSE(record->BeginReadData());
  EXPECT_EQ(record->LastError, 6);

  record->StartTime = TProbe::ProbeSecondsToDateTime(ProbeClock() + 60);
  ASSERT_TRUE(record->LaunchMission(false));
  const std::uint8_t status = probe->StatusByte();
  // Each refusal costs its status read, whose serial-number read sets the memory pointer once;
  // no control command follows.
  const std::uint64_t commands = Stats().commands;
  EXPECT_FALSE(record->ClearProbe());
  EXPECT_EQ(record->LastError, 6);
  EXPECT_FALSE(record->SwitchOff());
  EXPECT_EQ(record->LastError, 6);
  record->StartTime = TProbe::ProbeSecondsToDateTime(ProbeClock() + 60);
  EXPECT_FALSE(record->LaunchMission(false));
  EXPECT_EQ(record->LastError, 6);
  EXPECT_EQ(Stats().commands, commands + 3);
  EXPECT_EQ(probe->StatusByte(), status);
  EXPECT_FALSE(record->BeginReadData()) << "no sample taken yet";
  EXPECT_EQ(record->LastError, 6);
}

TEST_F(OperationsTest, StopClearAndSwitchOffMoveTheProbeThroughItsStates) {
  record->SampleRate = 1;
  record->StartTime = TProbe::ProbeSecondsToDateTime(ProbeClock() + 1);
  ASSERT_TRUE(record->LaunchMission(false));
  clock.Advance(10 * 60'000);
  ASSERT_TRUE(record->StopMission());
  EXPECT_FALSE(record->MissionInProgress);
  EXPECT_FALSE(record->MemoryClear);
  EXPECT_EQ(record->MissionSamples, 10);
  EXPECT_GT(record->SamplesTotal, 0);

  ASSERT_TRUE(Download());
  EXPECT_NE(record->DownloadTime, 0);
  ASSERT_TRUE(record->ClearProbe());
  EXPECT_TRUE(record->MemoryClear);
  EXPECT_EQ(record->DownloadTime, 0);
  EXPECT_EQ(record->MissionSamples, 0);
  EXPECT_EQ(record->ReadSamples, 10) << "a status read keeps the held samples";

  const std::int64_t before = Now();
  ASSERT_TRUE(record->SwitchOff());
  EXPECT_TRUE(record->ProbeOff);
  EXPECT_GE(Now() - before, 250);
}

TEST_F(OperationsTest, ClockIsReadAndSet) {
  const TDateTime pcNow = NowDateTime();
  record->SetClock(pcNow);
  EXPECT_EQ(record->LastError, 0);
  EXPECT_EQ(ProbeClock(), TProbe::DateTimeToProbeSeconds(pcNow));
  EXPECT_NEAR(record->ReadClock(), pcNow, 1.5 * kSecond);
}

TEST_F(OperationsTest, WritingTextsTakesItsPausesOnVirtualTime) {
  record->Name = std::string(40, 'N');
  record->Comment = std::string(160, 'c');
  record->SerialNumber = 0x0000000000ABCD4Full;  // CRC byte wrong on purpose
  const auto realStart = std::chrono::steady_clock::now();
  const std::int64_t start = Now();
  ASSERT_TRUE(record->WriteText(7));
  EXPECT_GE(Now() - start, (8 + 32 + 152) * 50);
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(5));

  EXPECT_EQ(probe->Name(), std::string(32, 'N'));
  EXPECT_EQ(probe->Comment(), std::string(152, 'c'));
  EXPECT_TRUE(VirtualProbe::SerialNumberValid(probe->SerialNumber()));
  EXPECT_EQ(record->SerialNumber, probe->SerialNumber()) << "the record keeps the new CRC byte";

  record->Name = "Lab 5";
  ASSERT_TRUE(record->WriteText(2));
  EXPECT_EQ(probe->Memory()[TProbe::kNameAddress + 5], 0) << "the terminator is written";
  EXPECT_EQ(probe->Memory()[TProbe::kNameAddress + 6], 'N') << "and nothing after it";
  ASSERT_TRUE(record->ReadStatus(true));
  EXPECT_EQ(record->Name, "Lab 5");
}

TEST_F(OperationsTest, AShortCommentIsReadInOneBlock) {
  probe->SetComment("abc");
  const std::uint64_t before = Stats().dataBytes;
  ASSERT_TRUE(record->ReadText(4));
  EXPECT_EQ(record->Comment, "abc");
  EXPECT_EQ(Stats().dataBytes - before, 16u);
}

TEST_F(OperationsTest, RegisterAnswersWithoutTheFinishedFlagAreFailedAttempts) {
  adapter.DetachProbe();  // without a probe nothing finishes
  const std::uint64_t exchanges = Stats().exchanges;
  std::uint32_t value = 0;
  EXPECT_FALSE(record->ReadRegister(3, value));
  EXPECT_EQ(record->LastError, 5) << "five wrong answers are a data error, never success";
  EXPECT_EQ(Stats().exchanges - exchanges, 10u) << "five queries, each with its fetch";
}

TEST_F(OperationsTest, AdapterStatusesMapToRecordCodes) {
  const std::pair<int, int> mapped[] = {{0, 0}, {2, 1}, {3, 2}, {6, 5}, {8, 5}};
  for (auto [status, code] : mapped) {
    record->LastError = 99;
    record->Adapter->Status = status;
    record->MapAdapterError();
    EXPECT_EQ(record->LastError, code) << status;
  }
  record->Adapter->Status = 7;
  const std::int64_t before = Now();
  record->MapAdapterError();
  EXPECT_EQ(record->LastError, 5);
  EXPECT_EQ(Now() - before, 100);

  for (int status : {1, 4, 5}) {
    ASSERT_TRUE(record->DetectProbe());
    record->LastError = 42;
    record->Adapter->Status = status;
    record->MapAdapterError();
    EXPECT_FALSE(record->Adapter->IsOpen()) << status;
    EXPECT_EQ(record->LastError, 42) << status;
  }
  record->Adapter->Status = 9;
  try {
    record->MapAdapterError();
    ADD_FAILURE() << "status 9 must raise";
  } catch (const ConsistencyError& e) {
    EXPECT_STREQ(e.what(), "Error switch file Probe line 268");
  }
}

TEST_F(OperationsTest, NothingIsSentOverAClosedLink) {
  record->Adapter->Close();
  EXPECT_FALSE(record->ReadStatus(false));
  EXPECT_EQ(record->LastError, 7);
  EXPECT_EQ(record->ReadClock(), 0);
  EXPECT_EQ(record->LastError, 7);
  EXPECT_FALSE(record->ReadDataBlock());
  EXPECT_EQ(record->LastError, 7);
  record->SetClock(NowDateTime());
  EXPECT_EQ(record->LastError, 7);
  EXPECT_EQ(record->AdapterVersionText(), "");
  EXPECT_EQ(record->LastError, 7);
}

TEST_F(OperationsTest, ReadProgressOfAnEmptyMissionIsComplete) {
  record->MissionSamples = 0;
  EXPECT_EQ(record->ReadProgress(), 100);
}

TEST(SetStartNextMinute, CarriesIntoTheNextDay) {
  VirtualClock clock(LocalTimeToSeconds(2021, 12, 31, 23, 59, 40) * 1000);
  ScopedClock scope(clock);
  auto record = std::make_unique<TProbe>();
  record->SetStartNextMinute();
  EXPECT_EQ(record->StartTime, EncodeDateTime(2022, 1, 1, 0, 0, 0));
  clock.SetUtcMilliseconds(LocalTimeToSeconds(2021, 7, 1, 10, 15, 0) * 1000);
  record->SetStartNextMinute();
  EXPECT_EQ(record->StartTime, EncodeDateTime(2021, 7, 1, 10, 16, 0));
}

}  // namespace
}  // namespace ombrix::testing
