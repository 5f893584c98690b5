#include <gtest/gtest.h>

#include <algorithm>
#include <map>
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
  auto probeOn = [](VirtualBus& on, const char* adapter) -> const VirtualProbe* {
    on.ApplyVisits();
    return on.Adapter(adapter)->Probe();
  };
  // Each visit puts its probe on its adapter and takes it off again; an adapter holds one probe
  // at a time, and a probe is on one adapter at a time.
  const std::vector<StationVisit> visits = StationVisits();
  ASSERT_EQ(visits.size(), 15u);
  struct Moment {
    std::int64_t atMs;
    const char* adapter;
    int probe;  // -1: taken off
  };
  std::vector<Moment> moments;
  for (const StationVisit& v : visits) {
    ASSERT_LT(v.onMs, v.offMs);
    for (const StationVisit& w : visits) {
      const bool overlap = &v != &w && v.onMs < w.offMs && w.onMs < v.offMs;
      EXPECT_FALSE(overlap &&
                   (v.probe == w.probe || std::string(v.adapterSerial) == w.adapterSerial));
    }
    moments.push_back({v.onMs, v.adapterSerial, v.probe});
    moments.push_back({v.offMs, v.adapterSerial, -1});
  }
  std::sort(moments.begin(), moments.end(),
            [](const Moment& a, const Moment& b) { return a.atMs < b.atMs; });
  std::map<int, const VirtualProbe*> probes;
  for (const Moment& m : moments) {
    SCOPED_TRACE(m.atMs);
    clock.SetUtcMilliseconds(start + m.atMs - 1);
    EXPECT_EQ(probeOn(bus, m.adapter) == nullptr, m.probe >= 0) << "before";
    clock.SetUtcMilliseconds(start + m.atMs);
    const VirtualProbe* on = probeOn(bus, m.adapter);
    if (m.probe < 0) {
      EXPECT_EQ(on, nullptr);
      continue;
    }
    ASSERT_NE(on, nullptr);
    EXPECT_EQ(probes.emplace(m.probe, on).first->second, on) << "the same probe each visit";
  }
  EXPECT_EQ(probes.size(), 12u);
  std::int64_t latestOn = 0;
  for (const StationVisit& v : visits) latestOn = std::max(latestOn, v.onMs);
  // A lab of its own at the last moment a probe is put on.
  VirtualClock keptClock(start);
  VirtualBus kept(keptClock, LinkTiming::Instant());
  ASSERT_TRUE(BuildScenario(kept, "station"));
  keptClock.SetUtcMilliseconds(start + latestOn);
  const StationVisit& last = visits.back();
  ASSERT_NE(probeOn(kept, last.adapterSerial), nullptr);

  // Kept during the last visit, with that probe's memory changed, and taken up by a new run.
  kept.Adapter(last.adapterSerial)->Probe()->WriteMemory(0, 0x42);
  VirtualState state{"station", keptClock.UtcMilliseconds(), {}, {}};
  CaptureProbes(kept, state);
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
  int onNow = 0;
  for (const StationVisit& v : visits) {
    if (v.onMs > latestOn || latestOn >= v.offMs) continue;
    ++onNow;
    const VirtualProbe* there = probeOn(again, v.adapterSerial);
    ASSERT_NE(there, nullptr) << v.adapterSerial;
    EXPECT_EQ(there->Name(), probes[v.probe]->Name());
  }
  EXPECT_GE(onNow, 2);
  EXPECT_EQ(again.Adapter(last.adapterSerial)->Probe()->Memory()[0], 0x42);
  EXPECT_EQ(again.Visits().front().onUtcMs, kept.Visits().front().onUtcMs);

  read.visits.pop_back();
  VirtualBus short_(later, LinkTiming::Instant());
  ASSERT_TRUE(BuildScenario(short_, "station"));
  EXPECT_FALSE(RestoreProbes(short_, read, error));
  EXPECT_NE(error.find("plans 15 visits"), std::string::npos) << error;
}

}  // namespace
}  // namespace ombrix::testing
