#include "StationWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "Dialogs.h"
#include "FileDialogs.h"
#include "Msg.h"
#include "Probeworkplace.h"
#include "ReportPdf.h"
#include "VerdictColours.h"

namespace ombrix {

namespace {

// Row backgrounds: a probe done, a probe whose step failed, a probe put back with nothing new.
const QColor kDoneBackground(0xCC, 0xEE, 0xCC);
const QColor kFailedBackground(0xF6, 0xC8, 0xC8);
const QColor kAlreadyDoneBackground(0xDE, 0xE4, 0xEC);

QString FromStd(const std::string& text) {
  return QString::fromStdString(text);
}

// A verdict as the row shows it; the row keeps the station's English word, which picks its colour.
QString VerdictShown(const QString& verdict) {
  return QCoreApplication::translate("Verdict", verdict.toUtf8().constData());
}

// "download 40 %", "failed: save: ...": the step's name, its progress and its message (which the
// station gives in the program's language).
QString StepText(const StationEvent& event) {
  QString text = QCoreApplication::translate("StationStep", StationStepName(event.step));
  if (event.progress >= 0) text += QStringLiteral(" %1 %").arg(event.progress);
  if (!event.message.empty()) text += QStringLiteral(": ") + FromStd(event.message);
  return text;
}

// Elides a cell's text in the middle.
class TElideMiddleDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = Qt::ElideMiddle;
  }
};

}  // namespace

// The window ------------------------------------------------------------------------------------

TStationWindow::TStationWindow(TProbeWorkplace& workplace, QWidget* parent)
    : QWidget(parent, Qt::Window), workplace_(workplace) {
  setObjectName(QStringLiteral("StationWindow"));
  setWindowTitle(tr("Download station"));

  table_ = new QTableWidget(0, kColumns, this);
  table_->setObjectName(QStringLiteral("StationTable"));
  table_->setHorizontalHeaderLabels({tr("Adapter"), tr("Probe"), tr("Name"), tr("Step"),
                                     tr("Verdict"), tr("File"), tr("Archive entry"),
                                     tr("Re-armed")});
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // A selection would hide the colours that tell the state of each probe.
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  table_->setFocusPolicy(Qt::NoFocus);
  table_->setWordWrap(false);
  // A file's name keeps its start and its extension in view; other texts their start.
  table_->setItemDelegateForColumn(kFile, new TElideMiddleDelegate(table_));
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 8);
  // Room for the usual texts of each column; the file takes what is left, and a cell's tool tip
  // holds all of its text.
  QHeaderView* header = table_->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setSectionResizeMode(kFile, QHeaderView::Stretch);
  const QFontMetrics metrics = table_->fontMetrics();
  StationEvent done;
  done.step = StationEvent::Step::kDone;
  done.message = QCoreApplication::translate("TStation", "%1 samples").arg(9999).toStdString() +
                 QCoreApplication::translate("TStation", ", incremental").toStdString();
  const struct {
    Column column;
    QString sample;
  } widths[] = {
      {kAdapter, QStringLiteral("OMX10001")},
      {kProbe, QStringLiteral("00 00 00 00 00 00 00 00")},
      {kName, QStringLiteral("Pharmacy fridge 00")},
      {kStep, StepText(done)},
      {kVerdict, VerdictShown(QStringLiteral("outside limits"))},
      {kEntry, tr("Archive entry")},
      {kRearmed, tr("Re-armed")},
  };
  for (const auto& w : widths) {
    table_->setColumnWidth(w.column, metrics.horizontalAdvance(w.sample) + 24);
  }

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("StationStatus"));
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  settingsButton_ = new QPushButton(tr("&Settings..."), this);
  settingsButton_->setObjectName(QStringLiteral("StationSettings"));
  start_ = new QPushButton(tr("S&tart"), this);
  start_->setObjectName(QStringLiteral("StationStart"));
  stop_ = new QPushButton(tr("St&op"), this);
  stop_->setObjectName(QStringLiteral("StationStop"));
  auto* close = new QPushButton(tr("&Close"), this);
  connect(settingsButton_, &QPushButton::clicked, this, [this] { EditSettings(); });
  connect(start_, &QPushButton::clicked, this, [this] { StartStation(when_); });
  connect(stop_, &QPushButton::clicked, this, [this] { StopStation(); });
  connect(close, &QPushButton::clicked, this, &QWidget::close);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(settingsButton_);
  buttons->addStretch(1);
  buttons->addWidget(start_);
  buttons->addWidget(stop_);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_, 1);
  layout->addWidget(status_);
  layout->addLayout(buttons);
  resize(1240, 360);
  ShowStatus();
  UpdateButtons();
}

TStationWindow::~TStationWindow() {
  StopStation();
}

bool TStationWindow::ReadSettings(const TIniFile* ini, QString& error) {
  std::string why;
  StationSettings settings;
  std::optional<RearmPlan> rearm;
  if (!ReadStationSettings(ini, settings, why) ||
      !CheckStationSettings(ini, settings, rearm, why)) {
    error = FromStd(why);
    return false;
  }
  settings_ = settings;
  rearm_ = rearm;
  folder_ = QDir(QFile::decodeName(settings.folder.empty() ? "." : settings.folder.c_str()))
                .absolutePath();
  return true;
}

bool TStationWindow::Configure(StationConfig& config, QString& error) {
  const Settings& common = workplace_.Common();
  // The station's threads read the limits from a copy of the settings of their own, so that the
  // window may change the settings while they run.
  std::shared_ptr<const TIniFile> ini;
  if (common.Ini()) ini = std::make_shared<const TIniFile>(*common.Ini());
  if (!ReadSettings(ini.get(), error)) return false;
  if (!ApplyStationSettings(settings_, rearm_, config)) {
    error = tr("The folder %1 cannot be made.").arg(QDir::toNativeSeparators(folder_));
    return false;
  }
  // The files are named by their whole path, wherever the program was started.
  config.folder = folder_;
  // Called on this thread, through the event loop.
  if (settings_.report) config.report = WriteRecordReportPdf;
  if (!workplace_.DeviceName.empty()) config.deviceName = workplace_.DeviceName;
  if (common.archiveEnabled) {
    ArchiveLocation location;
    std::string why;
    if (!common.ArchiveLocationFor(location, why)) {
      error = FromStd(why);
      return false;
    }
    config.archive = location;
  }
  config.incremental = !common.fullDownload;
  config.settings = common;
  if (ini) config.settings.Use(ini);
  return true;
}

bool TStationWindow::StartStation(const TStation::StopWhen& when) {
  if (station_) return true;
  StationConfig config;
  QString error;
  if (!Configure(config, error)) {
    problem_ = error;
    ShowStatus();
    UpdateButtons();
    ShowMessage(this, Msg("MsgError"), tr("The station cannot start:\n%1").arg(error));
    return false;
  }
  problem_.clear();
  when_ = when;
  stopping_ = std::make_shared<std::atomic<bool>>(false);
  TStation::StopWhen bounded = when;
  bounded.interrupted = [stopping = stopping_, asked = when.interrupted] {
    return stopping->load() || (asked && asked());
  };
  // The listener runs on the station's threads: each event is copied to this thread. The station
  // ends before the window does, so no event is left for a window that has gone.
  // A station started anew with new settings knows the probes its predecessors did.
  station_ = std::make_unique<TStation>(
      std::move(config),
      [this](const StationEvent& event) {
        QMetaObject::invokeMethod(
            this, [this, event] { Apply(event); }, Qt::QueuedConnection);
      },
      memory_);
  station_->Start(bounded, [this] {
    QMetaObject::invokeMethod(
        this, [this] { Ended(); }, Qt::QueuedConnection);
  });
  ShowStatus();
  UpdateButtons();
  return true;
}

void TStationWindow::StopStation() {
  if (!station_) return;
  stopping_->store(true);
  station_->Stop(true);
  // A worker may wait for the report writer on this thread: the event loop runs until the end.
  // Each stop (a close while Stop waits) waits in a loop of its own, and the end quits them all.
  QEventLoop loop;
  const QMetaObject::Connection ended =
      connect(this, &TStationWindow::StationEnded, &loop, &QEventLoop::quit);
  ++stopsWaiting_;
  UpdateButtons();
  if (station_) loop.exec(QEventLoop::ExcludeUserInputEvents);
  disconnect(ended);
  --stopsWaiting_;
  // A loop left early (the program is quitting) cannot wait: the station was cancelled, so no
  // worker waits for the report writer any longer, and waiting for its thread ends.
  if (station_) Ended();
  UpdateButtons();
}

void TStationWindow::Ended() {
  if (!station_) return;
  // Joins the station's thread: at once after its end callback, or, from a stop whose loop was
  // left early, once the cancelled run has ended.
  station_->Wait();
  station_.reset();
  ShowStatus();
  UpdateButtons();
  Q_EMIT StationEnded();
}

void TStationWindow::EditSettings() {
  TStationSettingsDialog dialog(workplace_, this);
  if (RunDialog(dialog) != QDialog::Accepted) return;
  if (station_) {
    StopStation();
    StartStation(when_);
    return;
  }
  QString error;
  problem_.clear();
  if (!ReadSettings(workplace_.Common().Ini(), error)) problem_ = error;
  ShowStatus();
}

void TStationWindow::closeEvent(QCloseEvent* event) {
  StopStation();
  event->accept();
  Q_EMIT Closed();
}

TStationWindow::Row& TStationWindow::RowOf(const std::string& adapter) {
  for (Row& row : rows_) {
    if (row.adapter == adapter) return row;
  }
  // In the order of the adapters' serial numbers, as they are labelled on a desk.
  const auto at = std::find_if(rows_.begin(), rows_.end(),
                               [&adapter](const Row& row) { return row.adapter > adapter; });
  const int index = static_cast<int>(at - rows_.begin());
  rows_.insert(at, Row())->adapter = adapter;
  table_->insertRow(index);
  for (int column = 0; column < kColumns; ++column) {
    table_->setItem(index, column, new QTableWidgetItem);
  }
  return rows_[static_cast<std::size_t>(index)];
}

void TStationWindow::Apply(const StationEvent& event) {
  using Step = StationEvent::Step;
  Row& row = RowOf(event.adapter);
  const auto waiting = [&row] {
    row.Forget();
    row.step = tr("waiting for a probe");
  };
  switch (event.step) {
    case Step::kAdapter:
      row.gone = false;
      waiting();
      break;
    case Step::kAdapterGone:
      row.gone = true;
      row.step = tr("adapter gone");
      break;
    case Step::kTakenOff:
      waiting();
      break;
    case Step::kStatus:
      // A probe put on: what the row showed belongs to the one before.
      row.Forget();
      row.state = State::kWorking;
      break;
    case Step::kDone:
      row.state = State::kDone;
      ++done_;
      QApplication::beep();
      break;
    case Step::kFailed:
      row.state = State::kFailed;
      ++failed_;
      break;
    case Step::kAlreadyDone:
      row.state = State::kAlreadyDone;
      break;
    default:
      row.state = State::kWorking;
      break;
  }
  if (event.step != Step::kAdapter && event.step != Step::kAdapterGone &&
      event.step != Step::kTakenOff) {
    row.step = StepText(event);
    if (!event.probeSerial.empty()) row.probe = FromStd(event.probeSerial);
    if (!event.probeName.empty()) row.name = FromStd(event.probeName);
    if (!event.verdict.empty()) row.verdict = FromStd(event.verdict);
    // The report and the export lie beside the record file, which the row names.
    if (!event.file.empty() && event.step != Step::kReport && event.step != Step::kExport) {
      row.file = FromStd(event.file);
    }
    if (event.entry != 0) row.entry = QString::number(event.entry);
    if (event.step == Step::kRearm) row.rearmed = tr("yes");
    if (event.step == Step::kDone) row.rearmed = event.rearmed ? tr("yes") : tr("no");
    if (event.step == Step::kFailed) row.rearmed = tr("no");
  }
  ShowRow(static_cast<std::size_t>(&row - rows_.data()));
  if (event.step == Step::kDone || event.step == Step::kFailed) ShowStatus();
}

void TStationWindow::ShowRow(std::size_t index) {
  const Row& row = rows_[index];
  const int r = static_cast<int>(index);
  const QString file = row.file.isEmpty() || folder_.isEmpty()
                           ? row.file
                           : QDir::toNativeSeparators(QDir(folder_).relativeFilePath(row.file));
  const QString texts[kColumns] = {FromStd(row.adapter),      row.probe, row.name,  row.step,
                                   VerdictShown(row.verdict), file,      row.entry, row.rearmed};
  std::optional<QColor> background;
  if (row.state == State::kDone) background = kDoneBackground;
  if (row.state == State::kFailed) background = kFailedBackground;
  if (row.state == State::kAlreadyDone) background = kAlreadyDoneBackground;
  if (row.gone) background.reset();
  const std::optional<QColor> verdict = VerdictTextColour(row.verdict.toStdString());
  // No colour of its own: the item has no brush at all and the table's palette applies.
  const auto brush = [](const std::optional<QColor>& colour) {
    return colour ? QVariant(QBrush(*colour)) : QVariant();
  };
  for (int column = 0; column < kColumns; ++column) {
    QTableWidgetItem* item = table_->item(r, column);
    item->setText(texts[column]);
    item->setToolTip(column == kFile ? QDir::toNativeSeparators(row.file) : texts[column]);
    item->setData(Qt::BackgroundRole, brush(background));
    std::optional<QColor> foreground;
    if (row.gone) {
      foreground = palette().color(QPalette::Disabled, QPalette::Text);
    } else if (column == kVerdict) {
      foreground = verdict;
    }
    item->setData(Qt::ForegroundRole, brush(foreground));
    QFont font = table_->font();
    font.setBold(column == kVerdict && !row.gone && verdict == OutsideLimitsColour());
    item->setFont(font);
    if (column == kEntry || column == kRearmed) item->setTextAlignment(Qt::AlignCenter);
  }
}

QString TStationWindow::StatusText() const {
  return status_->text();
}

void TStationWindow::ShowStatus() {
  QStringList lines;
  if (!folder_.isEmpty()) {
    lines << tr("Folder: %1    Pattern: %2")
                 .arg(QDir::toNativeSeparators(folder_), FromStd(settings_.pattern));
    QStringList written{tr("record file")};
    if (settings_.exportForm == StationExport::kText) written << tr("text export");
    if (settings_.exportForm == StationExport::kCsv) written << tr("CSV export");
    if (settings_.report) written << tr("PDF report");
    const QString rearm =
        rearm_ ? tr("[Launch %1], every %2 min").arg(FromStd(rearm_->configName)).arg(rearm_->rate)
               : tr("off");
    lines << tr("Writes: %1    Re-arm: %2").arg(written.join(QStringLiteral(", ")), rearm);
  }
  QString state = station_ ? tr("running") : tr("stopped");
  if (!station_ && !problem_.isEmpty()) state += QStringLiteral(": ") + problem_;
  lines << tr("Done %1, failed %2    The station is %3.").arg(done_).arg(failed_).arg(state);
  status_->setText(lines.join(u'\n'));
}

void TStationWindow::UpdateButtons() {
  const bool stopping = stopsWaiting_ > 0;
  start_->setEnabled(!station_ && !stopping);
  stop_->setEnabled(station_ && !stopping);
  settingsButton_->setEnabled(!stopping);
}

// Settings... -------------------------------------------------------------------------------

TStationSettingsDialog::TStationSettingsDialog(TProbeWorkplace& workplace, QWidget* parent)
    : QDialog(parent), workplace_(workplace) {
  setObjectName(QStringLiteral("StationSettingsDialog"));
  setWindowTitle(tr("Station settings"));
  const TIniFile* ini = workplace_.Common().Ini();
  StationSettings current;
  std::string ignored;
  // A value the settings hold wrongly shows as its default, to be put right here.
  (void)ReadStationSettings(ini, current, ignored);

  folder_ = new QLineEdit(QFile::decodeName(current.folder.c_str()), this);
  folder_->setObjectName(QStringLiteral("StationFolder"));
  folder_->setPlaceholderText(tr("the current folder"));
  auto* browse = new QPushButton(tr("&Browse..."), this);
  connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(folder_, 1);
  folderRow->addWidget(browse);

  pattern_ = new QLineEdit(FromStd(current.pattern), this);
  pattern_->setObjectName(QStringLiteral("StationPattern"));
  pattern_->setToolTip(
      tr("{serial}, {name}, {adapter}, {samples}, {entry}, {missionstart:FMT} and "
         "{download:FMT} with FMT of yyyy MM dd HH mm ss; \"/\" makes subfolders"));
  pattern_->setMinimumWidth(
      pattern_->fontMetrics().horizontalAdvance(QLatin1String(kDefaultStationPattern)) + 16);

  export_ = new QComboBox(this);
  export_->setObjectName(QStringLiteral("StationExport"));
  export_->addItem(tr("none"), static_cast<int>(StationExport::kNone));
  export_->addItem(tr("text"), static_cast<int>(StationExport::kText));
  export_->addItem(tr("CSV"), static_cast<int>(StationExport::kCsv));
  export_->setCurrentIndex(export_->findData(static_cast<int>(current.exportForm)));

  report_ = new QCheckBox(tr("a PDF &report beside each record file"), this);
  report_->setObjectName(QStringLiteral("StationReport"));
  report_->setChecked(current.report);

  rearm_ = new QComboBox(this);
  rearm_->setObjectName(QStringLiteral("StationRearm"));
  rearm_->addItem(tr("off"), QString());
  std::vector<std::string> names = LaunchConfigurationNames(ini);
  // A configuration the settings name without its section stays on show, to be refused on OK.
  if (!current.rearm.empty() &&
      std::find(names.begin(), names.end(), current.rearm) == names.end()) {
    names.push_back(current.rearm);
  }
  for (const std::string& name : names) rearm_->addItem(FromStd(name), FromStd(name));
  rearm_->setCurrentIndex(std::max(0, rearm_->findData(FromStd(current.rearm))));

  auto* form = new QFormLayout;
  form->addRow(tr("&Folder:"), folderRow);
  form->addRow(tr("&Name pattern:"), pattern_);
  form->addRow(tr("&Export:"), export_);
  form->addRow(tr("Write:"), report_);
  form->addRow(tr("Re-&arm by:"), rearm_);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(box);
}

StationSettings TStationSettingsDialog::Fields() const {
  StationSettings settings;
  settings.folder = QFile::encodeName(folder_->text().trimmed()).toStdString();
  settings.pattern = pattern_->text().trimmed().toStdString();
  settings.exportForm = static_cast<StationExport>(export_->currentData().toInt());
  settings.report = report_->isChecked();
  settings.rearm = rearm_->currentData().toString().toStdString();
  return settings;
}

bool TStationSettingsDialog::Store() {
  // Read again, so that other keys and edits made meanwhile stay as they are.
  TIniFile ini(workplace_.IniFileName());
  std::string error;
  if (!WriteStationSettings(ini, Fields(), error)) {
    ShowMessage(this, Msg("MsgError"),
                tr("The station's settings are not changed:\n%1").arg(FromStd(error)));
    return false;
  }
  workplace_.Common().Use(std::make_shared<const TIniFile>(std::move(ini)));
  return true;
}

void TStationSettingsDialog::accept() {
  if (Store()) QDialog::accept();
}

void TStationSettingsDialog::Browse() {
  FileDialogRequest request;
  request.kind = FileDialogKind::Folder;
  request.title = tr("The station's folder");
  request.directory = folder_->text();
  const QString chosen = RunFileDialog(this, request);
  if (!chosen.isEmpty()) folder_->setText(QDir::toNativeSeparators(chosen));
}

}  // namespace ombrix
