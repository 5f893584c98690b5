// The window on a virtual lab kept by the command line: taken up where it was left, and written
// back at the end with what was done in the window.
#include "GuiTesting.h"
#include "VirtualLab.h"
#include "VirtualState.h"

namespace ombrix::testing {
namespace {

using VirtualLabTest = GuiTest;

TEST_F(VirtualLabTest, TheWindowTakesUpAKeptLabAndWritesItBack) {
  // The demo probe, recording, as a lab one day ahead of this computer's clock keeps it.
  const QString stateFile = dir.filePath("lab.state");
  const std::int64_t labTime = clock.UtcMilliseconds() + 86'400'000;
  {
    VirtualClock labClock(labTime);
    VirtualBus labBus(labClock, LinkTiming::Instant());
    ASSERT_TRUE(BuildScenario(labBus, "demo"));
    VirtualState state;
    state.scenario = "demo";
    state.utcMilliseconds = labTime;
    CaptureProbes(labBus, state);
    ASSERT_TRUE(state.adapters.at(0).probe->missionInProgress);
    const std::string text = FormatVirtualState(state);
    QFile file(stateFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
  }

  WriteIni("[Properties]\nComNumber=0\n");
  {
    VirtualLab lab;
    QString error;
    ASSERT_TRUE(lab.Open("empty", stateFile, 1.0, &error)) << error.toStdString();
    EXPECT_EQ(CurrentClock().UtcMilliseconds(), labTime);
    Start();
    RunFor(300);
    ASSERT_EQ(form->PollState, psProbe);
    form->ProbeStopExecute();
    EXPECT_EQ(form->PanelText(0), "Cmd : OK");
    form.reset();
    ASSERT_TRUE(lab.Save(&error)) << error.toStdString();
  }

  QFile file(stateFile);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  VirtualState kept;
  std::string error;
  ASSERT_TRUE(ParseVirtualState(file.readAll().toStdString(), kept, error)) << error;
  EXPECT_EQ(kept.scenario, "demo");
  EXPECT_GE(kept.utcMilliseconds, labTime + 300);
  ASSERT_TRUE(kept.adapters.at(0).probe);
  EXPECT_FALSE(kept.adapters.at(0).probe->missionInProgress);  // stopped in the window
}

}  // namespace
}  // namespace ombrix::testing
