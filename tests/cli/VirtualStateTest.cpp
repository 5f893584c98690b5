#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "Clock.h"
#include "Scenarios.h"
#include "VirtualState.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;

constexpr std::int64_t kNoon = 1'790'000'000'000;

struct Bus {
  VirtualClock clock{kNoon};
  VirtualBus bus{clock, LinkTiming::Instant()};
  explicit Bus(const char* scenario) { EXPECT_TRUE(BuildScenario(bus, scenario)); }
  VirtualProbe& Probe() { return *bus.Adapter(scenario::kAdapterSerial)->Probe(); }
};

VirtualState Capture(Bus& rig, const char* scenario) {
  VirtualState state;
  state.scenario = scenario;
  state.utcMilliseconds = rig.clock.UtcMilliseconds();
  CaptureProbes(rig.bus, state);
  return state;
}

// A probe taken up from its saved text records, reads and counts on as the original does.
TEST(VirtualStateTest, SavedProbeContinuesLikeTheOriginal) {
  Bus original("rollover");
  original.clock.Advance(3'600'000);
  original.Probe().CatchUp(original.clock.UtcMilliseconds());
  original.Probe().SwitchOff(VirtualProbe::kSwitchOffGuard, original.clock.UtcMilliseconds());
  VirtualState state = Capture(original, "rollover");
  state.adapters.front().faults.push_back({Fault::WrongByte(3, 0x5A), 7, 2});
  state.adapters.front().faults.push_back({Fault::BadChecksum(), 1, FaultPlan::kForever});
  state.adapters.front().faults.push_back({Fault::KeepFrame(), 1, FaultPlan::kForever});
  state.adapters.front().faults.push_back({Fault::LostBytes(4, 2), 9, 1});
  state.adapters.front().faults.push_back({Fault::DropOut(2500), 40, 1});

  const std::string text = FormatVirtualState(state);
  VirtualState parsed;
  std::string error;
  ASSERT_TRUE(ParseVirtualState(text, parsed, error)) << error;
  EXPECT_EQ(FormatVirtualState(parsed), text);
  EXPECT_EQ(parsed.scenario, "rollover");
  EXPECT_EQ(parsed.utcMilliseconds, kNoon + 3'600'000);
  ASSERT_EQ(parsed.adapters.front().faults.size(), 5u);
  EXPECT_EQ(parsed.adapters.front().faults[0].fault.value, 0x5A);
  EXPECT_EQ(parsed.adapters.front().faults[1].times, FaultPlan::kForever);
  EXPECT_EQ(parsed.adapters.front().faults[2].fault.kind, Fault::Kind::KeepFrame);
  EXPECT_EQ(parsed.adapters.front().faults[3].fault.position, 4);
  EXPECT_EQ(parsed.adapters.front().faults[4].fault.delayMs, 2500);

  Bus copy("rollover");
  copy.clock.SetUtcMilliseconds(parsed.utcMilliseconds);
  ASSERT_TRUE(RestoreProbes(copy.bus, parsed, error)) << error;
  for (Bus* rig : {&original, &copy}) {
    // Switched on by a launch a day later; both take the same samples.
    rig->Probe().Stop(rig->clock.UtcMilliseconds());
    rig->Probe().Clear(1, false, rig->clock.UtcMilliseconds());
    rig->Probe().Launch({.rate = 1}, rig->clock.UtcMilliseconds());
    rig->clock.Advance(86'400'000);
    rig->Probe().CatchUp(rig->clock.UtcMilliseconds());
  }
  EXPECT_EQ(copy.Probe().Memory(), original.Probe().Memory());
  EXPECT_EQ(copy.Probe().MissionSamples(), original.Probe().MissionSamples());
  EXPECT_EQ(copy.Probe().LifetimeSamples(), original.Probe().LifetimeSamples());
  EXPECT_EQ(copy.Probe().ClockSeconds(copy.clock.UtcMilliseconds()),
            original.Probe().ClockSeconds(original.clock.UtcMilliseconds()));
}

// Fault lines name every kind; keys left out keep their defaults, so lines written before a key
// existed read as they did.
TEST(VirtualStateTest, FaultLinesOfEveryKind) {
  Bus rig("empty");
  const std::string head = FormatVirtualState(Capture(rig, "empty"));
  const struct {
    const char* line;
    Fault::Kind kind;
    int delayMs;
    int times;
  } cases[] = {
      {"fault no-answer exchange=300 times=forever", Fault::Kind::NoAnswer, 0, FaultPlan::kForever},
      {"fault unplug exchange=2 times=1 position=0 count=1", Fault::Kind::Unplug, 0, 1},
      {"fault late-reply exchange=4 delay=900", Fault::Kind::LateReply, 900, 1},
      {"fault lost-bytes exchange=4 position=3 count=2", Fault::Kind::LostBytes, 0, 1},
      {"fault cut-request exchange=4 count=3 times=2", Fault::Kind::CutRequest, 0, 2},
      {"fault keep-frame exchange=1 times=forever", Fault::Kind::KeepFrame, 0, FaultPlan::kForever},
      {"fault slow-command exchange=1 delay=1500 value=03", Fault::Kind::SlowCommand, 1500, 1},
      {"fault drop-out exchange=50 delay=4000", Fault::Kind::DropOut, 4000, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    VirtualState state;
    std::string error;
    ASSERT_TRUE(ParseVirtualState(head + c.line + "\n", state, error)) << error;
    const VirtualState::PlannedFault& f = state.adapters.front().faults.at(0);
    EXPECT_EQ(f.fault.kind, c.kind);
    EXPECT_EQ(f.fault.delayMs, c.delayMs);
    EXPECT_EQ(f.times, c.times);
    const std::string again = FormatVirtualState(state);
    EXPECT_EQ(again.find(" delay=") != std::string::npos, c.delayMs != 0);
    VirtualState reread;
    ASSERT_TRUE(ParseVirtualState(again, reread, error)) << error;
    EXPECT_EQ(FormatVirtualState(reread), again);
  }
  VirtualState state;
  std::string error;
  EXPECT_FALSE(ParseVirtualState(head + "fault late-reply delay=-5\n", state, error));
  EXPECT_THAT(error, HasSubstr("cannot read \"delay=-5\""));
}

TEST(VirtualStateTest, DamagedTextIsRefusedWithItsLine) {
  Bus rig("demo");
  const std::string text = FormatVirtualState(Capture(rig, "demo"));
  VirtualState state;
  std::string error;

  std::string missing = text;
  const std::size_t line = missing.find("memory 0040 ");
  missing.erase(line, missing.find('\n', line) + 1 - line);
  EXPECT_FALSE(ParseVirtualState(missing, state, error));
  EXPECT_THAT(error, HasSubstr("memory is incomplete"));

  std::string wrongByte = text;
  wrongByte[text.find("memory 0000 ") + 12] = 'G';
  EXPECT_FALSE(ParseVirtualState(wrongByte, state, error));
  EXPECT_THAT(error, HasSubstr("not hex"));

  EXPECT_FALSE(ParseVirtualState("Ombrix virtual state 2\n", state, error));
  EXPECT_THAT(error, HasSubstr("line 1"));
  EXPECT_FALSE(ParseVirtualState(text + "fault melting exchange=1\n", state, error));
  EXPECT_THAT(error, HasSubstr("unknown fault \"melting\""));
  EXPECT_FALSE(
      ParseVirtualState(text + "fault \x1b[2J" + std::string(500, 'x') + "\n", state, error));
  EXPECT_THAT(error, HasSubstr("unknown fault \"?[2J" + std::string(36, 'x') + "...\""));
  std::string truncated = text.substr(0, text.rfind("end\n"));
  EXPECT_FALSE(ParseVirtualState(truncated, state, error));
  EXPECT_THAT(error, HasSubstr("no \"end\""));
}

// A hand-edited time far beyond any calendar would overflow the clock arithmetic of the run.
TEST(VirtualStateTest, TimesBeyondTheClockRangeAreRefused) {
  Bus rig("clear");
  const std::string text = FormatVirtualState(Capture(rig, "clear"));
  const auto with = [&](const std::string& prefix, const std::string& value) {
    std::string changed = text;
    const std::size_t at = changed.find("\n" + prefix + " ") + prefix.size() + 2;
    changed.replace(at, changed.find('\n', at) - at, value);
    return changed;
  };
  constexpr std::int64_t kLimit = std::int64_t{1} << 50;
  VirtualState state;
  std::string error;
  for (const char* item : {"clock", "clock-offset-ms", "switched-off-ms"}) {
    for (const std::string& beyond :
         {std::string("9223372036854775807"), std::string("-9223372036854775808"),
          std::to_string(kLimit + 1)}) {
      error.clear();
      EXPECT_FALSE(ParseVirtualState(with(item, beyond), state, error)) << item << " " << beyond;
      EXPECT_THAT(error, HasSubstr("line ")) << item;
    }
  }

  // At the limits the state still reads, and the probe keeps time on the bus.
  ASSERT_TRUE(ParseVirtualState(with("clock", std::to_string(kLimit)), state, error)) << error;
  ASSERT_TRUE(ParseVirtualState(with("clock-offset-ms", std::to_string(kLimit)), state, error))
      << error;
  state.utcMilliseconds = kLimit;
  Bus far("clear");
  far.clock.SetUtcMilliseconds(state.utcMilliseconds);
  ASSERT_TRUE(RestoreProbes(far.bus, state, error)) << error;
  far.clock.Advance(100LL * 366 * 24 * 3600 * 1000);
  EXPECT_EQ(far.Probe().ClockSeconds(far.clock.UtcMilliseconds()), 0xFFFFFFFFu);
  ASSERT_TRUE(ParseVirtualState(with("switched-off-ms", std::to_string(-kLimit)), state, error))
      << error;
}

TEST(VirtualStateTest, StateOfAnotherScenarioDoesNotFit) {
  Bus two("two");
  const VirtualState state = Capture(two, "two");
  Bus demo("demo");
  std::string error;
  EXPECT_FALSE(RestoreProbes(demo.bus, state, error));
  EXPECT_THAT(error, HasSubstr(scenario::kSecondAdapterSerial));

  Bus empty("empty");
  EXPECT_FALSE(RestoreProbes(empty.bus, Capture(demo, "demo"), error));
  EXPECT_THAT(error, HasSubstr("has no probe"));
}

// A state that cannot be written fails the run with exit 8, unless the command has already failed
// with its own code.
TEST_F(CliTest, AStateThatCannotBeSavedFailsTheRun) {
  const struct {
    const char* command;
    int code;
  } cases[] = {
      // the demo probe is recording; without --no-archive the audit trail of the lab's archive
      // would make the folder
      {"status", 8}, {"--no-archive stop --yes", 8}, {"--no-archive clear --yes", 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    const CliResult r = Run(Args("--virtual-state no/such/folder/state") + Args(c.command));
    EXPECT_EQ(r.code, c.code);
    EXPECT_THAT(r.err, HasSubstr("the virtual state was not saved: Cannot create "
                                 "\"no/such/folder/state\": No such file or directory"));
  }
}

}  // namespace
}  // namespace ombrix::testing
