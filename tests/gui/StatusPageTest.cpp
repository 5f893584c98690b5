// The Status page: what it shows of the probe record, that its commands and inputs follow what
// each state of the probe (and a record file) allows, and the two buttons that send nothing.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <functional>

#include "Images.h"
#include "ViewTesting.h"

namespace ombrix::testing {
namespace {

class StatusPageTest : public GuiTest {
 protected:
  // Starts the window on the scenario and lets the poll timer find and read the probe.
  void StartOn(const char* scenarioName, const std::string& settings = "") {
    WriteIni("[Properties]\nComNumber=0\n" + settings);
    BuildScenario(bus, scenarioName);
    Start();
    RunFor(300);
    ASSERT_EQ(form->PollState, psProbe);
    ASSERT_EQ(form->PanelText(0), "Probe : OK");
  }

  QString Text(const char* field) { return Find<QLineEdit>(field)->text(); }
  // Enabled, or for the name and comment (read-only while not editable): editable.
  bool Enabled(const char* name) {
    if (QAction* action = Action(name)) return action->isEnabled();
    if (auto* line = qobject_cast<QLineEdit*>(Find<QWidget>(name)); line && line->isReadOnly()) {
      return false;
    }
    if (auto* text = qobject_cast<QPlainTextEdit*>(Find<QWidget>(name))) {
      return text->isEnabled() && !text->isReadOnly();
    }
    return Find<QWidget>(name)->isEnabled();
  }
  int Lamp(const char* name) { return Find<QLabel>(name)->property("ledImage").toInt(); }
  bool Shown(const char* name) { return Find<QWidget>(name)->isVisibleTo(form.get()); }

  // "1" for each enabled name, "0" for each disabled one.
  std::string States(std::initializer_list<const char*> names) {
    std::string states;
    for (const char* name : names) states += Enabled(name) ? '1' : '0';
    return states;
  }
  static constexpr std::initializer_list<const char*> kCommands = {
      "ProbeReadStatus", "ProbeReadData", "ProbeClear", "ProbeStop", "ProbeLaunch"};
  static constexpr std::initializer_list<const char*> kInputs = {
      "StatusName",           "StatusComment",    "StatusSampleRate", "StatusStartTime",
      "StatusRolloverEnable", "StatusSetupClock", "StatusWriteText",  "StatusImmediately"};
  static constexpr std::initializer_list<const char*> kFileAndViews = {
      "FileSave",   "FileSaveAs", "FileExport", "FilePrint",
      "ViewStatus", "ViewTable",  "ViewGraph",  "ViewHistogram"};
};

TEST_F(StatusPageTest, ARunningMissionShowsTheRecordAndAllowsStopAndReadData) {
  StartOn("demo");
  const TProbe& record = *form->Workplace->Probe;
  EXPECT_EQ(CurrentPageName(), "StatusTab");
  EXPECT_EQ(Text("StatusSerialNumber"), QString::fromStdString(record.SerialNumberText()));
  EXPECT_EQ(Text("StatusName"), "Cold room 2 - dairy");
  EXPECT_TRUE(Find<QPlainTextEdit>("StatusComment")->toPlainText().startsWith("Walk-in cooler"));
  EXPECT_EQ(Text("StatusCurrentClock"), DateTimeText(record.CurrentClock));
  EXPECT_FALSE(Text("StatusCurrentClock").isEmpty());
  EXPECT_EQ(Text("StatusSampleRate"), "10");
  EXPECT_EQ(Text("StatusStartTime"), DateTimeText(record.StartTime));
  EXPECT_EQ(Text("StatusMissionStart"), DateTimeText(record.MissionStart));
  EXPECT_EQ(Text("StatusMissionSamples"), QString::number(record.MissionSamples));
  EXPECT_GT(record.MissionSamples, 3000);
  EXPECT_EQ(Text("StatusDownloadTime"), "");
  EXPECT_EQ(Text("StatusSamplesTotal"), QString::number(record.SamplesTotal));

  EXPECT_EQ(Lamp("StatusMissionInProgressLed"), ledGreen);
  EXPECT_EQ(Find<QLabel>("StatusMissionInProgress")->text(), "Recording In Progress");
  EXPECT_EQ(Lamp("StatusMemoryClearLed"), ledOff);
  EXPECT_EQ(Lamp("StatusRolloverEnableLed"), ledOff);
  EXPECT_EQ(Lamp("StatusRolloverOccuredLed"), ledOff);
  EXPECT_FALSE(Shown("StatusTestLed"));
  EXPECT_FALSE(Shown("LblTest"));
  EXPECT_FALSE(Shown("StatusProbeOffLed"));

  EXPECT_EQ(States(kCommands), "11010");
  EXPECT_EQ(States(kInputs), "00000000");
  EXPECT_FALSE(Enabled("StatusSerialNumber"));
  EXPECT_FALSE(Shown("StatusSwitchOff"));
  // Nothing downloaded yet: no view of the samples.
  EXPECT_EQ(States(kFileAndViews), "11111000");
}

TEST_F(StatusPageTest, LampsKeepTheirColoursWhileACommandDisablesTheWindow) {
  StartOn("demo");
  form->BeginBusy();
  ASSERT_FALSE(form->centralWidget()->isEnabled());
  const QImage lit = LedImage(ledGreen).toImage();
  for (const char* name : {"StatusMissionInProgressLed", "ActivityLed"}) {
    auto* lamp = Find<QLabel>(name);
    const QImage drawn = lamp->grab().toImage();
    const QPoint middle(drawn.width() / 2, drawn.height() / 2);
    EXPECT_EQ(drawn.pixelColor(middle), lit.pixelColor(lit.width() / 2, lit.height() / 2)) << name;
  }
  form->EndBusy();
}

TEST_F(StatusPageTest, AClearProbeTakesTheSettingsOfANewMission) {
  StartOn("clear");
  EXPECT_EQ(States(kCommands), "10001");
  EXPECT_EQ(States(kInputs), "11111111");
  EXPECT_FALSE(Enabled("StatusSerialNumber"));
  EXPECT_FALSE(Shown("StatusSwitchOff"));
  EXPECT_EQ(Lamp("StatusMemoryClearLed"), ledGreen);
  EXPECT_EQ(Lamp("StatusMissionInProgressLed"), ledRed);
  EXPECT_EQ(Find<QLabel>("StatusMissionInProgress")->text(), "Recording Stopped");
  // A clear probe proposes the next whole minute for its first sample.
  const TDateTime proposed = form->Workplace->Probe->StartTime;
  EXPECT_EQ(Text("StatusStartTime"), DateTimeText(proposed));
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(proposed, year, month, day, hour, minute, second, millisecond);
  EXPECT_EQ(second, 0);
  EXPECT_GT(proposed, NowDateTime());
  EXPECT_LE(proposed - NowDateTime(), 1.0 / 1440);
}

// The probe keeps 151 bytes of comment in the chosen code page: more is refused with the reason.
TEST_F(StatusPageTest, TheCommentTakesNoMoreThanTheProbeHolds) {
  StartOn("clear");
  auto* comment = Find<QPlainTextEdit>("StatusComment");
  auto* note = Find<QLabel>("StatusCommentNote");
  const QString fits = QString(150, u'x') + QChar(0x00FC);  // ü: one byte in Windows-1252
  comment->setPlainText(fits);
  EXPECT_EQ(comment->toPlainText(), fits);
  EXPECT_TRUE(note->text().isEmpty());
  for (const QString& more : {fits + u'y', QString(300, u'z')}) {
    comment->setPlainText(more);
    EXPECT_EQ(comment->toPlainText(), fits);
    EXPECT_EQ(note->text(), "The probe keeps at most 151 characters of comment.");
  }
  comment->setPlainText(QStringLiteral("short"));
  EXPECT_TRUE(note->text().isEmpty());
}

// At the adapter's real speed Write text takes many seconds, and Read Status and Clock Setup some:
// the window is painted between the exchanges, never left for more than a quarter of a second.
TEST_F(StatusPageTest, TheWindowStaysPaintedThroughLongProbeWork) {
  StartOn("clear");
  bus.SetTiming(LinkTiming::Hardware());
  Find<QLineEdit>("StatusName")->setText(QString(31, u'n'));
  Find<QPlainTextEdit>("StatusComment")->setPlainText(QString(151, u'c'));
  // An event that posts itself again each time it is handled: its times are those at which the
  // window handled events.
  struct Ticker : QObject {
    explicit Ticker(VirtualClock& c) : clock(c) {}
    bool event(QEvent* e) override {
      if (e->type() != QEvent::User) return QObject::event(e);
      times.push_back(clock.MonotonicMilliseconds());
      QCoreApplication::postEvent(this, new QEvent(QEvent::User));
      return true;
    }
    VirtualClock& clock;
    std::vector<std::int64_t> times;
  };
  const struct {
    const char* name;
    std::function<void()> run;
    std::int64_t atLeast;
  } operations[] = {
      {"Write text", [&] { form->StatusWriteTextClick(); }, 10'000},
      {"Read Status", [&] { form->ProbeReadStatusExecute(); }, 1'000},
      {"Clock Setup", [&] { form->StatusSetupClockClick(); }, 50},
  };
  for (const auto& operation : operations) {
    Ticker ticker(clock);
    QCoreApplication::postEvent(&ticker, new QEvent(QEvent::User));
    const std::int64_t start = clock.MonotonicMilliseconds();
    operation.run();
    const std::int64_t end = clock.MonotonicMilliseconds();
    EXPECT_EQ(form->PanelText(0), "Cmd : OK") << operation.name;
    EXPECT_GE(end - start, operation.atLeast) << operation.name;
    std::int64_t last = start;
    std::int64_t longest = 0;
    for (const std::int64_t t : ticker.times) {
      longest = std::max(longest, t - last);
      last = t;
    }
    longest = std::max(longest, end - last);
    EXPECT_LE(longest, 250) << operation.name << " over " << end - start << " ms";
  }
  EXPECT_EQ(Text("StatusName"), QString(31, u'n'));
}

TEST_F(StatusPageTest, TestModeOpensTheSerialNumberAndEnableOffShowsSwitchOff) {
  StartOn("clear", "Test=1\nEnableOff=1\n");
  EXPECT_TRUE(Enabled("StatusSerialNumber"));
  EXPECT_TRUE(Shown("StatusSwitchOff"));
  // Flags of the record light their lamps.
  TProbe& record = *form->Workplace->Probe;
  record.Test = true;
  record.ProbeOff = true;
  record.RolloverOccured = true;
  record.RolloverEnable = true;
  form->ShowProbeStatus();
  EXPECT_TRUE(Shown("StatusTestLed"));
  EXPECT_TRUE(Shown("LblTest"));
  EXPECT_EQ(Lamp("StatusTestLed"), ledRed);
  EXPECT_TRUE(Shown("StatusProbeOffLed"));
  EXPECT_EQ(Lamp("StatusProbeOffLed"), ledRed);
  EXPECT_EQ(Lamp("StatusRolloverOccuredLed"), ledRed);
  EXPECT_EQ(Lamp("StatusRolloverEnableLed"), ledGreen);
  EXPECT_TRUE(form->RolloverChoice);
}

TEST_F(StatusPageTest, ARecordFromAFileShowsNoClockAndAllowsNoProbeCommand) {
  StartOn("clear", "EnableOff=1\n");
  // As File Open leaves the window: a fresh record without a link, in the file state.
  form->FileNewExecute();
  form->PollState = psFile;
  HeldRecord().ReadSamples = 5;
  form->ShowProbeStatus();
  EXPECT_EQ(Text("StatusCurrentClock"), "");
  EXPECT_EQ(States(kCommands), "00000");
  EXPECT_EQ(States(kInputs), "00000000");
  EXPECT_FALSE(Shown("StatusSwitchOff"));
  EXPECT_EQ(States(kFileAndViews), "11111111");
}

TEST_F(StatusPageTest, EnableRolloverOnlyChangesTheChoiceForTheNextLaunch) {
  StartOn("clear");
  const std::uint64_t before = Adapter().Stats().exchanges;
  ASSERT_FALSE(form->RolloverChoice);
  Find<QPushButton>("StatusRolloverEnable")->click();
  EXPECT_TRUE(form->RolloverChoice);
  EXPECT_EQ(Lamp("StatusRolloverEnableLed"), ledGreen);
  Find<QPushButton>("StatusRolloverEnable")->click();
  EXPECT_FALSE(form->RolloverChoice);
  EXPECT_EQ(Lamp("StatusRolloverEnableLed"), ledOff);
  EXPECT_EQ(Adapter().Stats().exchanges, before);
  EXPECT_FALSE(form->Workplace->Probe->RolloverEnable);
}

TEST_F(StatusPageTest, ImmediatelyProposesTheNextWholeMinute) {
  StartOn("clear");
  const std::uint64_t before = Adapter().Stats().exchanges;
  auto* immediately = Find<QPushButton>("StatusImmediately");
  // 10:59:30 and 23:59:10 Central European winter time are an hour earlier in UTC.
  clock.SetUtcMilliseconds(LocalTimeToSeconds(2025, 1, 15, 10, 59, 30) * 1000);
  immediately->click();
  EXPECT_EQ(Text("StatusStartTime"), DateTimeText(EncodeDateTime(2025, 1, 15, 11, 0, 0)));
  clock.SetUtcMilliseconds(LocalTimeToSeconds(2025, 1, 15, 23, 59, 10) * 1000);
  immediately->click();
  EXPECT_EQ(Text("StatusStartTime"), DateTimeText(EncodeDateTime(2025, 1, 16, 0, 0, 0)));
  EXPECT_EQ(form->Workplace->Probe->StartTime, EncodeDateTime(2025, 1, 16));
  EXPECT_EQ(Adapter().Stats().exchanges, before);
}

}  // namespace
}  // namespace ombrix::testing
