#include "Timer.h"

#include <gtest/gtest.h>

#include "Clock.h"

namespace ombrix {
namespace {

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override { TTimer::SetManualDriving(true); }
  void TearDown() override { TTimer::SetManualDriving(false); }

  // Lets virtual time pass in 10 ms steps with the event loop turning at each.
  void RunFor(int milliseconds) {
    for (int t = 0; t < milliseconds; t += 10) {
      clock_.Advance(10);
      ProcessMessages();
    }
  }

  VirtualClock clock_;
  ScopedClock scoped_{clock_};
};

TEST_F(TimerTest, TicksAtEachIntervalWhileEnabled) {
  TTimer timer(nullptr, "T", 300, true);
  int ticks = 0;
  QObject::connect(&timer, &TTimer::Tick, [&] { ++ticks; });
  RunFor(290);
  EXPECT_EQ(ticks, 0);
  RunFor(10);
  EXPECT_EQ(ticks, 1);
  RunFor(900);
  EXPECT_EQ(ticks, 4);
  timer.SetEnabled(false);
  RunFor(1000);
  EXPECT_EQ(ticks, 4);
}

TEST_F(TimerTest, OnlyANewIntervalOrEnablingAgainStartsTheCountdownAnew) {
  TTimer timer(nullptr, "T", 1000, true);
  int ticks = 0;
  QObject::connect(&timer, &TTimer::Tick, [&] { ++ticks; });
  RunFor(600);
  timer.SetInterval(1000);  // the same value: nothing changes
  timer.SetEnabled(true);   // already enabled: nothing changes
  RunFor(400);
  EXPECT_EQ(ticks, 1);
  RunFor(600);
  timer.SetInterval(4000);  // a new value: 4000 ms from now
  RunFor(3990);
  EXPECT_EQ(ticks, 1);
  RunFor(10);
  EXPECT_EQ(ticks, 2);
  RunFor(2000);
  timer.SetEnabled(false);
  timer.SetEnabled(true);  // a full interval from now
  EXPECT_EQ(timer.DueAt(), clock_.MonotonicMilliseconds() + 4000);
}

TEST_F(TimerTest, AHandlerThatStopsAnotherDueTimerKeepsItFromFiring) {
  TTimer first(nullptr, "A", 100, true);
  TTimer second(nullptr, "B", 100, true);
  int secondTicks = 0;
  QObject::connect(&first, &TTimer::Tick, [&] { second.SetEnabled(false); });
  QObject::connect(&second, &TTimer::Tick, [&] { ++secondTicks; });
  RunFor(100);
  EXPECT_EQ(secondTicks, 0);
}

}  // namespace
}  // namespace ombrix
