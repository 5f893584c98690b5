// The poll timer: what the status bar says about adapter and probe, how the window follows a probe
// put on and taken off, the file state, the busy bracket and the PC clock.
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>

#include "GuiTesting.h"
#include "Images.h"
#include "TimeConversion.h"

namespace ombrix::testing {
namespace {

class PollTimerTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    WriteIni("[Properties]\nComNumber=0\n");
  }

  // Records the moments at which the poll timer ticks, on the monotonic clock, as each tick
  // starts (before the window's handler, which may spend time).
  void WatchTicks() {
    auto ticks = std::make_shared<std::vector<std::int64_t>>();
    QObject::disconnect(form->Timer, &TTimer::Tick, form.get(), &TMainForm::TimerTimer);
    QObject::connect(form->Timer, &TTimer::Tick, form.get(),
                     [this, ticks] { ticks->push_back(clock.MonotonicMilliseconds()); });
    QObject::connect(form->Timer, &TTimer::Tick, form.get(), &TMainForm::TimerTimer);
    tickLog_ = ticks;
  }
  const std::vector<std::int64_t>& Ticks() const { return *tickLog_; }

  // The demo probe, taken off the adapter, to be put on again later.
  std::shared_ptr<VirtualProbe> StartWithProbeOff() {
    BuildScenario(bus, "demo");
    auto probe = Adapter().DetachProbe();
    Start();
    RunFor(300);
    return probe;
  }

  std::uint64_t Exchanges() { return Adapter().Stats().exchanges; }

 private:
  std::shared_ptr<std::vector<std::int64_t>> tickLog_;
};

TEST_F(PollTimerTest, NoAdapter) {
  BuildScenario(bus, "none");
  Start();
  EXPECT_EQ(form->Timer->Interval(), 300);
  RunFor(300);
  EXPECT_EQ(form->PanelText(0), "Probe : NO");
  EXPECT_EQ(form->PanelText(1), "<noname>");
  EXPECT_EQ(form->PanelText(2), "NO ADAPTER CONNECTED");
  EXPECT_EQ(form->PanelText(3), "");
  EXPECT_EQ(CurrentPageName(), "EmptyTab");
  EXPECT_EQ(form->PollState, psSearching);
  EXPECT_EQ(form->Timer->Interval(), 1250);
  EXPECT_EQ(form->ActivityLedImage(), ledOff);
  EXPECT_TRUE(messages.empty());
}

TEST_F(PollTimerTest, TwoAdapters) {
  BuildScenario(bus, "two");
  Start();
  RunFor(300);
  EXPECT_EQ(form->PanelText(2), "MORE ADAPTERS FOUND !");
  EXPECT_EQ(form->PanelText(3), "");
  EXPECT_EQ(form->PanelText(0), "Probe : NO");
}

TEST_F(PollTimerTest, AnAdapterWithoutProbe) {
  BuildScenario(bus, "empty");
  Start();
  RunFor(300);
  EXPECT_EQ(form->PanelText(2), "Ombrix adapter 2.1");
  EXPECT_EQ(form->PanelText(3), "OMX10001");
  EXPECT_EQ(form->PanelText(0), "Probe : NO");
  EXPECT_EQ(form->Timer->Interval(), 1250);
}

// An adapter out of reach keeps the panel's text; what is known of why, and what helps, is shown.
TEST_F(PollTimerTest, AnAdapterOutOfReachIsNamedWithTheReasonAndTheRemedy) {
  struct RefusingBus : VirtualBus {
    using VirtualBus::VirtualBus;
    bool SawInaccessibleDevice() const override { return locked; }
    FtdiHandle OpenListed(std::uint32_t) override { return kInvalidFtdiHandle; }
    OpenFailure LastOpenFailure() const override { return why; }
    bool locked = false;
    OpenFailure why = OpenFailure::kOther;
  };
  const struct {
    bool locked;
    OpenFailure why;
    const char* panel2;
    const char* panel3;
    const char* advice;
  } cases[] = {
      {true, OpenFailure::kOther, "NO USB ACCESS - see Help", "", "70-ombrix-ftdi.rules"},
      {false, OpenFailure::kBusy, "NO ADAPTER CONNECTED",
       "the adapter is in use by another program", "Close the other program"},
      {false, OpenFailure::kKernelDriver, "NO ADAPTER CONNECTED",
       "the system's serial driver holds the adapter and could not be detached", "braille"},
  };
  for (const auto& c : cases) {
    RefusingBus refusing(clock, LinkTiming::Instant());
    refusing.locked = c.locked;
    refusing.why = c.why;
    if (!c.locked) BuildScenario(refusing, "empty");
    ScopedDriver driver(refusing);
    Start();
    RunFor(300);
    EXPECT_EQ(form->PanelText(2), c.panel2);
    EXPECT_EQ(form->PanelText(3), c.panel3);
    const QString tip = Find<QLabel>(c.locked ? "Panel2" : "Panel3")->toolTip();
    EXPECT_TRUE(tip.contains(c.advice)) << tip.toStdString();
    form.reset();  // before the bus it uses
  }
}

TEST_F(PollTimerTest, AProbePutOnIsReadAtTheNextSearch) {
  auto probe = StartWithProbeOff();
  WatchTicks();
  EXPECT_EQ(form->PanelText(0), "Probe : NO");
  EXPECT_FALSE(Action("ProbeReadStatus")->isEnabled());

  Adapter().AttachProbe(probe);
  RunFor(1250);
  ASSERT_EQ(Ticks().size(), 1u);
  EXPECT_EQ(form->PollState, psProbe);
  EXPECT_EQ(form->PanelText(0), "Probe : OK");
  EXPECT_EQ(CurrentPageName(), "StatusTab");
  EXPECT_TRUE(Action("ViewStatus")->isChecked());
  EXPECT_TRUE(Action("ProbeReadStatus")->isEnabled());
  EXPECT_EQ(form->Timer->Interval(), 4000);
  EXPECT_FALSE(Find<QLineEdit>("StatusCurrentClock")->text().isEmpty());
  // The read status is the probe's.
  EXPECT_EQ(form->Workplace->Probe->Name, "Cold room 2 - dairy");
}

TEST_F(PollTimerTest, AFailedAutomaticReadStillReportsTheProbe) {
  auto probe = StartWithProbeOff();
  Adapter().AttachProbe(probe);
  form->FileNewExecute();  // closes the window's link
  // Count the exchanges of a detection from a closed link, then let every later one go unanswered.
  std::uint64_t detection;
  {
    const std::uint64_t before = Exchanges();
    TProbe other;
    ASSERT_TRUE(other.DetectProbe());
    detection = Exchanges() - before;
  }
  Adapter().Faults().At(static_cast<int>(detection) + 1, Fault::NoAnswer(), FaultPlan::kForever);
  RunFor(1250);
  EXPECT_EQ(form->PollState, psProbe);
  EXPECT_EQ(form->PanelText(0), "Probe : OK");
  EXPECT_TRUE(Action("ProbeReadStatus")->isEnabled());
  EXPECT_EQ(CurrentPageName(), "EmptyTab");  // the failed read showed nothing
}

TEST_F(PollTimerTest, AProbeTakenOffEmptiesTheWindowWithinOnePresenceCheck) {
  BuildScenario(bus, "demo");
  Start();
  RunFor(300);
  ASSERT_EQ(form->PollState, psProbe);
  WatchTicks();
  const std::int64_t removed = clock.MonotonicMilliseconds();
  Adapter().DetachProbe();
  RunFor(4000);
  ASSERT_EQ(Ticks().size(), 1u);
  EXPECT_LE(Ticks()[0] - removed, 4000);
  EXPECT_EQ(form->PanelText(0), "Probe : NO");
  EXPECT_EQ(CurrentPageName(), "EmptyTab");
  EXPECT_EQ(form->PollState, psSearching);
  EXPECT_FALSE(Action("ProbeReadStatus")->isEnabled());
  EXPECT_FALSE(Action("ViewStatus")->isEnabled());
  EXPECT_FALSE(Action("ViewStatus")->isChecked());
  EXPECT_EQ(form->Workplace->Probe->Name, "");  // the data are gone

  // The first search a full presence period later, then one every 1250 ms.
  RunFor(4000 + 3 * 1250);
  ASSERT_EQ(Ticks().size(), 5u);
  EXPECT_EQ(Ticks()[1] - Ticks()[0], 4000);
  EXPECT_EQ(Ticks()[2] - Ticks()[1], 1250);
  EXPECT_EQ(Ticks()[4] - Ticks()[3], 1250);
  EXPECT_EQ(form->PanelText(2), "Ombrix adapter 2.1");
}

TEST_F(PollTimerTest, ThePresenceCheckRefreshesTheProbeClockOnTheStatusPage) {
  BuildScenario(bus, "demo");
  Start();
  RunFor(300);
  auto* field = Find<QLineEdit>("StatusCurrentClock");
  field->setText("x");
  RunFor(4000);
  EXPECT_EQ(field->text(), DateTimeText(form->Workplace->Probe->CurrentClock));
  EXPECT_NE(field->text(), "x");
}

TEST_F(PollTimerTest, AFileSessionLeavesTheAdapterAlone) {
  BuildScenario(bus, "demo");
  Start();
  form->PollState = psFile;  // as File Open leaves it
  const std::uint64_t before = Exchanges();
  RunFor(300);
  EXPECT_EQ(form->PanelText(0), "File :");
  EXPECT_EQ(form->Timer->Interval(), 4000);
  RunFor(12000);
  EXPECT_EQ(Exchanges(), before);
  EXPECT_EQ(form->PollState, psFile);
  EXPECT_EQ(form->PanelText(0), "File :");
}

TEST_F(PollTimerTest, NoTickDuringABusyBracket) {
  BuildScenario(bus, "demo");
  Start();
  RunFor(300);
  ASSERT_EQ(form->PollState, psProbe);
  WatchTicks();
  // Both timers overdue when the command starts.
  clock.Advance(5000);
  struct Seen {
    bool busy, timerEnabled, windowEnabled;
    int led;
  };
  std::vector<Seen> seen;
  QObject::connect(form->PcClock, &TTimer::Tick, form.get(), [&] {
    seen.push_back(
        {form->Busy(), form->Timer->Enabled(), form->centralWidget()->isEnabled() &&
                                                   form->menuBar()->isEnabled(),
         form->ActivityLedImage()});
  });
  form->ProbeReadStatusExecute();
  EXPECT_TRUE(Ticks().empty());
  ASSERT_EQ(seen.size(), 1u);  // the PC clock may tick inside: it does not touch the adapter
  EXPECT_TRUE(seen[0].busy);
  EXPECT_FALSE(seen[0].timerEnabled);
  EXPECT_FALSE(seen[0].windowEnabled);
  EXPECT_EQ(seen[0].led, ledGreen);
  EXPECT_FALSE(form->Busy());
  EXPECT_TRUE(form->centralWidget()->isEnabled() && form->menuBar()->isEnabled());
  EXPECT_EQ(form->ActivityLedImage(), ledOff);
  EXPECT_EQ(form->PanelText(0), "Cmd : OK");

  // The first tick comes a full interval after the bracket.
  const std::int64_t ended = clock.MonotonicMilliseconds();
  RunFor(4000);
  ASSERT_EQ(Ticks().size(), 1u);
  EXPECT_EQ(Ticks()[0] - ended, 4000);
}

TEST_F(PollTimerTest, EndBusyRunsOnceAlsoWhenTheOperationThrows) {
  BuildScenario(bus, "empty");
  Start();
  try {
    TBusyBracket busy(*form);
    EXPECT_FALSE(form->Timer->Enabled());
    throw std::runtime_error("unexpected");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(form->Busy());
  EXPECT_TRUE(form->Timer->Enabled());
  EXPECT_TRUE(form->centralWidget()->isEnabled());
  EXPECT_THROW(form->EndBusy(), ConsistencyError);
  EXPECT_THROW(form->PumpMessages(), ConsistencyError);
}

TEST_F(PollTimerTest, PumpMessagesLetsTheWindowRunInsideTheBracket) {
  BuildScenario(bus, "empty");
  Start();
  RunFor(300);
  form->ViewStatusExecute();
  auto* field = Find<QLineEdit>("StatusPcClock");
  {
    TBusyBracket busy(*form);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    const std::uint64_t before = Exchanges();
    clock.Advance(60'000);
    form->PumpMessages();
    EXPECT_EQ(field->text(), DateTimeText(NowDateTime()));  // the PC clock ticked
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_EQ(Exchanges(), before);  // and the poll timer did not
  }
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(PollTimerTest, ATickWaitsWhileAMessageBoxIsOpen) {
  BuildScenario(bus, "empty");
  Start();
  std::vector<QString> panelsSeen;
  SetMessageResponder([&](const MessageRequest&) {
    form->Timer->SetInterval(10);
    RunFor(100);  // the event loop of the box turns
    panelsSeen.push_back(form->PanelText(2));
    return true;
  });
  ShowMessage(form.get(), "Warning", "waiting");
  ASSERT_EQ(panelsSeen.size(), 1u);
  EXPECT_EQ(panelsSeen[0], "");  // no search ran behind the box
  RunFor(10);
  EXPECT_EQ(form->PanelText(2), "Ombrix adapter 2.1");
}

TEST_F(PollTimerTest, ThePcClockShowsOnlyOnTheStatusPage) {
  BuildScenario(bus, "empty");
  Start();
  EXPECT_EQ(form->PcClock->Interval(), 1000);
  EXPECT_TRUE(form->PcClock->Enabled());
  auto* field = Find<QLineEdit>("StatusPcClock");
  RunFor(1000);
  EXPECT_EQ(field->text(), "");  // the Empty page is shown
  form->ViewStatusExecute();
  form->PcClockTimer();
  EXPECT_EQ(field->text(), DateTimeText(NowDateTime()));
  clock.Advance(61'000);
  form->PcClockTimer();
  EXPECT_EQ(field->text(), DateTimeText(NowDateTime()));
  form->PollState = psFile;  // also while a file is shown
  clock.Advance(1000);
  form->PcClockTimer();
  EXPECT_EQ(field->text(), DateTimeText(NowDateTime()));
}

}  // namespace
}  // namespace ombrix::testing
