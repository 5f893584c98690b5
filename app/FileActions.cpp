// The File actions Open, Save, Save As and Export of the main window: the record on show goes to
// and comes from record files, and out as tab-separated text or as comma-separated values.
#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>
#include <string>

#include "ArchiveDialog.h"
#include "CaptionSource.h"
#include "CsvExport.h"
#include "Dataexport.h"
#include "Dialogs.h"
#include "FileDialogs.h"
#include "FileRead.h"
#include "Main.h"
#include "Msg.h"
#include "ProbeAudit.h"
#include "RecordFile.h"
#include "StationWindow.h"
#include "WaitCursor.h"
#include "WindowLanguage.h"
#include "ui_Main.h"

namespace ombrix {

namespace {

// The texts the export takes from the window: the Status page's captions as they stand, and the
// message texts, in the program's code page. A caption the page does not (yet) show is taken
// from the page's designed captions. The export is English whatever the window's language: while
// the window speaks another, it takes the designed captions throughout.
class TWindowCaptions : public CaptionSource {
 public:
  explicit TWindowCaptions(const TMainForm& form) : form_(form) {}

  std::string Caption(const char* component) const override {
    const QString text =
        WindowLanguageInstalled() ? QString() : PageCaption(QString::fromLatin1(component));
    return text.isEmpty() ? designed_.Caption(component) : form_.Workplace->ToBytes(text);
  }

  std::string Message(const char* key) const override {
    if (WindowLanguageInstalled()) return designed_.Message(key);
    return form_.Workplace->ToBytes(Msg(key));
  }

 private:
  QString PageCaption(const QString& component) const {
    // The recording lamp's label tells whether a mission runs; the export names the flag it
    // writes beside it.
    if (component == QLatin1String("StatusMissionInProgressLed")) {
      return Msg("MsgMissionInProgress");
    }
    // The rollover lamp is captioned by the button beside it.
    if (component == QLatin1String("StatusRolloverEnableLed")) {
      const auto* button =
          form_.findChild<QAbstractButton*>(QStringLiteral("StatusRolloverEnable"));
      return button ? WithoutMnemonic(button->text()) : QString();
    }
    // A label tied to its field, or named after it: "LblName" beside "StatusName",
    // "LblMemoryClear" beside "StatusMemoryClearLed".
    if (const auto* field = form_.findChild<QWidget*>(component)) {
      for (const QLabel* label : form_.findChildren<QLabel*>()) {
        if (label->buddy() == field) return WithoutMnemonic(label->text());
      }
    }
    QString stem = component;
    if (stem.startsWith(QLatin1String("Status"))) stem.remove(0, 6);
    if (stem.endsWith(QLatin1String("Led"))) stem.chop(3);
    if (const auto* label = form_.findChild<QLabel*>(QStringLiteral("Lbl") + stem)) {
      return WithoutMnemonic(label->text());
    }
    return {};
  }

  // "&Name :" as the user reads it: "Name :".
  static QString WithoutMnemonic(QString text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
      if (text[i] == u'&') text.remove(i, 1);  // "&&" keeps one
    }
    return text;
  }

  const TMainForm& form_;
  const StatusPageCaptions designed_;
};

// Writes the record on show; a failure is reported. True when the file is on the disk.
bool SaveRecord(TMainForm& form, const QString& fileName) {
  std::string error;
  bool saved;
  {
    const WaitCursor wait;
    saved = SaveToFile(*form.Workplace->Record, fileName, &error);
  }
  if (!saved) {
    ShowMessage(&form, Msg("MsgError"),
                FailureText(TMainForm::tr("The record was not saved."), error));
  }
  return saved;
}

// A file without its exact instants whose numeric dates read both ways (4/3/2026): each date is
// shown both ways with its month's name, and the user says which order the file's writer used.
// kUnknown when cancelled.
DateOrder AskDateOrder(QWidget* parent, const QString& file, const DateQuestion& question) {
  enum { kDayFirst = 10, kMonthFirst = 11 };
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("DateOrderDialog"));
  dialog.setWindowTitle(QObject::tr("Day or month first?"));
  auto* intro = new QLabel(
      QObject::tr("%1 holds its dates only as text, and they were written under regional settings "
                  "that put either the day or the month first: nothing in the file tells which.")
          .arg(QDir::toNativeSeparators(file)),
      &dialog);
  intro->setTextFormat(Qt::PlainText);
  intro->setWordWrap(true);
  // Each date both ways, named as the Status page names it.
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(16);
  const auto heading = [&](const QString& text, int column) {
    auto* label = new QLabel(text, &dialog);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    grid->addWidget(label, 0, column);
  };
  heading(QObject::tr("Day first"), 1);
  heading(QObject::tr("Month first"), 2);
  const QLocale locale;
  int row = 1;
  for (const DateQuestion::Date& date : question.dates) {
    const QString caption = date.key == "StartTime"      ? QObject::tr("First Sample")
                            : date.key == "MissionStart" ? QObject::tr("Record Start")
                            : date.key == "DownloadTime" ? QObject::tr("Download Time")
                                                         : QString::fromStdString(date.key);
    grid->addWidget(new QLabel(caption, &dialog), row, 0);
    grid->addWidget(new QLabel(UnmistakableDateTimeText(date.dayFirst, locale), &dialog), row, 1);
    grid->addWidget(new QLabel(UnmistakableDateTimeText(date.monthFirst, locale), &dialog), row, 2);
    ++row;
  }
  auto* ask =
      new QLabel(QObject::tr("Which did the computer that wrote the file put first?"), &dialog);
  auto* buttons = new QDialogButtonBox(&dialog);
  QPushButton* dayFirst =
      buttons->addButton(QObject::tr("&Day first"), QDialogButtonBox::AcceptRole);
  dayFirst->setObjectName(QStringLiteral("DayFirst"));
  QPushButton* monthFirst =
      buttons->addButton(QObject::tr("&Month first"), QDialogButtonBox::AcceptRole);
  monthFirst->setObjectName(QStringLiteral("MonthFirst"));
  // Enter is no answer to this question: it cancels.
  for (QPushButton* answer : {dayFirst, monthFirst}) answer->setAutoDefault(false);
  buttons->addButton(QDialogButtonBox::Cancel)->setDefault(true);
  QObject::connect(dayFirst, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(kDayFirst); });
  QObject::connect(monthFirst, &QPushButton::clicked, &dialog,
                   [&dialog] { dialog.done(kMonthFirst); });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(intro);
  layout->addLayout(grid);
  layout->addWidget(ask);
  layout->addWidget(buttons);
  switch (RunDialog(dialog)) {
    case kDayFirst:
      return DateOrder::kDayFirst;
    case kMonthFirst:
      return DateOrder::kMonthFirst;
    default:
      return DateOrder::kUnknown;
  }
}

}  // namespace

void TMainForm::ConnectFileActions() {
  connect(ui_->FileOpen, &QAction::triggered, this, [this] { FileOpenExecute(); });
  connect(ui_->FileArchive, &QAction::triggered, this, [this] { FileArchiveExecute(); });
  connect(ui_->FileStation, &QAction::triggered, this, [this] { FileStationExecute(); });
  connect(ui_->FileSave, &QAction::triggered, this, [this] { FileSaveExecute(); });
  connect(ui_->FileSaveAs, &QAction::triggered, this, [this] { FileSaveAsExecute(); });
  connect(ui_->FileExport, &QAction::triggered, this, [this] { FileExportExecute(); });
  connect(ui_->FilePrint, &QAction::triggered, this, [this] { FilePrintExecute(); });
  connect(ui_->FilePrintPreview, &QAction::triggered, this, [this] { FilePrintPreviewExecute(); });
  connect(ui_->FileExportPdf, &QAction::triggered, this, [this] { FileExportPdfExecute(); });
  // The preview and the PDF are the printed report by other means: offered whenever Print is.
  for (QAction* report : {ui_->FilePrintPreview, ui_->FileExportPdf}) {
    report->setEnabled(ui_->FilePrint->isEnabled());
    connect(ui_->FilePrint, &QAction::enabledChanged, report, &QAction::setEnabled);
  }
}

void TMainForm::FileOpenExecute() {
  // Data read from a probe and not saved yet would be gone with the new session.
  if (!MayDropRecord(tr("open another file"))) return;
  FileDialogRequest request;
  request.kind = FileDialogKind::Open;
  request.title = tr("Open File");
  request.filter = tr("Thermo probe file") + QStringLiteral("|*.omx");
  request.defaultExtension = QStringLiteral("omx");
  if (Workplace->HasFile()) request.directory = QFileInfo(Workplace->FileName).absolutePath();
  const QString chosen = RunFileDialog(this, request);
  if (chosen.isEmpty()) return;
  OpenRecordFile(chosen);
}

void TMainForm::FileOpenNamed(const QString& file) {
  // As File Open: the unsaved question first, then the file.
  if (!MayDropRecord(tr("open another file"))) return;
  OpenRecordFile(file);
}

void TMainForm::OpenRecordFile(const QString& chosen) {
  // The file is read before the session is given up: a file that cannot be read leaves the
  // window, and what it shows, as it was.
  auto record = std::make_unique<TProbeRecord>();
  std::string error;
  bool readable;
  DateQuestion question;
  {
    const WaitCursor wait;
    readable = LoadFromFile(*record, chosen, &error, DateOrder::kUnknown, &question);
  }
  if (!readable && !question.dates.empty()) {
    const DateOrder order = AskDateOrder(this, chosen, question);
    if (order == DateOrder::kUnknown) return;
    const WaitCursor wait;
    readable = LoadFromFile(*record, chosen, &error, order);
  }
  if (!readable) {
    ShowMessage(this, Msg("MsgError"), FailureText(tr("The record file cannot be opened."), error));
    return;
  }

  if (!Workplace->NewProbe()) {
    // The new probe object is not configured: File New clears the window and gives the warning.
    NewSession();
    PollState = psStart;
    return;
  }
  PollState = psFile;
  RecordOrigin origin;
  origin.kind = RecordOrigin::Kind::kFile;
  origin.file = QDir::toNativeSeparators(chosen).toStdString();
  Workplace->HoldRecord(std::move(record), origin);
  Workplace->FileName = chosen;
  Workplace->Modified = false;
  SetPanelText(0, Msg("MsgFile"));
  ShowDocument();
  // In the file session this switches every probe control off.
  ShowHeldRecord();
  ViewStatusExecute();
}

void TMainForm::FileArchiveExecute() {
  std::string error;
  TArchive* archive = Workplace ? Workplace->OpenArchive(error) : nullptr;
  if (!archive) {
    ShowMessage(
        this, Msg("MsgError"),
        tr("The archive %1 cannot be opened:\n%2")
            .arg(QString::fromStdString(Workplace ? Workplace->Common().ArchiveLocationText() : ""),
                 QString::fromStdString(error)));
    return;
  }
  TArchiveDialog dialog(*archive, Workplace->CodePage(), this);
  if (RunDialog(dialog) != QDialog::Accepted || dialog.ChosenId() == 0) return;
  OpenArchiveEntry(dialog.ChosenId());
}

void TMainForm::FileStationExecute() {
  if (!Workplace) return;
  if (!stationWindow_) {
    stationWindow_ = new TStationWindow(*Workplace, this);
    connect(stationWindow_, &TStationWindow::Closed, this, [this] { PausePolling(false); });
  }
  PausePolling(true);
  if (!stationWindow_->isVisible()) PlaceWindow(*stationWindow_, this);
  stationWindow_->show();
  stationWindow_->raise();
  stationWindow_->activateWindow();
  if (!stationWindow_->Running()) stationWindow_->StartStation();
}

bool TMainForm::OpenArchiveEntry(std::int64_t id) {
  std::string error;
  TArchive* archive = Workplace->OpenArchive(error);
  // The entry is read before the session is given up, as a file is.
  auto record = std::make_unique<TProbeRecord>();
  bool readable = false;
  if (archive) {
    const WaitCursor wait;
    readable = archive->Load(id, *record, nullptr, error);
  }
  if (!readable) {
    ShowMessage(this, Msg("MsgError"),
                tr("The archive entry cannot be opened.\n%1").arg(QString::fromStdString(error)));
    return false;
  }
  if (!MayDropRecord(tr("open an archive entry"))) return false;
  if (!Workplace->NewProbe()) {
    NewSession();
    PollState = psStart;
    return false;
  }
  PollState = psFile;
  RecordOrigin origin;
  origin.kind = RecordOrigin::Kind::kArchive;
  origin.archiveEntry = id;
  Workplace->HoldRecord(std::move(record), origin);
  // Not a file: Save asks for one.
  Workplace->FileName = QString::fromLatin1(TProbeWorkplace::kNoFile);
  Workplace->Modified = false;
  SetPanelText(0, Msg("MsgFile"));
  ShowDocument();
  ShowHeldRecord();
  ViewStatusExecute();
  return true;
}

void TMainForm::FileSaveExecute() {
  if (!Workplace->HasFile()) {
    FileSaveAsExecute();
    return;
  }
  if (SaveRecord(*this, Workplace->FileName)) Workplace->Modified = false;
}

void TMainForm::FileSaveAsExecute() {
  FileDialogRequest request;
  request.kind = FileDialogKind::Save;
  request.title = tr("Save As");
  request.filter = tr("Thermo probe files") + QStringLiteral("|*.omx");
  request.defaultExtension = QStringLiteral("omx");
  if (Workplace->HasFile()) {
    request.directory = QFileInfo(Workplace->FileName).absolutePath();
    request.fileName = Workplace->FileName;
  } else {
    request.fileName = QStringLiteral("noname.omx");
  }
  const QString chosen = RunFileDialog(this, request);
  if (chosen.isEmpty() || !MayReplace(this, chosen)) return;
  repaint();
  // The document names the new file only once the record is in it.
  if (!SaveRecord(*this, chosen)) return;
  Workplace->FileName = chosen;
  Workplace->Modified = false;
  ShowDocument();
}

void TMainForm::FileExportExecute() {
  FileDialogRequest request;
  request.kind = FileDialogKind::Save;
  request.title = tr("Export");
  // The tab-separated text stays the default; choosing the CSV type makes the dialog end the name
  // in ".csv", and that extension picks the CSV writer.
  request.filter =
      tr("Thermo probe export") + QStringLiteral("|*.txt|") + tr("CSV") + QStringLiteral("|*.csv");
  request.defaultExtension = QStringLiteral("txt");
  request.fileName = QStringLiteral("export.txt");
  if (Workplace->HasFile()) request.directory = QFileInfo(Workplace->FileName).absolutePath();
  const QString chosen = RunFileDialog(this, request);
  if (chosen.isEmpty() || !MayReplace(this, chosen)) return;
  const bool csv = QFileInfo(chosen).suffix().compare(u"csv", Qt::CaseInsensitive) == 0;

  const TWindowCaptions captions(*this);
  std::string error;
  bool written;
  {
    const WaitCursor wait;
    written = csv ? ExportCsv({Workplace->Record.get()}, Workplace->CodePage(), chosen, &error)
                  : TDataExport(captions, *Workplace->Record).Export(chosen, &error);
  }
  ShowAuditFailure(
      this, "export",
      Workplace->AppendAudit(RecordEvent("export", *Workplace->Record, ShownFileName(chosen),
                                         written, written ? std::string() : error)));
  if (!written) {
    ShowMessage(this, Msg("MsgError"), FailureText(tr("The export was not written."), error));
  }
}

}  // namespace ombrix
