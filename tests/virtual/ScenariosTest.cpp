#include <gtest/gtest.h>

#include "Scenarios.h"
#include "TeLog.h"
#include "VirtualTesting.h"

namespace ombrix::testing {
namespace {

struct Found {
  bool connected;
  int status;
  bool present;
};

// What the program finds on the scenario's bus.
Found Explore(VirtualBus& bus) {
  ScopedDriver scope(bus);
  TTeLog link;
  Found found{link.Connect(), link.Status, false};
  if (found.connected) found.present = link.Ping() && link.TestPresence();
  return found;
}

TEST(ScenariosTest, EachScenarioShowsTheProgramWhatItsNameSays) {
  struct Case {
    const char* name;
    bool connected;
    int status;
    bool present;
  };
  for (const Case& c : {Case{"demo", true, 0, true}, Case{"empty", true, 0, false},
                        Case{"none", false, 2, false}, Case{"two", false, 3, false},
                        Case{"clear", true, 0, true}, Case{"rollover", true, 0, true}}) {
    SCOPED_TRACE(c.name);
    VirtualClock clock;
    VirtualBus bus(clock, LinkTiming::Instant());
    ASSERT_TRUE(BuildScenario(bus, c.name));
    const Found found = Explore(bus);
    EXPECT_EQ(found.connected, c.connected);
    EXPECT_EQ(found.status, c.status);
    EXPECT_EQ(found.present, c.present);
    if (VirtualProbe* probe = bus.Adapter(scenario::kAdapterSerial)
                                  ? bus.Adapter(scenario::kAdapterSerial)->Probe()
                                  : nullptr) {
      EXPECT_TRUE(VirtualProbe::SerialNumberValid(probe->SerialNumber()));
      EXPECT_FALSE(probe->Name().empty());
      EXPECT_FALSE(probe->Comment().empty());
    }
  }
  VirtualClock clock;
  VirtualBus bus(clock);
  EXPECT_FALSE(BuildScenario(bus, "bogus"));
  std::uint32_t count = 1;
  bus.ListDeviceCount(count);
  EXPECT_EQ(count, 0u);
}

TEST(ScenariosTest, ReadyMissionsHaveTheirDataAtOnce) {
  VirtualClock clock;
  VirtualBus demo(clock, LinkTiming::Instant()), rollover(clock, LinkTiming::Instant());
  ASSERT_TRUE(BuildScenario(demo, "demo", 3));
  ASSERT_TRUE(BuildScenario(rollover, "rollover", 3));
  VirtualProbe& fridge = *demo.Adapter(scenario::kAdapterSerial)->Probe();
  VirtualProbe& van = *rollover.Adapter(scenario::kAdapterSerial)->Probe();

  // Three weeks at 10 minutes with a 3:20 delay: 21 * 144 samples.
  EXPECT_EQ(*fridge.ReadRegister(5, clock.UtcMilliseconds()), 3024u);
  EXPECT_EQ(fridge.StatusByte(), VirtualProbe::kMissionInProgress);
  EXPECT_NEAR(DecodeTemperature(fridge.Memory()[1000]), 4.5, 3.0);
  // Thirty days at 5 minutes have wrapped the log.
  EXPECT_EQ(*van.ReadRegister(5, clock.UtcMilliseconds()), 30u * 288);
  EXPECT_EQ(van.StatusByte() & 0x0E, 0x0E);
  EXPECT_GT(van.LifetimeSamples(), van.MissionSamples());
  // The demo probe's clock runs a little off the bus clock.
  EXPECT_NE(fridge.ClockSeconds(clock.UtcMilliseconds()), clock.UtcMilliseconds() / 1000);
}

}  // namespace
}  // namespace ombrix::testing
