// What the window takes from the INI file at start-up, and what it leaves there at close.
#include <QCheckBox>
#include <QComboBox>

#include "GuiTesting.h"

namespace ombrix::testing {
namespace {

class SettingsAtStartAndCloseTest : public GuiTest {
 protected:
  void CloseWindow() {
    form->close();
    QCoreApplication::processEvents();
  }
};

TEST_F(SettingsAtStartAndCloseTest, WithoutAnIniFileTheWindowWarnsAndWritesNothing) {
  BuildScenario(bus, "empty");
  Start();
  EXPECT_EQ(form->pos(), QPoint(292, 198));
  EXPECT_EQ(form->size(), QSize(800, 600));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, MessageKind::Message);
  EXPECT_EQ(messages[0].caption, "Warning");
  EXPECT_EQ(messages[0].text, "Application uninitialized, change Properties !");
  // File New went on, and the search finds the adapter by its default name.
  EXPECT_EQ(form->PollState, psSearching);
  RunFor(300);
  EXPECT_EQ(form->PanelText(2), "Ombrix adapter 2.1");
  CloseWindow();
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(QFile::exists(IniPath()));
}

TEST_F(SettingsAtStartAndCloseTest, AConfiguredFileGivesTheDefaultsAndGetsTwelveKeys) {
  WriteIni("[Properties]\nComNumber=0\n");
  Start();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(form->pos(), QPoint(0, 0));
  EXPECT_EQ(form->size(), QSize(800, 600));
  EXPECT_FALSE(form->isMaximized());
  EXPECT_FALSE(Find<QCheckBox>("GraphDisable3D")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("HistogramDisable3D")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("GraphDate")->isChecked());
  EXPECT_EQ(Find<QComboBox>("GraphRange")->count(), 3);
  CloseWindow();
  EXPECT_EQ(ReadIni(),
            "[Properties]\nComNumber=0\nDeviceName=Ombrix adapter\n"
            "[Form]\nTop=0\nLeft=0\nWidth=800\nHeight=600\nState=0\n"
            "[Graph]\nGraph3D=1\nGraphDate=0\nMinTemperature=0\nMaxTemperature=40\n"
            "[Histogram]\nHistogram3D=1\n");
}

TEST_F(SettingsAtStartAndCloseTest, PlacementAndSwitchesComeBackAsTheyWereLeft) {
  WriteIni(
      "[Properties]\nComNumber=0\nTest=1\nEnableOff=1\n"
      "[Form]\nTop=30\nLeft=40\nWidth=700\nHeight=500\n"
      "[Graph]\nGraph3D=0\nGraphDate=1\nHistogram3D=0\nMinTemperature=37.3\n");
  Start();
  EXPECT_EQ(form->pos(), QPoint(40, 30));
  EXPECT_EQ(form->size(), QSize(700, 500));
  EXPECT_TRUE(Find<QCheckBox>("GraphDisable3D")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("GraphDate")->isChecked());
  // "Histogram3D" in section Graph is not the histogram's key.
  EXPECT_FALSE(Find<QCheckBox>("HistogramDisable3D")->isChecked());
  auto* range = Find<QComboBox>("GraphRange");
  ASSERT_EQ(range->count(), 4);
  EXPECT_EQ(range->itemText(3), "1min");

  form->move(60, 50);
  Find<QCheckBox>("HistogramDisable3D")->setChecked(true);
  CloseWindow();
  const std::string ini = ReadIni();
  EXPECT_NE(ini.find("Test=1\nEnableOff=1\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("MinTemperature=37.2999992370605\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Top=50\nLeft=60\nWidth=700\nHeight=500\nState=0\n"), std::string::npos)
      << ini;
  EXPECT_NE(ini.find("[Histogram]\nHistogram3D=0\n"), std::string::npos) << ini;
}

TEST_F(SettingsAtStartAndCloseTest, ANegativeComNumberPlacesTheWindowButStartsNoSession) {
  const std::string text = "[Properties]\nComNumber=-5\n[Form]\nTop=10\nLeft=20\n";
  WriteIni(text);
  Start();
  EXPECT_EQ(form->pos(), QPoint(20, 10));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Application uninitialized, change Properties !");
  EXPECT_EQ(form->Workplace->ErrorCode, 4);
  CloseWindow();
  EXPECT_EQ(ReadIni(), text);
}

TEST_F(SettingsAtStartAndCloseTest, AMaximizedWindowKeepsItsNormalPlace) {
  WriteIni(
      "[Properties]\nComNumber=0\n[Form]\nTop=20\nLeft=30\nWidth=640\nHeight=480\n"
      "State=1\n");
  Start();
  EXPECT_TRUE(form->isMaximized());
  CloseWindow();
  const std::string ini = ReadIni();
  EXPECT_NE(ini.find("Width=640\nHeight=480\nState=1\n"), std::string::npos) << ini;
}

TEST_F(SettingsAtStartAndCloseTest, APlaceOffEveryScreenIsBroughtBack) {
  WriteIni("[Properties]\nComNumber=0\n[Form]\nTop=5000\nLeft=9000\n");
  Start();
  EXPECT_EQ(form->pos(), QPoint(0, 0));
}

TEST_F(SettingsAtStartAndCloseTest, TheCloseQueryProtectsAnUnsavedDownload) {
  WriteIni("[Properties]\nComNumber=0\n");
  Start();
  CloseWindow();
  EXPECT_TRUE(messages.empty());  // nothing to lose, no question

  Start();
  form->Workplace->Modified = true;
  answer = false;
  CloseWindow();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, MessageKind::Question);
  EXPECT_EQ(messages[0].caption, "Confirmation");
  EXPECT_EQ(messages[0].text, "File modified. Do You really want to terminate ?");
  EXPECT_TRUE(form->isVisible());

  answer = true;
  form->Action("FileExit")->trigger();
  QCoreApplication::processEvents();
  EXPECT_FALSE(form->isVisible());
}

TEST_F(SettingsAtStartAndCloseTest, FileNewLeavesNothingToProtect) {
  WriteIni("[Properties]\nComNumber=0\n");
  Start();
  form->Workplace->Modified = true;
  form->FileNewExecute();
  EXPECT_FALSE(form->Workplace->Modified);
  EXPECT_EQ(form->Workplace->FileName, "0");
}

TEST_F(SettingsAtStartAndCloseTest, AFailedSettingsWriteIsShownAndTheWindowStillCloses) {
  WriteIni("[Properties]\nComNumber=0\n");
  Start();
  // The folder goes away under the program: nowhere to write.
  ASSERT_TRUE(dir.remove());
  CloseWindow();
  EXPECT_FALSE(form->isVisible());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, MessageKind::Exception);
  EXPECT_TRUE(messages[0].text.contains("ombrix.INI")) << messages[0].text.toStdString();
}

}  // namespace
}  // namespace ombrix::testing
