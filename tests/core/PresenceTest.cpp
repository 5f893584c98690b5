// The presence decisions on their own, without a window: probes put on, taken off and swapped,
// and what becomes of a held download that could not be saved.
#include <gtest/gtest.h>

#include <memory>

#include "Clock.h"
#include "ConsistencyError.h"
#include "FtdiDriver.h"
#include "Presence.h"
#include "Probe.h"
#include "Scenarios.h"
#include "VirtualBus.h"

namespace ombrix::testing {
namespace {

// The least a session holds: a live probe and whether its held download is unsaved.
struct Desk : PresenceSession {
  TProbe& LiveProbe() override { return *probe; }
  bool HoldsUnsavedRecord() const override { return unsaved; }
  void DropHeldRecord() override { unsaved = false; }
  void ReplaceProbe() override { probe = std::make_unique<TProbe>(); }

  std::unique_ptr<TProbe> probe = std::make_unique<TProbe>();
  bool unsaved = false;
};

TEST(PresenceTest, DecidesSwapsAndKeepsWhatCouldNotBeSaved) {
  VirtualClock clock{1'700'000'000'000};
  ScopedClock scopedClock{clock};
  VirtualBus bus{clock, LinkTiming::Instant()};
  ScopedDriver scopedDriver{bus};
  ASSERT_TRUE(BuildScenario(bus, "demo"));
  AdapterController& adapter = *bus.Adapter(scenario::kAdapterSerial);

  Desk desk;
  int offers = 0;
  bool saved = false;
  TPresence presence([&] {
    ++offers;
    return saved;
  });
  presence.SetWorkplace(desk);
  ASSERT_EQ(presence.Tick(), TPresence::Outcome::kAttached);
  ASSERT_TRUE(desk.probe->ReadStatus(true));
  desk.unsaved = true;
  EXPECT_EQ(presence.Tick(), TPresence::Outcome::kPresent);
  EXPECT_EQ(presence.Interval(), TPresence::kPresenceInterval);

  adapter.DetachProbe();
  auto second = MakeProbe(bus, 90, 5, "Second", "");
  GiveReadyMission(*second, bus, 3600, VirtualProbe::Mission{});
  adapter.AttachProbe(second);
  EXPECT_EQ(presence.Tick(), TPresence::Outcome::kRemoved);
  EXPECT_TRUE(presence.Swapped());
  EXPECT_TRUE(presence.RecordKept());
  EXPECT_EQ(offers, 1);
  EXPECT_EQ(presence.State(), psSearching);
  EXPECT_EQ(presence.Interval(), TPresence::kSearchInterval) << "the new probe comes at once";

  saved = true;
  EXPECT_EQ(presence.Tick(), TPresence::Outcome::kAttached);
  EXPECT_EQ(offers, 2);
  EXPECT_FALSE(presence.RecordKept());
  EXPECT_FALSE(desk.unsaved);

  adapter.DetachProbe();
  EXPECT_EQ(presence.Tick(), TPresence::Outcome::kRemoved);
  EXPECT_FALSE(presence.Swapped());
  EXPECT_EQ(offers, 2) << "nothing unsaved to offer";
  EXPECT_EQ(presence.Interval(), TPresence::kPresenceInterval);
}

// A shown file leaves the adapter alone; a state outside the four is a consistency error.
TEST(PresenceTest, AFileSessionAsksNothingAndAnUnknownStateFailsTheSwitchCheck) {
  VirtualClock clock;
  ScopedClock scopedClock{clock};
  VirtualBus bus{clock, LinkTiming::Instant()};
  ScopedDriver scopedDriver{bus};
  ASSERT_TRUE(BuildScenario(bus, "demo"));
  Desk desk;
  TPresence presence;
  presence.SetWorkplace(desk);
  presence.State() = psFile;
  EXPECT_EQ(presence.Tick(), TPresence::Outcome::kFile);
  EXPECT_EQ(presence.Interval(), TPresence::kPresenceInterval);
  EXPECT_EQ(bus.Adapter(scenario::kAdapterSerial)->Stats().exchanges, 0u);

  presence.State() = 7;
  try {
    presence.Tick();
    FAIL() << "no error";
  } catch (const ConsistencyError& error) {
    EXPECT_STREQ(error.what(), "Error switch file Main line 1263");
  }
}

}  // namespace
}  // namespace ombrix::testing
