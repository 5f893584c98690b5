// The held download through the window: what status reads, failed downloads, swapped or removed
// probes and the user's choices can and cannot do to it.
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <random>

#include "FileTesting.h"
#include "Scenarios.h"
#include "TableModel.h"

namespace ombrix::testing {
namespace {

constexpr const char* kTakenAway = "The probe was taken away.";

class HeldRecordTest : public FileActionTest {
 protected:
  // The demo probe attached and its log downloaded, not saved.
  void StartWithDownload() {
    BuildScenario(bus, "demo");
    Start();
    RunFor(300);
    ASSERT_EQ(form->PollState, psProbe);
    form->ProbeReadDataExecute();
    ASSERT_EQ(form->PanelText(0), "Data : OK");
    ASSERT_TRUE(form->Workplace->Modified);
    held = form->Workplace->Record.get();
    rows = form->TableModel()->rowCount();
    ASSERT_GT(rows, 0);
    messages.clear();
  }
  void ExpectHeldUnchanged(const std::string& when) {
    EXPECT_EQ(form->Workplace->Record.get(), held) << when;
    EXPECT_EQ(form->TableModel()->rowCount(), rows) << when;
  }
  int Questions(const char* containing) const {
    int n = 0;
    for (const MessageRequest& m : messages) n += m.text.contains(QLatin1String(containing));
    return n;
  }
  QString Note() const { return Find<QLabel>("StatusRecordNote")->text(); }
  void PutOnSecondProbe() {
    auto second = MakeProbe(bus, 90, 5, "Second", "");
    GiveReadyMission(*second, bus, 3600, VirtualProbe::Mission{});
    Adapter().AttachProbe(second);
  }

  const TProbeRecord* held = nullptr;
  int rows = 0;
};

TEST_F(HeldRecordTest, StatusCommandsAfterADownloadNeverChangeWhatIsSaved) {
  StartWithDownload();
  chosen = Path("first.omx");
  form->FileSaveAsExecute();
  const std::string first = FileBytes(chosen);
  ASSERT_NE(first, "<missing>");

  // Stop, Clear and a new mission rewrite the probe's status, not the downloaded record.
  Action("ProbeStop")->trigger();
  Action("ProbeClear")->trigger();
  Find<QLineEdit>("StatusSampleRate")->setText("5");
  form->StatusImmediatelyClick();
  form->ProbeLaunchExecute();
  ASSERT_EQ(form->PanelText(0), "Cmd : OK");
  ASSERT_TRUE(Adapter().Probe()->StatusByte() & 0x02) << "the new mission runs";
  ExpectHeldUnchanged("after stop, clear and launch");
  EXPECT_TRUE(Note().contains("not the probe's present mission")) << Note().toStdString();
  EXPECT_TRUE(form->windowTitle().contains("held data")) << form->windowTitle().toStdString();

  chosen = Path("again.omx");
  form->FileSaveAsExecute();
  EXPECT_EQ(FileBytes(chosen), first);
}

TEST_F(HeldRecordTest, AFailedSecondDownloadLeavesRecordMarkAndFileAsTheyWere) {
  StartWithDownload();
  chosen = Path("kept.omx");
  form->FileSaveAsExecute();
  const std::string saved = FileBytes(chosen);
  auto* progress = Find<QProgressBar>("ProgressBar");
  // The whole log each time: the archive holds the first download, and a repeat download of the
  // same mission would read only a block or two.
  form->Workplace->Common().fullDownload = true;
  for (std::uint32_t seed : {1u, 2u, 3u}) {
    // The adapter stops answering at a random block of the second download.
    std::mt19937 random(seed);
    const int block = std::uniform_int_distribution<int>(1, 99)(random);
    const auto connection =
        QObject::connect(progress, &QProgressBar::valueChanged, form.get(), [&](int value) {
          if (value >= block) Adapter().Faults().At(1, Fault::NoAnswer(), FaultPlan::kForever);
        });
    form->ProbeReadDataExecute();
    QObject::disconnect(connection);
    Adapter().Faults().Clear();
    EXPECT_EQ(form->PanelText(0), "Data : Error") << "seed " << seed;
    ExpectHeldUnchanged("seed " + std::to_string(seed));
    EXPECT_FALSE(form->Workplace->Modified) << "seed " << seed;
    EXPECT_EQ(FileBytes(chosen), saved) << "seed " << seed;
    RunFor(4000);  // the link comes back at the next presence check
  }
  // Save writes the download that is held, never a half-read one.
  form->FileSaveExecute();
  EXPECT_EQ(FileBytes(chosen), saved);
}

TEST_F(HeldRecordTest, ASwappedProbeIsNoticedWithinOnePeriodAndShownAsItself) {
  StartWithDownload();
  const QString first = Find<QLineEdit>("StatusName")->text();
  // Another probe in place of the first between two presence checks. Saving fails (the folder
  // does not exist), so the download stays and is offered again when the next probe is shown.
  Adapter().DetachProbe();
  PutOnSecondProbe();
  chosen = Path("no such folder/a.omx");
  RunFor(4000);
  EXPECT_EQ(Questions(kTakenAway), 1);
  EXPECT_EQ(form->PollState, psSearching);
  ExpectHeldUnchanged("after the failed save");
  EXPECT_TRUE(form->Workplace->Modified);
  EXPECT_EQ(Find<QLineEdit>("StatusName")->text(), first) << "the held record's own status";

  RunFor(1250);
  ASSERT_EQ(form->PollState, psProbe);
  EXPECT_EQ(Questions(kTakenAway), 2) << "asked again before the next probe is shown";
  EXPECT_EQ(Find<QLineEdit>("StatusName")->text(), "Second");
  ExpectHeldUnchanged("kept");
  EXPECT_TRUE(Note().contains("not the probe on the adapter")) << Note().toStdString();

  // Declined now: the first probe's samples go, the second's status stays.
  answer = false;
  Adapter().DetachProbe();
  Adapter().AttachProbe(MakeProbe(bus, 91, 6, "Third", ""));
  RunFor(4000 + 1250);
  ASSERT_EQ(form->PollState, psProbe);
  EXPECT_EQ(Find<QLineEdit>("StatusName")->text(), "Third");
  EXPECT_EQ(form->TableModel()->rowCount(), 0);
  EXPECT_FALSE(form->Workplace->Modified);
  EXPECT_TRUE(Note().isEmpty());
}

TEST_F(HeldRecordTest, NothingUnsavedIsDroppedWithoutAChoice) {
  StartWithDownload();
  const std::pair<const char*, std::function<void()>> steps[] = {
      {"start anew", [&] { Action("FileNew")->trigger(); }},
      {"open another file", [&] { form->FileOpenExecute(); }},
      {"open another file", [&] { form->FileOpenNamed(QStringLiteral("elsewhere.omx")); }},
      {"clear the probe", [&] { form->ProbeClearExecute(); }},
      {"read new data",
       [&] {
         // Another mission on the same probe: its download would replace the held one.
         Adapter().Probe()->Stop(clock.UtcMilliseconds());
         form->ProbeReadStatusExecute();
         VirtualProbe::State state = Adapter().Probe()->SaveState();
         state.missionStart -= 60;
         Adapter().Probe()->RestoreState(state);
         form->ProbeReadStatusExecute();
         messages.clear();
         form->ProbeReadDataExecute();
       }},
  };
  answer = false;
  for (const auto& [action, step] : steps) {
    messages.clear();
    step();
    EXPECT_EQ(Questions("not saved"), 1) << action;
    EXPECT_TRUE(LastMessage().endsWith(QLatin1String(action) + " ?")) << action;
    ExpectHeldUnchanged(action);
    EXPECT_TRUE(form->Workplace->Modified) << action;
  }
  EXPECT_TRUE(dialogs.empty()) << "no file dialog after Cancel";
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(LastMessage(), "File modified. Do You really want to terminate ?");
}

TEST_F(HeldRecordTest, CloseDuringADownloadCancelsItAndCloses) {
  BuildScenario(bus, "demo");
  Start();
  RunFor(300);
  bool closed = true;
  const auto connection = QObject::connect(Find<QProgressBar>("ProgressBar"),
                                           &QProgressBar::valueChanged, form.get(), [&](int value) {
                                             if (value == 10) closed = form->close();
                                           });
  form->ProbeReadDataExecute();
  QObject::disconnect(connection);
  EXPECT_FALSE(closed) << "not while the adapter is in use";
  EXPECT_EQ(form->PanelText(0), "Cancelled");
  EXPECT_FALSE(form->Workplace->Modified);
  EXPECT_EQ(form->Workplace->Record->HeldSamples(), 0);
  // Once the download has stopped, the close comes back; nothing unsaved is there to ask about.
  messages.clear();
  RunFor(10);
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(form->isVisible());
}

// Save after a new download never writes into the file of another probe or mission, a probe
// swapped during a download leaves nothing of it, and Cancel stops a download with nothing kept.
TEST_F(HeldRecordTest, ADownloadBelongsToNoFileAndKeepsNothingOfAnotherProbe) {
  StartWithDownload();
  chosen = Path("probeA.omx");
  form->FileSaveAsExecute();
  const std::string probeA = FileBytes(chosen);
  auto* progress = Find<QProgressBar>("ProgressBar");
  form->Workplace->Common().fullDownload = true;
  std::string error;
  auto entries = [&] {
    std::vector<ArchiveEntry> listed;
    EXPECT_TRUE(form->Workplace->OpenArchive(error)->List({}, listed, error)) << error;
    return listed.size();
  };
  const std::size_t stored = entries();
  // The last row of the audit trail: each download that keeps nothing leaves one, with the reason.
  auto lastRow = [&] {
    std::vector<AuditRow> rows;
    EXPECT_TRUE(form->Workplace->OpenArchive(error)->Audit({}, rows, error)) << error;
    return rows.empty() ? AuditEvent{} : rows.back().event;
  };

  // Probe A taken off half-way and B put on: the download fails and keeps nothing of B.
  auto second = MakeProbe(bus, 90, 5, "Second", "");
  GiveReadyMission(*second, bus, 21 * 24 * 3600, VirtualProbe::Mission{});
  auto connection = QObject::connect(progress, &QProgressBar::valueChanged, form.get(), [&](int v) {
    if (v >= 50 && Adapter().Probe() != second.get()) {
      Adapter().DetachProbe();
      RunFor(20);
      Adapter().AttachProbe(second);
    }
  });
  form->ProbeReadDataExecute();
  QObject::disconnect(connection);
  EXPECT_EQ(form->PanelText(0), "Data : Error");
  ExpectHeldUnchanged("after the swap");
  EXPECT_TRUE(LastMessage().contains("not the one")) << LastMessage().toStdString();
  EXPECT_EQ(entries(), stored);
  AuditEvent failed = lastRow();
  EXPECT_EQ(failed.action, "download");
  EXPECT_FALSE(failed.done);
  EXPECT_NE(failed.message.find("is not the one"), std::string::npos) << failed.message;
  EXPECT_NE(failed.adapter.find(", virtual)"), std::string::npos) << failed.adapter;

  // B's own download, then Save: it asks for a name instead of writing into probeA.omx.
  RunFor(4000);
  ASSERT_EQ(form->PollState, psProbe);
  form->ProbeReadDataExecute();
  ASSERT_EQ(form->PanelText(0), "Data : OK");
  EXPECT_EQ(form->Workplace->Record->Name, "Second");
  EXPECT_EQ(form->PanelText(1), Msg("MsgNoname"));
  chosen.clear();  // the dialog is cancelled
  const std::size_t dialogsBefore = dialogs.size();
  form->FileSaveExecute();
  EXPECT_EQ(dialogs.size(), dialogsBefore + 1);
  EXPECT_EQ(FileBytes(Path("probeA.omx")), probeA);

  // Cancel at a random block: record, unsaved mark, files and archive as they were.
  held = form->Workplace->Record.get();
  const std::size_t storedB = entries();
  std::mt19937 random(7);
  const int block = std::uniform_int_distribution<int>(1, 98)(random);
  connection = QObject::connect(progress, &QProgressBar::valueChanged, form.get(), [&](int v) {
    if (v >= block) Find<QPushButton>("DownloadCancel")->click();
  });
  form->ProbeReadDataExecute();
  QObject::disconnect(connection);
  EXPECT_EQ(form->PanelText(0), "Cancelled");
  EXPECT_EQ(form->Workplace->Record.get(), held);
  EXPECT_TRUE(form->Workplace->Modified);
  EXPECT_EQ(entries(), storedB);
  EXPECT_FALSE(Find<QPushButton>("DownloadCancel")->isVisible());
  failed = lastRow();
  EXPECT_EQ(failed.action + (failed.done ? " done: " : " failed: ") + failed.message,
            "download failed: interrupted; nothing of it was kept");
  EXPECT_EQ(failed.probeSerial, form->Workplace->Record->SerialNumberText());
}

}  // namespace
}  // namespace ombrix::testing
