// The virtual lab both front ends run on: a kept lab taken up and written back on either clock,
// the archive it keeps apart from the user's, and the states it refuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "AdapterProvenance.h"
#include "Clock.h"
#include "Probe.h"
#include "Scenarios.h"
#include "VirtualLab.h"
#include "VirtualState.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;

constexpr std::int64_t kNoon = 1'790'000'000'000;
constexpr std::int64_t kDay = 86'400'000;

VirtualLabOptions LabOn(const QString& stateFile, const std::string& scenario = {}) {
  VirtualLabOptions options;
  options.stateFile = stateFile;
  options.scenario = scenario;
  return options;
}

class VirtualLabTest : public ::testing::Test {
 protected:
  QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

  // A kept lab of the scenario at `utc`, as an earlier run would have left it.
  void WriteLab(const QString& path, const char* scenario, std::int64_t utc) {
    VirtualClock labClock(utc);
    VirtualBus labBus(labClock, LinkTiming::Instant());
    ASSERT_TRUE(BuildScenario(labBus, scenario));
    VirtualState state;
    state.scenario = scenario;
    state.utcMilliseconds = utc;
    CaptureProbes(labBus, state);
    Write(path, FormatVirtualState(state));
  }
  static void Write(const QString& path, const std::string& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
  }
  static VirtualState ReadLab(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    VirtualState state;
    std::string error;
    EXPECT_TRUE(ParseVirtualState(file.readAll().toStdString(), state, error)) << error;
    return state;
  }
  // Stops the mission of the probe on the lab's adapter, as either front end's Stop does.
  static void StopTheProbe() {
    TProbe probe;
    ASSERT_TRUE(probe.DetectProbe());
    ASSERT_TRUE(probe.ReadStatus(true));
    ASSERT_TRUE(probe.MissionInProgress);
    ASSERT_TRUE(probe.StopMission());
  }

  QTemporaryDir dir;
  VirtualClock computer{kNoon};
  ScopedClock computerScope{computer};
};

// The window's lab: its time runs with the computer's clock, from where the kept lab left it.
TEST_F(VirtualLabTest, AKeptLabRunsOnTheComputersClockAndIsWrittenBack) {
  const QString state = Path("lab.state");
  WriteLab(state, "demo", kNoon + kDay);
  {
    VirtualLabOptions options = LabOn(state, "empty");
    options.speed = 4.0;
    VirtualLab lab(options);
    const VirtualLab::Result opened = lab.Open();
    ASSERT_TRUE(opened) << opened.error;
    EXPECT_EQ(CurrentClock().UtcMilliseconds(), kNoon + kDay) << "the kept lab's time";
    computer.Advance(300);
    StopTheProbe();
    const VirtualLab::Result saved = lab.Save();
    ASSERT_TRUE(saved) << saved.error;
  }
  EXPECT_EQ(CurrentClock().UtcMilliseconds(), computer.UtcMilliseconds()) << "clock given back";
  const VirtualState kept = ReadLab(state);
  EXPECT_EQ(kept.scenario, "demo") << "a kept lab continues its own scenario";
  EXPECT_GE(kept.utcMilliseconds, kNoon + kDay + 300);
  ASSERT_TRUE(kept.adapters.at(0).probe);
  EXPECT_FALSE(kept.adapters.at(0).probe->missionInProgress);
}

// ombrix-cli's lab: its own clock, moved on only by the link and by --advance.
TEST_F(VirtualLabTest, AVirtualClockMovesOnlyByTheLinkAndTheAdvance) {
  const QString state = Path("lab.state");
  WriteLab(state, "demo", kNoon - kDay);
  VirtualLabOptions options = LabOn(state);
  options.clock = VirtualLabOptions::ClockMode::kVirtual;
  options.advanceMilliseconds = 2 * kDay;
  VirtualLab lab(options);
  ASSERT_TRUE(lab.Open());
  const std::int64_t opened = CurrentClock().UtcMilliseconds();
  EXPECT_EQ(opened, kNoon + kDay);
  computer.Advance(kDay);
  EXPECT_EQ(CurrentClock().UtcMilliseconds(), opened) << "the computer's clock does not move it";
  StopTheProbe();
  EXPECT_GT(CurrentClock().UtcMilliseconds(), opened) << "the link's pauses at hardware pace";
  ASSERT_TRUE(lab.Save());
  EXPECT_EQ(ReadLab(state).utcMilliseconds, CurrentClock().UtcMilliseconds());
}

TEST_F(VirtualLabTest, StatesThatCannotBeTakenUpAreRefusedWithTheirReason) {
  WriteLab(Path("clear.state"), "clear", kNoon);
  WriteLab(Path("two.state"), "two", kNoon);
  {
    // The probes of a state that names another scenario.
    std::string text = FormatVirtualState(ReadLab(Path("two.state")));
    text.replace(text.find("scenario two"), 12, "scenario demo");
    Write(Path("misfit.state"), text);
  }
  Write(Path("damaged.state"), "Ombrix virtual state 1\nscenario demo\nclock soon\n");
  const struct {
    const char* file;
    const char* scenario;
    bool mustMatch;
    VirtualLab::Failure failure;
    const char* error;
  } cases[] = {
      {"damaged.state", "", false, VirtualLab::Failure::kState, "line 3: cannot read the clock"},
      {"misfit.state", "", false, VirtualLab::Failure::kState, "does not fit"},
      {"clear.state", "demo", true, VirtualLab::Failure::kUsage,
       "continues the clear scenario, not demo"},
      {"clear.state", "demo", false, VirtualLab::Failure::kNone, ""},
      {"missing.state", "nowhere", false, VirtualLab::Failure::kState,
       "names an unknown scenario nowhere"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.scenario);
    VirtualLabOptions options = LabOn(Path(c.file), c.scenario);
    options.scenarioMustMatch = c.mustMatch;
    VirtualLab lab(options);
    const VirtualLab::Result result = lab.Open();
    EXPECT_EQ(result.failure, c.failure);
    EXPECT_THAT(result.error, HasSubstr(c.error));
  }
  EXPECT_FALSE(QFile::exists(Path("missing.state"))) << "nothing written without a Save";
}

// A lab without a state file keeps its archive in a folder that goes with it, and the downloads
// made on it name the adapter as virtual; without a lab they do not.
TEST_F(VirtualLabTest, ATemporaryLabKeepsItsArchiveAndMarksItsDownloads) {
  EXPECT_EQ(ProvenanceAdapterText("Ombrix adapter", "OMX1"), "Ombrix adapter (USB serial OMX1)");
  QString archive;
  {
    VirtualLab lab(LabOn(QString()));
    archive = lab.ArchivePath();
    ASSERT_TRUE(QFileInfo(archive).dir().exists()) << archive.toStdString();
    ASSERT_TRUE(lab.Open());
    EXPECT_EQ(ProvenanceAdapterText("Ombrix adapter", "OMX1"),
              "Ombrix adapter (USB serial OMX1, virtual)");
  }
  EXPECT_FALSE(QFileInfo(archive).dir().exists()) << "removed with the lab";
  EXPECT_FALSE(OnVirtualAdapter());
}

}  // namespace
}  // namespace ombrix::testing
