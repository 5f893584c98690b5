// The probe commands through the window on the virtual adapter: their questions, input checks and
// refusals, what reaches the probe, what the status bar says, and a whole cycle from Clear to
// Clear.
#include <QApplication>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>

#include "Archive.h"
#include "GraphView.h"
#include "HistogramView.h"
#include "TableModel.h"
#include "ViewTesting.h"

namespace ombrix::testing {
namespace {

class ProbeActionTest : public GuiTest {
 protected:
  void StartOn(const char* scenarioName, const std::string& settings = "") {
    WriteIni("[Properties]\nComNumber=0\n" + settings);
    BuildScenario(bus, scenarioName);
    Start();
    QApplication::setActiveWindow(form.get());
    RunFor(300);
    ASSERT_EQ(form->PollState, psProbe);
    messages.clear();
  }

  VirtualProbe& Probe() { return *Adapter().Probe(); }
  TProbe& Record() { return *form->Workplace->Probe; }
  std::uint64_t Exchanges() { return Adapter().Stats().exchanges; }
  QLineEdit* Field(const char* name) { return Find<QLineEdit>(name); }

  // Fills the launch inputs: rate text and a first sample minutes from now.
  void LaunchInputs(const QString& rate, double minutesAhead) {
    Field("StatusSampleRate")->setText(rate);
    Field("StatusStartTime")->setText(DateTimeText(NowDateTime() + minutesAhead / 1440));
  }

  // The one message box a command showed, as "caption: text".
  std::string OnlyMessage() {
    if (messages.size() != 1) return "<" + std::to_string(messages.size()) + " boxes>";
    return (messages[0].caption + ": " + messages[0].text).toStdString();
  }
};

TEST_F(ProbeActionTest, BadInputIsRefusedBeforeAnythingIsSent) {
  StartOn("clear");
  for (const char* rate : {"0", "256", "abc", "", "-3", "12.5"}) {
    messages.clear();
    LaunchInputs(rate, 10);
    Field("StatusName")->setFocus();
    const std::uint64_t before = Exchanges();
    form->ProbeLaunchExecute();
    EXPECT_EQ(OnlyMessage(), "Error: Sample rate out of range 1..255 min") << rate;
    EXPECT_EQ(form->focusWidget(), Field("StatusSampleRate")) << rate;
    EXPECT_EQ(Exchanges(), before) << rate;
  }
  messages.clear();
  Field("StatusSampleRate")->setText("10");
  Field("StatusStartTime")->setText("tomorrow at noon");
  const std::uint64_t before = Exchanges();
  form->ProbeLaunchExecute();
  EXPECT_EQ(OnlyMessage(), "Error: Invalid format of First Sample time");
  EXPECT_EQ(form->focusWidget(), Field("StatusStartTime"));
  EXPECT_EQ(Exchanges(), before);
  EXPECT_TRUE(Probe().StatusByte() & VirtualProbe::kMemoryClear);
}

TEST_F(ProbeActionTest, TheLowestAndHighestRatesLaunch) {
  StartOn("clear");
  for (const int rate : {1, 255}) {
    messages.clear();
    LaunchInputs(QString::number(rate), 10);
    form->ProbeLaunchExecute();
    ASSERT_EQ(OnlyMessage(), "Confirmation: Do You really Start new Recording ?") << rate;
    EXPECT_EQ(form->PanelText(0), "Cmd : OK") << rate;
    EXPECT_TRUE(Probe().StatusByte() & VirtualProbe::kMissionInProgress) << rate;
    EXPECT_EQ(Probe().SampleRate(), rate);
    EXPECT_EQ(Field("StatusSampleRate")->text(), QString::number(rate));
    EXPECT_FALSE(Action("ProbeLaunch")->isEnabled());
    EXPECT_TRUE(Action("ProbeStop")->isEnabled());
    // Back to a clear probe through the window.
    form->ProbeStopExecute();
    form->ProbeClearExecute();
    ASSERT_TRUE(Probe().StatusByte() & VirtualProbe::kMemoryClear);
  }
}

TEST_F(ProbeActionTest, TheProbeRefusesFirstSamplesInThePastOrTooFarAhead) {
  StartOn("clear");
  const struct {
    double minutesAhead;
    const char* message;
  } cases[] = {
      {-60, "Error: First Sample time must be greater than current time"},
      {5 * 60, "Error: First Sample time must not be greater than current time + 4:00 hour"}};
  for (const auto& refused : cases) {
    messages.clear();
    LaunchInputs("7", refused.minutesAhead);
    const QString firstSample = Field("StatusStartTime")->text();
    const std::uint64_t before = Exchanges();
    Field("StatusName")->setFocus();
    form->ProbeLaunchExecute();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "Do You really Start new Recording ?");
    EXPECT_EQ((messages[1].caption + ": " + messages[1].text).toStdString(), refused.message);
    EXPECT_EQ(form->focusWidget(), Field("StatusStartTime"));
    EXPECT_TRUE(Probe().StatusByte() & VirtualProbe::kMemoryClear);
    EXPECT_GT(Exchanges(), before);  // the probe was asked
    // The page keeps what was entered, for the user to correct.
    EXPECT_EQ(Field("StatusSampleRate")->text(), "7");
    EXPECT_EQ(Field("StatusStartTime")->text(), firstSample);
    EXPECT_NE(form->PanelText(0), "Cmd : Error");
  }
}

TEST_F(ProbeActionTest, CancelInAnyQuestionSendsNothingAndChangesNothing) {
  StartOn("clear", "Test=1\nEnableOff=1\n");
  answer = false;
  LaunchInputs("33", 10);
  Field("StatusName")->setText("changed");
  Find<QPlainTextEdit>("StatusComment")->setPlainText("changed too");
  const std::string name = Record().Name;
  const std::uint64_t before = Exchanges();
  const QString panel = form->PanelText(0);

  form->ProbeLaunchExecute();
  form->StatusWriteTextClick();
  form->StatusSetupClockClick();
  form->StatusSwitchOffClick();
  EXPECT_EQ(messages.size(), 4u);
  EXPECT_EQ(Exchanges(), before);
  EXPECT_EQ(Record().SampleRate, 10);
  EXPECT_EQ(Record().Name, name);
  EXPECT_EQ(Probe().Name(), name);
  EXPECT_FALSE(Probe().StatusByte() & VirtualProbe::kSwitchedOff);
  EXPECT_EQ(form->PanelText(0), panel);

  // Stop and Clear of a running mission, cancelled.
  answer = true;
  form->ProbeLaunchExecute();
  ASSERT_TRUE(Probe().StatusByte() & VirtualProbe::kMissionInProgress);
  answer = false;
  messages.clear();
  const std::uint64_t running = Exchanges();
  form->ProbeStopExecute();
  EXPECT_EQ(OnlyMessage(), "Confirmation: Do You really Stop Recording ?");
  EXPECT_EQ(Exchanges(), running);
  EXPECT_TRUE(Probe().StatusByte() & VirtualProbe::kMissionInProgress);
}

TEST_F(ProbeActionTest, StopAndClearAskFirstAndReportInThePanel) {
  StartOn("demo");
  form->ProbeStopExecute();
  EXPECT_EQ(OnlyMessage(), "Confirmation: Do You really Stop Recording ?");
  EXPECT_EQ(form->PanelText(0), "Cmd : OK");
  EXPECT_FALSE(Probe().StatusByte() & VirtualProbe::kMissionInProgress);
  EXPECT_EQ(Find<QLineEdit>("StatusMissionSamples")->text(),
            QString::number(Probe().MissionSamples()));
  EXPECT_TRUE(Action("ProbeClear")->isEnabled());

  messages.clear();
  form->ProbeClearExecute();
  EXPECT_EQ(OnlyMessage(), "Confirmation: Do You really Clear Probe ?");
  EXPECT_EQ(form->PanelText(0), "Cmd : OK");
  EXPECT_TRUE(Probe().StatusByte() & VirtualProbe::kMemoryClear);
  EXPECT_TRUE(Action("ProbeLaunch")->isEnabled());

  // Clearing a clear probe is refused by the probe layer: only the panel says so.
  messages.clear();
  form->ProbeClearExecute();
  EXPECT_EQ(form->PanelText(0), "Cmd : Error");
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(ProbeActionTest, ClockSetupAndWriteTextActOnlyOnAnAttachedProbe) {
  StartOn("clear");
  form->PollState = psFile;
  const std::uint64_t before = Exchanges();
  form->StatusSetupClockClick();
  form->StatusWriteTextClick();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Exchanges(), before);

  form->PollState = psProbe;
  // The probe's clock runs a few seconds off; Clock Setup brings it to the PC's.
  const QString panel = form->PanelText(0);
  form->StatusSetupClockClick();
  EXPECT_EQ(OnlyMessage(),
            "Confirmation: Do You really synchronize probe clock with computer time ?");
  const std::int64_t now = clock.UtcMilliseconds();
  EXPECT_NEAR(static_cast<double>(Probe().ClockSeconds(now)), now / 1000.0, 1.0);
  EXPECT_EQ(Field("StatusCurrentClock")->text(), DateTimeText(Record().CurrentClock));
  EXPECT_EQ(form->PanelText(0), panel);

  // A clock that could not be set is not passed over in silence.
  Adapter().Faults().At(1, Fault::NoAnswer(), FaultPlan::kForever);
  form->StatusSetupClockClick();
  EXPECT_EQ(form->PanelText(0), "Cmd : Error");
  Adapter().Faults().Clear();
}

TEST_F(ProbeActionTest, WriteTextSendsNameAndCommentInTheCodePageButNeverTheSerialNumber) {
  StartOn("clear");
  const std::uint64_t serial = Probe().SerialNumber();
  Field("StatusSerialNumber")->setText("01 02 03 04 05 06 07 08");
  Field("StatusName")->setText(QString::fromUtf8("Kühlraum 3"));
  Find<QPlainTextEdit>("StatusComment")->setPlainText(QString::fromUtf8("Regal oben, 4 °C"));
  form->StatusWriteTextClick();
  EXPECT_EQ(OnlyMessage(),
            "Confirmation: Do You really write Name and Comment fields into probe ?");
  EXPECT_EQ(form->PanelText(0), "Cmd : OK");
  // Windows-1252: one byte each for the umlaut and the degree sign.
  EXPECT_EQ(Probe().Name(), "K\xFChlraum 3");
  EXPECT_EQ(Probe().Comment(),
            "Regal oben, 4 \xB0"
            "C");
  EXPECT_EQ(Probe().SerialNumber(), serial);
  // Read back from the probe and shown as the user wrote it.
  EXPECT_EQ(Field("StatusName")->text(), QString::fromUtf8("Kühlraum 3"));
  EXPECT_EQ(Field("StatusSerialNumber")->text(),
            QString::fromStdString(Record().SerialNumberText()));
}

TEST_F(ProbeActionTest, WriteTextInTestModeAlsoWritesTheSerialNumberFromTheField) {
  StartOn("clear", "Test=1\n");
  const std::uint64_t serial = Probe().SerialNumber();
  Field("StatusSerialNumber")->setText("4F 1 2 3 4 5 6");
  form->StatusWriteTextClick();
  EXPECT_EQ(form->PanelText(0), "Cmd : OK");
  const std::uint64_t written = Probe().SerialNumber();
  EXPECT_EQ(written & 0x00FFFFFFFFFFFFFFull, 0x000605040302014Full);
  EXPECT_TRUE(VirtualProbe::SerialNumberValid(written));  // byte 7 is the new check byte
  EXPECT_NE(written, serial);

  // Fewer numbers change only the bytes they give.
  Field("StatusSerialNumber")->setText("AA");
  form->StatusWriteTextClick();
  EXPECT_EQ(Probe().SerialNumber() & 0x00FFFFFFFFFFFF00ull, written & 0x00FFFFFFFFFFFF00ull);
  EXPECT_EQ(Probe().SerialNumber() & 0xFF, 0xAAu);
}

TEST_F(ProbeActionTest, SwitchOffNeedsAClearProbe) {
  StartOn("demo", "EnableOff=1\n");
  const std::uint64_t before = Exchanges();
  form->StatusSwitchOffClick();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Exchanges(), before);
  EXPECT_EQ(CurrentPageName(), "StatusTab");

  form->ProbeStopExecute();
  form->ProbeClearExecute();
  ASSERT_TRUE(Find<QPushButton>("StatusSwitchOff")->isVisibleTo(form.get()));
  messages.clear();
  Find<QPushButton>("StatusSwitchOff")->click();
  EXPECT_EQ(OnlyMessage(), "Confirmation: Do You really switch probe OFF ?");
  EXPECT_EQ(form->PanelText(0), "Cmd : OK");
  EXPECT_TRUE(Probe().StatusByte() & VirtualProbe::kSwitchedOff);
  EXPECT_TRUE(Find<QWidget>("LblProbeOff")->isVisibleTo(form.get()));
}

TEST_F(ProbeActionTest, ReadDataShowsProgressAndFillsTheViews) {
  StartOn("demo");
  auto* progress = Find<QProgressBar>("ProgressBar");
  std::vector<int> seen;
  bool shownWhileBusy = true;
  QObject::connect(progress, &QProgressBar::valueChanged, form.get(), [&](int value) {
    seen.push_back(value);
    // Set to 0 just before it is shown, then moved by each block inside the bracket.
    if (value > 0) shownWhileBusy = shownWhileBusy && progress->isVisible() && form->Busy();
  });
  form->ProbeReadDataExecute();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(form->PanelText(0), "Data : OK");
  EXPECT_FALSE(progress->isVisible());
  EXPECT_FALSE(form->Busy());
  ASSERT_GT(seen.size(), 100u);  // one step per block of 16 samples
  EXPECT_TRUE(shownWhileBusy);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), 100);

  const int samples = Record().ReadSamples;
  EXPECT_EQ(samples, static_cast<int>(Probe().MissionSamples()));
  EXPECT_TRUE(form->Workplace->Modified);
  EXPECT_EQ(form->TableModel()->rowCount(), samples);
  EXPECT_EQ(form->Graph()->Series()->count(), samples);
  int barTotal = 0;
  for (const QPointF& bar : form->Histogram()->Bars()) barTotal += static_cast<int>(bar.y());
  EXPECT_EQ(barTotal, samples);
  EXPECT_EQ(Find<QLineEdit>("StatusDownloadTime")->text(), DateTimeText(Record().DownloadTime));
  for (const char* view : {"ViewTable", "ViewGraph", "ViewHistogram"}) {
    EXPECT_TRUE(Action(view)->isEnabled()) << view;
  }
  EXPECT_EQ(CurrentPageName(), "StatusTab");
}

TEST_F(ProbeActionTest, AFailedReadLeavesTheViewsAsTheyWere) {
  StartOn("demo");
  auto* progress = Find<QProgressBar>("ProgressBar");
  // The adapter stops answering once the first block is in.
  QObject::connect(progress, &QProgressBar::valueChanged, form.get(), [this](int value) {
    if (value > 0) Adapter().Faults().At(1, Fault::NoAnswer(), FaultPlan::kForever);
  });
  form->ProbeReadDataExecute();
  EXPECT_EQ(form->PanelText(0), "Data : Error");
  EXPECT_FALSE(progress->isVisible());
  EXPECT_FALSE(form->Busy());
  EXPECT_FALSE(form->Workplace->Modified);
  EXPECT_EQ(form->TableModel()->rowCount(), 0);
  EXPECT_FALSE(form->Graph()->HasSamples());
  EXPECT_FALSE(Action("ViewTable")->isEnabled());
}

TEST_F(ProbeActionTest, ReadDataOfAClearProbeFailsAtOnce) {
  StartOn("clear");
  bool shown = false;
  QObject::connect(Find<QProgressBar>("ProgressBar"), &QProgressBar::valueChanged, form.get(),
                   [&] { shown = true; });
  form->ProbeReadDataExecute();
  EXPECT_EQ(form->PanelText(0), "Data : Error");
  EXPECT_FALSE(shown);
}

TEST_F(ProbeActionTest, AWholeCycleFromClearToClear) {
  StartOn("demo");
  Action("ProbeStop")->trigger();
  Action("ProbeClear")->trigger();
  ASSERT_EQ(form->PanelText(0), "Cmd : OK");
  ASSERT_TRUE(Action("ProbeLaunch")->isEnabled());

  // A mission every 2 minutes from the next whole minute, with rollover.
  Find<QPushButton>("StatusImmediately")->click();
  Find<QPushButton>("StatusRolloverEnable")->click();
  Field("StatusSampleRate")->setText("2");
  Action("ProbeLaunch")->trigger();
  ASSERT_EQ(form->PanelText(0), "Cmd : OK");
  EXPECT_TRUE(Probe().StatusByte() & VirtualProbe::kRolloverEnabled);
  EXPECT_FALSE(Action("ProbeReadData")->isEnabled());  // nothing recorded yet

  // Three hours pass; the poll timer keeps watching.
  for (int minute = 0; minute < 3 * 60; ++minute) {
    clock.Advance(60'000);
    ProcessMessages();
  }
  EXPECT_EQ(form->PollState, psProbe);
  Action("ProbeReadStatus")->trigger();
  ASSERT_TRUE(Action("ProbeReadData")->isEnabled());
  Action("ProbeReadData")->trigger();
  ASSERT_EQ(form->PanelText(0), "Data : OK");
  const int samples = Record().ReadSamples;
  EXPECT_GE(samples, 89);
  EXPECT_LE(samples, 91);
  EXPECT_EQ(form->TableModel()->index(1, 1).data().toString(), "00:02");
  EXPECT_NEAR(form->Graph()->DataRange().Span(), (samples - 1) * 2.0 / 1440, 1e-6);

  // Looking at the data in a one-hour window, from the end back.
  Action("ViewGraph")->trigger();
  auto* range = Find<QComboBox>("GraphRange");
  range->setCurrentIndex(2);
  Q_EMIT range->activated(2);
  EXPECT_TRUE(Action("GraphForward")->isVisible());
  Action("GraphEnd")->trigger();
  EXPECT_DOUBLE_EQ(form->Graph()->Window().maximum, form->Graph()->DataRange().maximum);

  Action("ProbeStop")->trigger();
  EXPECT_EQ(form->PanelText(0), "Cmd : OK");
  EXPECT_TRUE(Action("ProbeClear")->isEnabled());
  Action("ProbeClear")->trigger();
  EXPECT_EQ(form->PanelText(0), "Cmd : OK");
  EXPECT_TRUE(Probe().StatusByte() & VirtualProbe::kMemoryClear);
  EXPECT_FALSE(Action("ProbeReadData")->isEnabled());
  EXPECT_TRUE(Action("ProbeLaunch")->isEnabled());
  // The data downloaded before stay on view until File New.
  EXPECT_TRUE(Action("ViewTable")->isEnabled());

  // Each command is in the archive's audit trail, as ombrix-cli records it.
  std::string error;
  std::vector<AuditRow> rows;
  ASSERT_TRUE(form->Workplace->OpenArchive(error)->Audit({}, rows, error)) << error;
  std::string actions;
  for (const AuditRow& row : rows) actions += row.event.action + (row.event.done ? ", " : "!, ");
  EXPECT_EQ(actions, "stop, clear, launch, download, stop, clear, ");
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[2].event.newValue.substr(0, 11), "rate=2 min\n");
  EXPECT_EQ(rows[2].event.probeSerial, SerialNumberText(Record().SerialNumber));
}

}  // namespace
}  // namespace ombrix::testing
