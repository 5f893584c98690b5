// File Open, Save, Save As and Export: dialogs, the overwrite question, the document state
// (FileName, Modified, panel 1), the file session, and failures that must not pass for success.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <sys/stat.h>

#include "CaptionSource.h"
#include "Dataexport.h"
#include "FileTesting.h"

namespace ombrix::testing {
namespace {

constexpr const char* kExistsQuestion = "File alrady exists. Do You want to overwrite it ?";

class FileActionsTest : public FileActionTest {
 protected:
  void StartWithProbe() {
    BuildScenario(bus, "demo");
    Start();
    RunFor(300);
    ASSERT_EQ(form->PollState, psProbe);
  }
  std::string SavedName(const QString& path) {
    TProbeRecord record;
    return LoadFromFile(record, path) ? record.Name : "<unreadable>";
  }
  void ExpectDocument(const QString& fileName, bool modified, const QString& panel) {
    EXPECT_EQ(form->Workplace->FileName, fileName);
    EXPECT_EQ(form->Workplace->Modified, modified);
    EXPECT_EQ(form->PanelText(1), panel);
  }
};

TEST(FileDialogsTest, FiltersAndChosenNamesFollowTheProgramsForms) {
  EXPECT_EQ(QtFileFilter("Thermo probe file|*.omx"), "Thermo probe file (*.omx)");
  EXPECT_EQ(QtFileFilter("Text|*.txt;*.csv|All files|*"), "Text (*.txt *.csv);;All files (*)");
  const FileDialogResponder previous =
      SetFileDialogResponder([](const FileDialogRequest& request) { return request.fileName; });
  FileDialogRequest request;
  request.defaultExtension = "omx";
  for (const auto& [given, result] :
       {std::pair<QString, QString>{"/data/fridge", "/data/fridge.omx"},
        {"/data/fridge.txt", "/data/fridge.txt"},
        {"fridge", QDir::current().absoluteFilePath("fridge.omx")},
        {"", ""}}) {
    request.fileName = given;
    EXPECT_EQ(RunFileDialog(nullptr, request), result) << given.toStdString();
  }
  SetFileDialogResponder(previous);
}

TEST_F(FileActionsTest, SaveWithoutFileIsSaveAsWithNonameAndAsksBeforeReplacing) {
  StartWithProbe();
  form->Workplace->Modified = true;  // a download not saved yet
  const QString existing = Path("fridge.omx");
  QFile file(existing);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("precious") == 8);
  file.close();

  chosen = Path("fridge");  // the dialog adds the extension
  answer = false;
  form->FileSaveExecute();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].kind, FileDialogKind::Save);
  EXPECT_EQ(dialogs[0].title, "Save As");
  EXPECT_EQ(dialogs[0].filter, "Thermo probe files|*.omx");
  EXPECT_EQ(dialogs[0].defaultExtension, "omx");
  EXPECT_EQ(dialogs[0].fileName, "noname.omx");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, MessageKind::Question);
  EXPECT_EQ(messages[0].caption, "Confirmation");
  EXPECT_EQ(messages[0].text, kExistsQuestion);
  EXPECT_EQ(FileBytes(existing), "precious");
  ExpectDocument("0", true, "<noname>");

  answer = true;
  form->FileSaveExecute();
  EXPECT_EQ(SavedName(existing), form->Workplace->Record->Name);
  ExpectDocument(existing, false, existing);
  EXPECT_EQ(form->PollState, psProbe);

  // Now there is a file: Save writes it without a dialog or a question.
  const_cast<TProbeRecord&>(*form->Workplace->Record).Name = "Renamed";
  Action("FileSave")->setEnabled(true);
  Action("FileSave")->trigger();
  EXPECT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(SavedName(existing), "Renamed");
}

TEST_F(FileActionsTest, OpenShowsTheFileAndSaveAsProposesItsNameInItsFolder) {
  Start();
  const QString path = WriteRecord("ward b/fridge.omx", "Fridge 2");
  chosen = path;
  Action("FileOpen")->trigger();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].kind, FileDialogKind::Open);
  EXPECT_EQ(dialogs[0].title, "Open File");
  EXPECT_EQ(dialogs[0].filter, "Thermo probe file|*.omx");
  EXPECT_EQ(dialogs[0].defaultExtension, "omx");
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(form->PollState, psFile);
  ExpectDocument(path, false, path);
  EXPECT_EQ(form->PanelText(0), "File :");
  EXPECT_EQ(form->Workplace->Record->Name, "Fridge 2");
  EXPECT_EQ(CurrentPageName(), "StatusTab");

  chosen.clear();  // cancelled
  form->FileSaveAsExecute();
  form->FileOpenExecute();
  ASSERT_EQ(dialogs.size(), 3u);
  EXPECT_EQ(dialogs[1].directory, Path("ward b"));
  EXPECT_EQ(dialogs[1].fileName, path);
  EXPECT_EQ(dialogs[2].directory, Path("ward b"));
  ExpectDocument(path, false, path);

  // A file the desktop or the command line names opens as File Open opens it, without a dialog.
  const QString named = WriteRecord("named.omx", "Fridge 3");
  form->FileOpenNamed(named);
  EXPECT_EQ(dialogs.size(), 3u);
  ExpectDocument(named, false, named);
  EXPECT_EQ(form->Workplace->Record->Name, "Fridge 3");
}

TEST_F(FileActionsTest, AFileEditedAfterItsSaveOpensMarkedChanged) {
  Start();
  const QString path = WriteRecord("fridge.omx", "Fridge 2");
  const auto note = [&] { return Find<QLabel>("StatusRecordNote")->text(); };
  Open(path);
  EXPECT_FALSE(form->windowTitle().contains("changed after it was saved"));
  EXPECT_TRUE(note().isEmpty());

  std::string bytes = FileBytes(path);
  bytes.replace(bytes.find("T5=88"), 5, "T5=80");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  file.close();
  Open(path);
  EXPECT_TRUE(form->windowTitle().endsWith(" - changed after it was saved"))
      << form->windowTitle().toStdString();
  EXPECT_TRUE(note().contains("changed after it was saved")) << note().toStdString();
}

// A file from elsewhere whose dates read both ways: the window shows both readings by month name
// and opens the file in the order chosen; Cancel leaves the window as it was.
TEST_F(FileActionsTest, AFileWhoseDatesReadBothWaysOpensInTheOrderTheUserChooses) {
  Start();
  QFile file(Path("us.omx"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("<Status>\r\nVersion=256\r\nMissionStart=12/8/2026 11:26:41 AM\r\n");
  file.close();
  QString shown;
  const char* button = nullptr;
  runDialog = [&](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName(), "DateOrderDialog");
    shown.clear();
    for (const QLabel* label : dialog.findChildren<QLabel*>()) shown += label->text() + u'\n';
    if (!button) return int(QDialog::Rejected);
    dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    return dialog.result();
  };
  const std::uint64_t held = form->Workplace->RecordGeneration();
  Open(Path("us.omx"));
  EXPECT_TRUE(shown.contains("12 August 2026 11:26:41")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("8 December 2026 11:26:41")) << shown.toStdString();
  EXPECT_EQ(form->Workplace->RecordGeneration(), held);
  EXPECT_TRUE(messages.empty());

  for (const auto& [choice, month] : {std::pair{"DayFirst", 8}, {"MonthFirst", 12}}) {
    button = choice;
    Open(Path("us.omx"));
    ASSERT_EQ(form->PollState, psFile) << choice;
    EXPECT_EQ(form->Workplace->Record->MissionStart, month == 8
                                                         ? EncodeDateTime(2026, 8, 12, 11, 26, 41)
                                                         : EncodeDateTime(2026, 12, 8, 11, 26, 41));
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(FileActionsTest, AnOpenedFileSwitchesTheProbeOffUntilFileNew) {
  StartWithProbe();
  ASSERT_TRUE(Action("ProbeReadStatus")->isEnabled());
  const std::uint64_t exchanges = Adapter().Stats().exchanges;
  Open(WriteRecord("fridge.omx", "Fridge 2"));
  ASSERT_EQ(form->PollState, psFile);
  const auto expectProbeControlsOff = [&] {
    for (const char* name :
         {"ProbeReadStatus", "ProbeReadData", "ProbeClear", "ProbeStop", "ProbeLaunch"}) {
      EXPECT_FALSE(Action(name)->isEnabled()) << name;
    }
    for (const char* name :
         {"ToolReadStatus", "ToolReadData", "ToolClear", "ToolStop", "ToolLaunch",
          "StatusSerialNumber", "StatusSampleRate", "StatusStartTime", "StatusRolloverEnable",
          "StatusSetupClock", "StatusWriteText", "StatusImmediately"}) {
      const QWidget* control = Find<QWidget>(name);
      EXPECT_TRUE(control && !control->isEnabled()) << name;
    }
    // Name and comment stay readable, but take no typing.
    EXPECT_TRUE(Find<QLineEdit>("StatusName")->isReadOnly());
    EXPECT_TRUE(Find<QPlainTextEdit>("StatusComment")->isReadOnly());
    EXPECT_TRUE(Find<QLineEdit>("StatusName")->isEnabled());
  };
  expectProbeControlsOff();
  RunFor(12000);
  expectProbeControlsOff();
  EXPECT_EQ(Adapter().Stats().exchanges, exchanges);  // the adapter is left alone

  // The file session's 4000 ms period runs out before the search begins.
  Action("FileNew")->trigger();
  RunFor(4100);
  EXPECT_EQ(form->PollState, psProbe);
  EXPECT_TRUE(Find<QToolButton>("ToolReadStatus")->isEnabled());
  ExpectDocument("0", false, "<noname>");
}

TEST_F(FileActionsTest, UnreadableFilesAreReportedAndTheSessionStays) {
  StartWithProbe();
  const TProbe* probe = form->Workplace->Probe.get();
  const QString panel0 = form->PanelText(0);
  Open(Path("missing.omx"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, MessageKind::Message);
  EXPECT_EQ(messages[0].caption, "Error");
  EXPECT_TRUE(LastMessage().contains("does not exist")) << LastMessage().toStdString();

  QFile damaged(Path("damaged.omx"));  // a first sample time in no known form
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write(
      "<Status>\r\nVersion=256\r\nSerialNumber=1\r\nName=F\r\nComment=\r\nMemoryClear=0\r\n"
      "MisssionInProgress=0\r\nSampleRate=10\r\nRolloverEnable=0\r\nStartTime=soon\r\n");
  damaged.close();
  Open(damaged.fileName());
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_TRUE(LastMessage().contains("Line 10 of")) << LastMessage().toStdString();
  EXPECT_TRUE(LastMessage().contains("soon")) << LastMessage().toStdString();
  ASSERT_EQ(mkfifo(Path("fifo.omx").toLocal8Bit().constData(), 0600), 0);
  Open(Path("fifo.omx"));  // would wait for a writer for ever if it were opened
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_TRUE(LastMessage().contains("not a regular file")) << LastMessage().toStdString();

  // Unsaved probe data: Open asks first, and Cancel shows no dialog at all.
  form->Workplace->Modified = true;
  answer = false;
  Open(WriteRecord("fridge.omx", "Fridge 2"));
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[3].kind, MessageKind::Question);
  EXPECT_EQ(dialogs.size(), 3u);

  EXPECT_EQ(form->PollState, psProbe);
  EXPECT_EQ(form->Workplace->Probe.get(), probe);
  EXPECT_EQ(form->PanelText(0), panel0);
  ExpectDocument("0", true, "<noname>");
}

TEST_F(FileActionsTest, FailedSavesAndExportsAreReportedAndTheDocumentStaysAsItWas) {
  Start();
  const QString path = WriteRecord("ward/fridge.omx", "Fridge 2");
  Open(path);
  form->Workplace->Modified = true;
  const auto expectFailure = [&](std::size_t count, const char* what) {
    ASSERT_EQ(messages.size(), count);
    EXPECT_EQ(messages.back().caption, "Error");
    EXPECT_TRUE(LastMessage().startsWith(what)) << LastMessage().toStdString();
    ExpectDocument(path, true, path);
  };

  chosen = Path("no such folder/copy.omx");
  form->FileSaveAsExecute();
  expectFailure(1, "The record was not saved.");
  EXPECT_TRUE(LastMessage().contains("copy.omx"));
  form->FileExportExecute();
  expectFailure(2, "The export was not written.");

  QDir().mkpath(Path("folder.omx"));  // a folder in the way, after the user agreed to replace it
  chosen = Path("folder.omx");
  form->FileSaveAsExecute();
  EXPECT_EQ(messages[2].text, kExistsQuestion);
  expectFailure(4, "The record was not saved.");

  ASSERT_TRUE(QDir(Path("ward")).removeRecursively());  // the file's folder is gone
  form->FileSaveExecute();
  expectFailure(5, "The record was not saved.");
}

TEST_F(FileActionsTest, ExportWritesTheTextWithTheStatusPagesCaptions) {
  Start();
  Open(WriteRecord("ward/fridge.omx", "Fridge 2"));
  chosen = Path("ward/fridge");
  form->FileExportExecute();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[1].title, "Export");
  EXPECT_EQ(dialogs[1].filter, "Thermo probe export|*.txt|CSV|*.csv");
  EXPECT_EQ(dialogs[1].defaultExtension, "txt");
  EXPECT_EQ(dialogs[1].fileName, "export.txt");
  EXPECT_EQ(dialogs[1].directory, Path("ward"));
  const QString text = Path("ward/fridge.txt");
  const std::string designed = TDataExport(StatusPageCaptions(), *form->Workplace->Record).Text();
  EXPECT_EQ(FileBytes(text), designed);

  // A caption as the page shows it at run time; the file exists, and Cancel keeps it.
  auto* label = Find<QLabel>("LblName");
  ASSERT_NE(label, nullptr);
  label->setText("Probe name :");
  answer = false;
  form->FileExportExecute();
  EXPECT_EQ(LastMessage(), kExistsQuestion);
  EXPECT_EQ(FileBytes(text), designed);
  answer = true;
  form->FileExportExecute();
  EXPECT_NE(FileBytes(text).find("\r\n\"Probe name  \"\t\"Fridge 2\"\r\n"), std::string::npos);
}

TEST_F(FileActionsTest, ExportWithTheCsvTypeWritesCommaSeparatedValues) {
  Start();
  Open(WriteRecord("ward/fridge.omx", "K\xFChlraum, 2"));
  // Qt's own dialog: the user picks the CSV type and types a name without extension.
  const FileDialogResponder responder = SetFileDialogResponder({});
  QTimer::singleShot(0, form.get(), [] {
    QWidget* dialog = QApplication::activeModalWidget();
    auto* types = dialog ? dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")) : nullptr;
    auto* name = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
    if (types && name) {
      QTest::keyClick(types, Qt::Key_Down);
      name->setText(QStringLiteral("cold"));
    }
    if (auto* box = qobject_cast<QDialog*>(dialog)) box->accept();  // as the Save button does
  });
  form->FileExportExecute();
  SetFileDialogResponder(responder);
  // The serial as the Status page shows it, the name in UTF-8 and quoted for its comma, the
  // instant with the summer offset, 144 rows of 4.0 degrees.
  const std::string bytes = FileBytes(Path("ward/cold.csv"));
  EXPECT_TRUE(bytes.starts_with(
      "serial_number,name,sample,time,local_time,temperature_c\r\n"
      "78 56 34 12 00 00 00 4F,\"K\xC3\xBChlraum, 2\",1,2021-06-01T12:00:00+02:00,"))
      << bytes.substr(0, 200);
  EXPECT_NE(
      bytes.find(
          "\r\n78 56 34 12 00 00 00 4F,\"K\xC3\xBChlraum, 2\",144,2021-06-02T11:50:00+02:00,"),
      std::string::npos);
  EXPECT_TRUE(bytes.ends_with(",4.0\r\n"));

  // The extension picks the writer too, in any case.
  chosen = Path("ward/fridge.CSV");
  form->FileExportExecute();
  EXPECT_EQ(FileBytes(chosen), bytes);
  EXPECT_TRUE(messages.empty()) << LastMessage().toStdString();
}

TEST_F(FileActionsTest, WithoutConfigurationOpenStartsNoFileSession) {
  QFile::remove(IniPath());
  Start();
  Open(WriteRecord("fridge.omx", "Fridge 2"));
  EXPECT_EQ(LastMessage(), "Application uninitialized, change Properties !");
  EXPECT_EQ(form->PollState, psStart);
  ExpectDocument("0", false, "<noname>");
  EXPECT_EQ(CurrentPageName(), "EmptyTab");
}

// A download never saved is offered for saving when its probe is taken off, before the window
// empties; declining still empties it.
TEST_F(FileActionTest, AProbeTakenOffOffersItsUnsavedDownloadForSaving) {
  BuildScenario(bus, "demo");
  Start();
  RunFor(300);
  ASSERT_EQ(form->PollState, psProbe);
  form->ProbeReadDataExecute();
  ASSERT_TRUE(form->Workplace->Modified);
  const int samples = form->Workplace->Record->ReadSamples;

  chosen = Path("kept.omx");
  messages.clear();
  Adapter().DetachProbe();
  RunFor(4000);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.contains("not saved"));
  TProbeRecord saved;
  ASSERT_TRUE(LoadFromFile(saved, chosen));
  EXPECT_EQ(saved.ReadSamples, samples);
  EXPECT_EQ(form->PollState, psSearching);
  EXPECT_EQ(CurrentPageName(), "EmptyTab");

  // The same with the question declined: nothing is written, the window still empties.
  auto probe = MakeProbe(bus, 90, 5, "Second", "");
  GiveReadyMission(*probe, bus, 3600, VirtualProbe::Mission{});
  Adapter().AttachProbe(probe);
  RunFor(4000);  // the first search comes a presence period after the probe was lost
  ASSERT_EQ(form->PollState, psProbe);
  form->ProbeReadDataExecute();
  ASSERT_TRUE(form->Workplace->Modified);
  answer = false;
  chosen = Path("declined.omx");
  Adapter().DetachProbe();
  RunFor(4000);
  EXPECT_FALSE(QFileInfo::exists(chosen));
  EXPECT_EQ(form->PollState, psSearching);
}

}  // namespace
}  // namespace ombrix::testing
