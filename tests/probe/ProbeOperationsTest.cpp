#include <gtest/gtest.h>

#include <QDateTime>

#include <chrono>

#include "ConsistencyError.h"
#include "ProbeRig.h"

namespace ombrix::testing {
namespace {

constexpr double kSecond = 1.0 / 86400;

class OperationsTest : public ::testing::Test, public ProbeRig {
 protected:
  void SetUp() override {
    ASSERT_TRUE(live->DetectProbe());
    ASSERT_TRUE(live->ReadStatus(true));
  }

  // Puts the virtual probe back to clear memory, as if it had been stopped and cleared.
  void MakeClear() {
    probe->Stop(Now());
    probe->Clear(10, false, Now());
    ASSERT_TRUE(live->ReadStatus(false));
    ASSERT_TRUE(live->MemoryClear);
  }
};

TEST_F(OperationsTest, DetectsAdapterAndProbeAndReadsTheStatus) {
  EXPECT_EQ(live->AdapterVersionText(), "Ombrix adapter 2.1");
  EXPECT_EQ(live->AdapterSerialNumber(), kSerial);
  EXPECT_EQ(live->SerialNumber, probe->SerialNumber());
  EXPECT_EQ(live->Name, "Fridge 2");
  EXPECT_EQ(live->Comment, "Ward B vaccines");
  EXPECT_TRUE(live->MemoryClear);
  EXPECT_EQ(live->StartTime, EncodeDateTime(2021, 6, 15, 12, 1, 0))
      << "a clear probe proposes the next whole minute of the PC clock";
  EXPECT_EQ(live->LastError, 0);
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
  EXPECT_FALSE(live->DetectProbe());
  EXPECT_EQ(live->LastError, 4);
  EXPECT_TRUE(live->Adapter->IsOpen()) << "an adapter without a probe stays open";
}

TEST_F(OperationsTest, FailingControlExchangeClosesTheLink) {
  adapter.Faults().At(1, Fault::WrongByte(1));  // the ControlStart of the next detection
  EXPECT_FALSE(live->DetectProbe());
  EXPECT_EQ(live->LastError, 3);
  EXPECT_FALSE(live->Adapter->IsOpen());
  EXPECT_TRUE(live->DetectProbe()) << "the next detection opens the link again";
}

TEST_F(OperationsTest, PresenceIsFoundAfterAResetWhenTheFirstRoundMisses) {
  adapter.Faults().At(1, Fault::PresenceDropout(3), 5);  // five failed tests in the first round
  EXPECT_TRUE(live->DetectProbe());
  EXPECT_EQ(live->LastError, 0);
}

TEST_F(OperationsTest, NameAndCommentAreReadAgainOnlyForAnotherProbe) {
  probe->SetName("Renamed behind our back");
  ASSERT_TRUE(live->ReadStatus(false));
  EXPECT_EQ(live->Name, "Fridge 2");

  auto other = MakeProbe(bus, 78, 4, "Freezer 1", "Plasma");
  adapter.DetachProbe();
  adapter.AttachProbe(other);
  ASSERT_TRUE(live->ReadStatus(false));
  EXPECT_EQ(live->Name, "Freezer 1");
  EXPECT_EQ(live->Comment, "Plasma");
  ASSERT_TRUE(live->ReadStatus(true));
  EXPECT_EQ(live->Name, "Freezer 1");
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
    live->SampleRate = 15;
    live->RolloverEnable = true;
    live->StartTime = TProbe::ProbeSecondsToDateTime(ProbeClock() + c.ahead);
    const TDateTime wanted = live->StartTime;
    const bool launched = live->LaunchMission(false);
    EXPECT_EQ(live->LastError, c.error) << c.ahead;
    EXPECT_EQ(launched, c.error == 0) << c.ahead;
    if (!launched) {
      // Only the serial-number pointer of the status read reached the probe.
      EXPECT_EQ(Stats().commands, commandsBefore + 1)
          << c.ahead << ": a refused launch sends nothing";
      continue;
    }
    EXPECT_EQ(live->StartDelayMinutes, c.minutes) << c.ahead;
    EXPECT_EQ(live->StartDelaySeconds, c.seconds) << c.ahead;
    EXPECT_TRUE(live->MissionInProgress);
    EXPECT_TRUE(live->RolloverEnable);
    EXPECT_EQ(live->SampleRate, 15);
    EXPECT_EQ(live->StartTime, wanted)
        << c.ahead << ": the probe's own account of the first sample";
    EXPECT_EQ(probe->FirstSampleTime(), TProbe::DateTimeToProbeSeconds(wanted));
  }
}

// The delay is counted from the clock read at the launch; when that read fails, the clock read
// minutes earlier must not stand in for it.
TEST_F(OperationsTest, ALaunchWhoseClockReadFailsSendsNothing) {
  MakeClear();
  ASSERT_NE(live->ReadClock(), 0);
  clock.Advance(10 * 60'000);
  const std::uint64_t exchanges = Stats().exchanges;
  ASSERT_TRUE(live->ReadStatus(false));
  const int statusExchanges = static_cast<int>(Stats().exchanges - exchanges);
  // The five queries of the clock read after the launch's status read go unanswered.
  adapter.Faults().At(statusExchanges + 1, Fault::NoAnswer(), 5);
  live->SampleRate = 15;
  live->StartTime = TProbe::ProbeSecondsToDateTime(ProbeClock() + 300);
  const std::uint64_t commandsBefore = Stats().commands;
  EXPECT_FALSE(live->LaunchMission(false));
  EXPECT_EQ(live->LastError, peDataError);
  EXPECT_TRUE(adapter.Faults().Empty());
  EXPECT_EQ(Stats().commands, commandsBefore + 1) << "only the status read's pointer";
  EXPECT_TRUE(probe->StatusByte() & VirtualProbe::kMemoryClear);
}

TEST_F(OperationsTest, LaunchAcrossTheSummerTimeChangeWaitsTheRealDelay) {
  clock.SetUtcMilliseconds(LocalTimeToSeconds(2021, 3, 28, 1, 50, 0) * 1000);
  probe->SetClock(static_cast<std::uint32_t>(clock.UtcMilliseconds() / 1000), Now());
  MakeClear();
  live->SampleRate = 1;
  live->StartTime = EncodeDateTime(2021, 3, 28, 3, 5, 0);  // 15 real minutes later
  ASSERT_TRUE(live->LaunchMission(false));
  EXPECT_EQ(live->StartDelayMinutes, 14);
  EXPECT_EQ(live->StartDelaySeconds, 59);
  EXPECT_EQ(live->StartTime, EncodeDateTime(2021, 3, 28, 3, 5, 0));
}

TEST_F(OperationsTest, TestModeCountsSecondsAndSamplesArrive) {
  MakeClear();
  live->SampleRate = 10;
  live->StartTime = TProbe::ProbeSecondsToDateTime(ProbeClock() + 5);
  ASSERT_TRUE(live->LaunchMission(true));
  EXPECT_TRUE(live->Test);
  clock.Advance(5'000 + 10'000 * 9);
  ASSERT_TRUE(live->ReadStatus(false));
  EXPECT_EQ(live->MissionSamples, 10);
  ASSERT_TRUE(Download());
  EXPECT_EQ(live->ReadSamples, 10);
  EXPECT_EQ(TProbe::DateTimeToProbeSeconds(downloaded->GetSample(9).Time) -
                TProbe::DateTimeToProbeSeconds(downloaded->GetSample(0).Time),
            90);
}

TEST_F(OperationsTest, PreconditionsRefuseWithoutSendingACommand) {
  EXPECT_FALSE(live->StopMission());  // clear probe
  EXPECT_EQ(live->LastError, 6);
  EXPECT_FALSE(live->ClearProbe());
  EXPECT_EQ(live->LastError, 6);
  EXPECT_FALSE(live->BeginReadData());
  EXPECT_EQ(live->LastError, 6);
  // A rate the probe's byte cannot hold is refused before anything is sent (256 would be 0).
  for (int rate : {0, 256, -1}) {
    const std::uint64_t before = Stats().commands;
    live->SampleRate = rate;
    live->StartTime = TProbe::ProbeSecondsToDateTime(ProbeClock() + 60);
    EXPECT_FALSE(live->LaunchMission(false)) << rate;
    EXPECT_EQ(live->LastError, 6) << rate;
    EXPECT_EQ(Stats().commands, before) << rate;
  }
  live->SampleRate = 255;

  live->StartTime = TProbe::ProbeSecondsToDateTime(ProbeClock() + 60);
  ASSERT_TRUE(live->LaunchMission(false));
  const std::uint8_t status = probe->StatusByte();
  // Each refusal costs its status read, whose serial-number read sets the memory pointer once;
  // no control command follows.
  const std::uint64_t commands = Stats().commands;
  EXPECT_FALSE(live->ClearProbe());
  EXPECT_EQ(live->LastError, 6);
  EXPECT_FALSE(live->SwitchOff());
  EXPECT_EQ(live->LastError, 6);
  live->StartTime = TProbe::ProbeSecondsToDateTime(ProbeClock() + 60);
  EXPECT_FALSE(live->LaunchMission(false));
  EXPECT_EQ(live->LastError, 6);
  EXPECT_EQ(Stats().commands, commands + 3);
  EXPECT_EQ(probe->StatusByte(), status);
  EXPECT_FALSE(live->BeginReadData()) << "no sample taken yet";
  EXPECT_EQ(live->LastError, 6);
}

TEST_F(OperationsTest, StopClearAndSwitchOffMoveTheProbeThroughItsStates) {
  live->SampleRate = 1;
  live->StartTime = TProbe::ProbeSecondsToDateTime(ProbeClock() + 1);
  ASSERT_TRUE(live->LaunchMission(false));
  clock.Advance(10 * 60'000);
  ASSERT_TRUE(live->StopMission());
  EXPECT_FALSE(live->MissionInProgress);
  EXPECT_FALSE(live->MemoryClear);
  EXPECT_EQ(live->MissionSamples, 10);
  EXPECT_GT(live->SamplesTotal, 0);

  ASSERT_TRUE(Download());
  EXPECT_NE(live->DownloadTime, 0);
  ASSERT_TRUE(live->ClearProbe());
  EXPECT_TRUE(live->MemoryClear);
  EXPECT_EQ(live->DownloadTime, 0);
  EXPECT_EQ(live->MissionSamples, 0);
  EXPECT_EQ(live->ReadSamples, 10) << "a status read keeps the held samples";

  const std::int64_t before = Now();
  ASSERT_TRUE(live->SwitchOff());
  EXPECT_TRUE(live->ProbeOff);
  EXPECT_GE(Now() - before, 250);
}

TEST_F(OperationsTest, ClearSendsTheClearFlagWithTheProbesRolloverSettingAndNothingElse) {
  const struct {
    const char* what;
    bool rollover;
    int minutes;  // the mission ran this long, one sample a minute
    std::uint8_t flags;
  } cases[] = {
      {"rollover on, the log wrapped", true, 9000, 0x05},
      {"rollover on", true, 60, 0x05},
      {"rollover off", false, 60, 0x01},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    probe->StartMissionAt({.rate = 1, .rollover = c.rollover}, ProbeClock() - c.minutes * 60);
    probe->Stop(Now());
    ASSERT_TRUE(live->ReadStatus(false));
    ASSERT_TRUE(live->ClearProbe()) << "code " << live->LastError;
    EXPECT_EQ(probe->LastControl(), c.flags | 1u << 8) << "flags, sample rate, two zero bytes";
    EXPECT_EQ(probe->StatusByte(), c.flags);
  }
}

TEST_F(OperationsTest, ClockIsReadAndSet) {
  const TDateTime pcNow = NowDateTime();
  live->SetClock(pcNow);
  EXPECT_EQ(live->LastError, 0);
  EXPECT_EQ(ProbeClock(), TProbe::DateTimeToProbeSeconds(pcNow));
  EXPECT_NEAR(live->ReadClock(), pcNow, 1.5 * kSecond);
}

TEST_F(OperationsTest, WritingTextsTakesItsPausesOnVirtualTime) {
  live->Name = std::string(40, 'N');
  live->Comment = std::string(160, 'c');
  live->SerialNumber = 0x0000000000ABCD4Full;  // CRC byte wrong on purpose
  const auto realStart = std::chrono::steady_clock::now();
  const std::int64_t start = Now();
  ASSERT_TRUE(live->WriteText(7));
  EXPECT_GE(Now() - start, (8 + 32 + 152) * 50);
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(5));

  EXPECT_EQ(probe->Name(), std::string(32, 'N'));
  EXPECT_EQ(probe->Comment(), std::string(152, 'c'));
  EXPECT_TRUE(VirtualProbe::SerialNumberValid(probe->SerialNumber()));
  EXPECT_EQ(live->SerialNumber, probe->SerialNumber()) << "the probe object keeps the new CRC byte";

  live->Name = "Lab 5";
  ASSERT_TRUE(live->WriteText(2));
  EXPECT_EQ(probe->Memory()[TProbe::kNameAddress + 5], 0) << "the terminator is written";
  EXPECT_EQ(probe->Memory()[TProbe::kNameAddress + 6], 'N') << "and nothing after it";
  ASSERT_TRUE(live->ReadStatus(true));
  EXPECT_EQ(live->Name, "Lab 5");
}

TEST_F(OperationsTest, AShortCommentIsReadInOneBlock) {
  probe->SetComment("abc");
  const std::uint64_t before = Stats().dataBytes;
  ASSERT_TRUE(live->ReadText(4));
  EXPECT_EQ(live->Comment, "abc");
  EXPECT_EQ(Stats().dataBytes - before, 16u);
}

TEST_F(OperationsTest, RegisterAnswersWithoutTheFinishedFlagAreFailedAttempts) {
  adapter.DetachProbe();  // without a probe nothing finishes
  const std::uint64_t exchanges = Stats().exchanges;
  std::uint32_t value = 0;
  EXPECT_FALSE(live->ReadRegister(3, value));
  EXPECT_EQ(live->LastError, 5) << "five wrong answers are a data error, never success";
  EXPECT_EQ(Stats().exchanges - exchanges, 10u) << "five queries, each with its fetch";
}

TEST_F(OperationsTest, AdapterStatusesMapToRecordCodes) {
  const std::pair<int, int> mapped[] = {{0, 0}, {2, 1}, {3, 2}, {6, 5}, {8, 5}};
  for (auto [status, code] : mapped) {
    live->LastError = 99;
    live->Adapter->Status = status;
    live->MapAdapterError();
    EXPECT_EQ(live->LastError, code) << status;
  }
  live->Adapter->Status = 7;
  const std::int64_t before = Now();
  live->MapAdapterError();
  EXPECT_EQ(live->LastError, 5);
  EXPECT_EQ(Now() - before, 100);

  for (int status : {1, 4, 5}) {
    ASSERT_TRUE(live->DetectProbe());
    live->LastError = 42;
    live->Adapter->Status = status;
    live->MapAdapterError();
    EXPECT_FALSE(live->Adapter->IsOpen()) << status;
    EXPECT_EQ(live->LastError, peAdapterSilent) << status << ": the closed link, not an old code";
  }
  live->Adapter->Status = 9;
  try {
    live->MapAdapterError();
    ADD_FAILURE() << "status 9 must raise";
  } catch (const ConsistencyError& e) {
    EXPECT_STREQ(e.what(), "Error switch file Probe line 268");
  }
}

TEST_F(OperationsTest, NothingIsSentOverAClosedLink) {
  live->Adapter->Close();
  EXPECT_FALSE(live->ReadStatus(false));
  EXPECT_EQ(live->LastError, 7);
  EXPECT_EQ(live->ReadClock(), 0);
  EXPECT_EQ(live->LastError, 7);
  EXPECT_FALSE(live->ReadDataBlock());
  EXPECT_EQ(live->LastError, 7);
  live->SetClock(NowDateTime());
  EXPECT_EQ(live->LastError, 7);
  EXPECT_EQ(live->AdapterVersionText(), "");
  EXPECT_EQ(live->LastError, 7);
}

TEST_F(OperationsTest, ReadProgressOfAnEmptyMissionIsComplete) {
  live->MissionSamples = 0;
  EXPECT_EQ(live->ReadProgress(), 100);
}

TEST(SetStartNextMinute, CarriesIntoTheNextDay) {
  VirtualClock clock(LocalTimeToSeconds(2021, 12, 31, 23, 59, 40) * 1000);
  ScopedClock scope(clock);
  auto live = std::make_unique<TProbe>();
  live->SetStartNextMinute();
  EXPECT_EQ(live->StartTime, EncodeDateTime(2022, 1, 1, 0, 0, 0));
  clock.SetUtcMilliseconds(LocalTimeToSeconds(2021, 7, 1, 10, 15, 0) * 1000);
  live->SetStartNextMinute();
  EXPECT_EQ(live->StartTime, EncodeDateTime(2021, 7, 1, 10, 16, 0));
}

}  // namespace
}  // namespace ombrix::testing

namespace ombrix::testing {
namespace {

// Times around the two switches of summer time, counted the way the probe counts them.
class SummerTimeSwitchTest : public OperationsTest {
 protected:
  static std::int64_t Utc(int month, int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(2021, month, day), QTime(hour, minute, second), Qt::UTC)
        .toSecsSinceEpoch();
  }
  // The PC clock and the probe clock both at the given instant, the probe clear.
  void At(std::int64_t seconds) {
    clock.SetUtcMilliseconds(seconds * 1000);
    MakeClear();
    live->SetClockSeconds(seconds);
    ASSERT_EQ(live->LastError, peNone);
  }
};

TEST_F(SummerTimeSwitchTest, LaunchAndSampleTimesFollowTheInstantNotTheLocalName) {
  // The probe clock reads 00:50 UTC on 31 October: 02:50 local in the first pass of the repeated
  // hour. A first sample asked for at 03:10 local (02:10 UTC) is 80 minutes away, not 20.
  At(Utc(10, 31, 0, 50));
  live->SampleRate = 1;
  live->RolloverEnable = false;
  live->StartTime = EncodeDateTime(2021, 10, 31, 3, 10, 0);
  ASSERT_TRUE(live->LaunchMission(false));
  EXPECT_EQ(live->StartSeconds, Utc(10, 31, 2, 10));

  // A mission whose first sample is at 00:20 UTC, one a minute through the switch at 01:00 UTC.
  At(Utc(10, 31, 0, 10));
  live->SampleRate = 1;
  live->SetStartSeconds(Utc(10, 31, 0, 20));
  ASSERT_TRUE(live->LaunchMission(false));
  ASSERT_EQ(live->StartSeconds, Utc(10, 31, 0, 20)) << "the asked instant, in the first pass";
  clock.Advance(100 * 60'000);
  ASSERT_TRUE(Download());
  ASSERT_EQ(downloaded->ReadSamples, 91);
  for (int i = 0; i < downloaded->ReadSamples; ++i) {
    ASSERT_EQ(downloaded->GetSample(i).Time, ProbeSecondsToDateTime(Utc(10, 31, 0, 20) + 60 * i))
        << "sample " << i;
  }
  // 01:50 UTC is 02:50 standard time: no later than the download, not an hour after it.
  EXPECT_EQ(downloaded->GetSample(90).Time, EncodeDateTime(2021, 10, 31, 2, 50, 0));
  EXPECT_LE(downloaded->GetSample(90).Time, downloaded->DownloadTime);

  // In spring, "next minute" at 01:59:30 local is 03:00 local, the first minute that exists.
  At(Utc(3, 28, 0, 59, 30));
  live->SetStartNextMinute();
  EXPECT_EQ(live->StartTime, EncodeDateTime(2021, 3, 28, 3, 0, 0));
  ASSERT_TRUE(live->LaunchMission(false)) << "code " << live->LastError;
  EXPECT_EQ(live->StartSeconds, Utc(3, 28, 1, 0));
}

// Faults of the probe layer that used to pass as something else.
TEST_F(OperationsTest, UndatableSamplesAndUnsendableClocksAreRefused) {
  // Samples without an interval cannot be dated: a data error, and no record.
  VirtualProbe::State state = probe->SaveState();
  state.mission.rate = 0;
  state.memoryClear = false;
  state.missionInProgress = false;
  state.missionSamples = 100;
  probe->RestoreState(state);
  EXPECT_FALSE(live->BeginReadData());
  EXPECT_EQ(live->LastError, peDataError);
  EXPECT_FALSE(live->ReadDataBlock());
  EXPECT_EQ(live->TakeDownload(), nullptr);

  // A clock past the probe's 32-bit seconds is not sent modulo 2^32.
  const std::uint64_t commands = Stats().commands;
  live->SetClockSeconds(std::int64_t{1} << 32);
  EXPECT_EQ(live->LastError, peNotAllowed);
  EXPECT_EQ(Stats().commands, commands);

  // Counters that contradict each other stop the read before anything is taken from them.
  state.mission.rate = 10;
  state.missionSamples = 8005;
  state.rolloverOccurred = false;
  probe->RestoreState(state);
  live->ReadSamples = 17;
  EXPECT_THROW(live->BeginReadData(), ConsistencyError);
  EXPECT_EQ(live->ReadSamples, 17);
}

}  // namespace
}  // namespace ombrix::testing
