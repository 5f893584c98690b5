#include <gtest/gtest.h>

#include <thread>

#include "Scenarios.h"
#include "TeLog.h"
#include "VirtualState.h"

namespace ombrix::testing {
namespace {

// Threads on a lockstep clock each see the time as if alone: a thread's wake-ups fall exactly
// where its own sleeps put them, however the threads are scheduled, and the clock ends at the
// latest, not at the sum.
TEST(StationLabTest, LockstepClockGivesEachThreadItsOwnTime) {
  LockstepClock clock(1'000'000);
  std::vector<std::int64_t> seenA, seenB;
  auto sleeper = [&clock](std::int64_t step, int times, std::vector<std::int64_t>& seen) {
    LockstepClock::Participant here(clock, LockstepClock::kEnlisted);
    for (int i = 0; i < times; ++i) {
      clock.Sleep(step);
      seen.push_back(clock.MonotonicMilliseconds());
    }
  };
  clock.Enlist();
  clock.Enlist();
  std::thread a(sleeper, 30, 4, std::ref(seenA));
  std::thread b(sleeper, 50, 2, std::ref(seenB));
  a.join();
  b.join();
  EXPECT_EQ(seenA, (std::vector<std::int64_t>{30, 60, 90, 120}));
  EXPECT_EQ(seenB, (std::vector<std::int64_t>{50, 100}));
  EXPECT_EQ(clock.MonotonicMilliseconds(), 120);
  clock.Sleep(5);  // alone, it is a plain virtual clock
  EXPECT_EQ(clock.UtcMilliseconds(), 1'000'125);
}

// Two links on two adapters of one bus, each in its own thread at the hardware's pace: each
// thread's exchanges take the time they take alone, and the replies are right.
TEST(StationLabTest, TwoThreadsUseTwoAdaptersAtOnce) {
  LockstepClock clock;
  VirtualBus bus(clock, LinkTiming::Hardware());
  ASSERT_TRUE(BuildScenario(bus, "station"));
  const ScopedDriver driver(bus);
  const ScopedClock current(clock);
  auto pinger = [&clock](const char* serial, int times, bool& ok, std::int64_t& took) {
    LockstepClock::Participant here(clock, LockstepClock::kEnlisted);
    TTeLog link;
    link.Description = scenario::kAdapterDescription;
    link.WantedSerialNumber = serial;
    ok = link.Connect();
    const std::int64_t start = clock.MonotonicMilliseconds();
    for (int i = 0; i < times && ok; ++i) ok = link.Ping() && link.GetVersion() != 0;
    took = clock.MonotonicMilliseconds() - start;
  };
  bool ok1 = false, ok2 = false, alone = false;
  std::int64_t took1 = 0, took2 = 0, tookAlone = 0;
  clock.Enlist();
  clock.Enlist();
  std::thread first(pinger, scenario::kAdapterSerial, 40, std::ref(ok1), std::ref(took1));
  std::thread second(pinger, scenario::kSecondAdapterSerial, 20, std::ref(ok2), std::ref(took2));
  first.join();
  second.join();
  clock.Enlist();
  std::thread third(pinger, scenario::kThirdAdapterSerial, 20, std::ref(alone),
                    std::ref(tookAlone));
  third.join();
  EXPECT_TRUE(ok1 && ok2 && alone);
  EXPECT_GT(tookAlone, 0);
  EXPECT_EQ(took2, tookAlone);
  EXPECT_EQ(took1, 2 * tookAlone);
}

// The tray's probes go on and off by the clock, and a lab kept in a state file takes them up
// where it left them: the probes' states and the visits' times.
TEST(StationLabTest, VisitsFollowTheClockAndKeepInTheStateFile) {
  VirtualClock clock;
  VirtualBus bus(clock, LinkTiming::Instant());
  ASSERT_TRUE(BuildScenario(bus, "station"));
  const std::int64_t start = clock.UtcMilliseconds();
  auto probeOn = [](VirtualBus& on, const char* adapter) -> std::string {
    on.ApplyVisits();
    const VirtualProbe* probe = on.Adapter(adapter)->Probe();
    return probe ? probe->Name() : "";
  };
  struct Case {
    std::int64_t atMs;
    const char* adapter;
    const char* name;
  };
  for (const StationVisit& v : StationVisits()) {
    ASSERT_LT(v.onMs, v.offMs);
  }
  const Case cases[] = {
      {30'000, scenario::kAdapterSerial, ""},
      {60'000, scenario::kAdapterSerial, "Cold room 1"},
      {60'000, scenario::kSecondAdapterSerial, "Van 3 chiller box"},
      {100'000, scenario::kSecondAdapterSerial, ""},
      {120'000, scenario::kThirdAdapterSerial, "Pharmacy fridge"},
      {20 * 60'000, scenario::kThirdAdapterSerial, ""},
      {35 * 60'000, scenario::kThirdAdapterSerial, "Van 3 chiller box"},
      {46 * 60'000, scenario::kAdapterSerial, "Pharmacy fridge"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.atMs);
    clock.SetUtcMilliseconds(start + c.atMs);
    EXPECT_EQ(probeOn(bus, c.adapter), c.name);
  }

  // Kept at 46 minutes, with the van's memory changed, and taken up by a new run.
  bus.Adapter(scenario::kThirdAdapterSerial)->Probe()->WriteMemory(0, 0x42);
  VirtualState state{"station", clock.UtcMilliseconds(), {}, {}};
  CaptureProbes(bus, state);
  ASSERT_EQ(state.visits.size(), StationVisits().size());
  for (const VirtualState::Adapter& adapter : state.adapters) EXPECT_FALSE(adapter.probe);
  VirtualState read;
  std::string error;
  ASSERT_TRUE(ParseVirtualState(FormatVirtualState(state), read, error)) << error;
  EXPECT_EQ(FormatVirtualState(read), FormatVirtualState(state));

  VirtualClock later(read.utcMilliseconds);
  VirtualBus again(later, LinkTiming::Instant());
  ASSERT_TRUE(BuildScenario(again, "station"));
  ASSERT_TRUE(RestoreProbes(again, read, error)) << error;
  EXPECT_EQ(probeOn(again, scenario::kAdapterSerial), "Pharmacy fridge");
  EXPECT_EQ(probeOn(again, scenario::kThirdAdapterSerial), "Van 3 chiller box");
  EXPECT_EQ(again.Adapter(scenario::kThirdAdapterSerial)->Probe()->Memory()[0], 0x42);
  EXPECT_EQ(again.Visits().front().onUtcMs, bus.Visits().front().onUtcMs);

  read.visits.pop_back();
  VirtualBus short_(later, LinkTiming::Instant());
  ASSERT_TRUE(BuildScenario(short_, "station"));
  EXPECT_FALSE(RestoreProbes(short_, read, error));
  EXPECT_NE(error.find("plans 6 visits"), std::string::npos) << error;
}

}  // namespace
}  // namespace ombrix::testing
