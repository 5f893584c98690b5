#include "ArchiveDialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "CaptionSource.h"
#include "CodePage.h"
#include "Dataexport.h"
#include "Dialogs.h"
#include "FileDialogs.h"
#include "Msg.h"
#include "RecordFile.h"
#include "TimeConversion.h"
#include "WaitCursor.h"

namespace ombrix {

namespace {

enum Column {
  kId,
  kSerial,
  kName,
  kMissionStart,
  kDownloaded,
  kSamples,
  kMin,
  kMax,
  kAdapter,
  kColumns
};

QTableWidgetItem* Cell(const QString& text, bool number = false) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

// Midnight at the start of a local day, in probe seconds.
std::int64_t DayStartSeconds(const QDate& date) {
  return DateTimeToProbeSeconds(EncodeDateTime(date.year(), date.month(), date.day()));
}

}  // namespace

TArchiveDialog::TArchiveDialog(TArchive& archive, const TCodePage& codePage, QWidget* parent)
    : QDialog(parent), archive_(archive), codePage_(codePage) {
  setObjectName(QStringLiteral("ArchiveDialog"));
  setWindowTitle(tr("Archive"));

  text_ = new QLineEdit(this);
  text_->setObjectName(QStringLiteral("ArchiveFilterText"));
  text_->setPlaceholderText(tr("name, comment or serial number"));
  text_->setClearButtonEnabled(true);
  // Today by the program's clock (the virtual one in demo mode).
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(NowDateTime(), year, month, day, hour, minute, second, millisecond);
  const QDate today(year, month, day);
  fromOn_ = new QCheckBox(tr("Downloaded from"), this);
  from_ = new QDateEdit(today.addMonths(-1), this);
  toOn_ = new QCheckBox(tr("to"), this);
  to_ = new QDateEdit(today, this);
  for (QDateEdit* edit : {from_, to_}) {
    edit->setCalendarPopup(true);
    edit->setEnabled(false);
  }
  auto* filter = new QHBoxLayout;
  filter->addWidget(new QLabel(tr("Find :"), this));
  filter->addWidget(text_, 1);
  filter->addSpacing(12);
  filter->addWidget(fromOn_);
  filter->addWidget(from_);
  filter->addWidget(toOn_);
  filter->addWidget(to_);

  table_ = new QTableWidget(0, kColumns, this);
  table_->setObjectName(QStringLiteral("ArchiveTable"));
  table_->setHorizontalHeaderLabels({tr("Entry"), tr("Serial number"), tr("Name"),
                                     tr("Mission start"), tr("Downloaded"), tr("Samples"),
                                     tr("Min \u00B0C"), tr("Max \u00B0C"), tr("Adapter")});
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setAlternatingRowColors(true);

  summary_ = new QLabel(this);
  open_ = new QPushButton(tr("&Open"), this);
  open_->setDefault(true);
  exportRecords_ = new QPushButton(tr("Export as &record files..."), this);
  exportText_ = new QPushButton(tr("Export as &text..."), this);
  auto* close = new QPushButton(tr("Close"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(summary_, 1);
  for (QPushButton* button : {open_, exportRecords_, exportText_, close}) {
    buttons->addWidget(button);
  }

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filter);
  layout->addWidget(table_, 1);
  layout->addLayout(buttons);
  resize(900, 480);

  connect(text_, &QLineEdit::textChanged, this, [this] { Refresh(); });
  for (QCheckBox* on : {fromOn_, toOn_}) {
    connect(on, &QCheckBox::toggled, this, [this] {
      from_->setEnabled(fromOn_->isChecked());
      to_->setEnabled(toOn_->isChecked());
      Refresh();
    });
  }
  for (QDateEdit* edit : {from_, to_}) {
    connect(edit, &QDateEdit::dateChanged, this, [this] { Refresh(); });
  }
  connect(table_, &QTableWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { OpenSelected(); });
  connect(open_, &QPushButton::clicked, this, [this] { OpenSelected(); });
  connect(exportRecords_, &QPushButton::clicked, this, [this] { ExportChosen(false); });
  connect(exportText_, &QPushButton::clicked, this, [this] { ExportChosen(true); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  Refresh();
}

bool TArchiveDialog::Refresh() {
  ArchiveFilter filter;
  filter.text = text_->text().trimmed().toStdString();
  if (fromOn_->isChecked()) filter.fromSeconds = DayStartSeconds(from_->date());
  // The whole of the last day counts.
  if (toOn_->isChecked()) filter.toSeconds = DayStartSeconds(to_->date().addDays(1)) - 1;
  std::vector<ArchiveEntry> entries;
  std::string error;
  bool ok;
  {
    const WaitCursor wait;
    ok = archive_.List(filter, entries, error);
  }
  if (!ok) {
    ShowMessage(this, Msg("MsgError"),
                tr("The archive cannot be read:\n%1").arg(QString::fromStdString(error)));
    entries.clear();
  }
  entries_ = std::move(entries);

  table_->setRowCount(0);
  table_->setRowCount(static_cast<int>(entries_.size()));
  for (int row = 0; row < static_cast<int>(entries_.size()); ++row) {
    const ArchiveEntry& e = entries_[row];
    const bool any = e.samples > 0;
    table_->setItem(row, kId, Cell(QString::number(e.id), true));
    table_->setItem(row, kSerial, Cell(QString::fromStdString(e.serialText)));
    table_->setItem(row, kName, Cell(codePage_.ToUnicode(e.name)));
    table_->setItem(row, kMissionStart, Cell(DateTimeText(e.missionStart)));
    table_->setItem(row, kDownloaded, Cell(DateTimeText(e.downloadTime)));
    table_->setItem(row, kSamples, Cell(QString::number(e.samples), true));
    table_->setItem(row, kMin, Cell(any ? QString::number(e.minimum, 'f', 1) : QString(), true));
    table_->setItem(row, kMax, Cell(any ? QString::number(e.maximum, 'f', 1) : QString(), true));
    // The adapter says whether the entry is demo data of the virtual adapter.
    table_->setItem(row, kAdapter, Cell(QString::fromStdString(e.provenance.adapter)));
    table_->item(row, kName)->setToolTip(codePage_.ToUnicode(e.comment));
  }
  table_->resizeColumnsToContents();
  summary_->setText(tr("%n entries in %1", nullptr, static_cast<int>(entries_.size()))
                        .arg(QString::fromStdString(archive_.Location().Text())));
  UpdateButtons();
  return ok;
}

void TArchiveDialog::SetFilterText(const QString& text) {
  text_->setText(text);
}

void TArchiveDialog::SetDateRange(const QDate& from, const QDate& to) {
  if (from.isValid()) from_->setDate(from);
  if (to.isValid()) to_->setDate(to);
  fromOn_->setChecked(from.isValid());
  toOn_->setChecked(to.isValid());
  Refresh();
}

std::vector<std::int64_t> TArchiveDialog::SelectedIds() const {
  std::vector<int> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  std::vector<std::int64_t> ids;
  for (int row : rows) ids.push_back(entries_[row].id);
  return ids;
}

void TArchiveDialog::Select(const std::vector<std::int64_t>& ids) {
  table_->clearSelection();
  for (int row = 0; row < static_cast<int>(entries_.size()); ++row) {
    if (std::find(ids.begin(), ids.end(), entries_[row].id) == ids.end()) continue;
    table_->selectionModel()->select(table_->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
}

void TArchiveDialog::UpdateButtons() {
  const std::size_t selected = SelectedIds().size();
  open_->setEnabled(selected == 1);
  exportRecords_->setEnabled(selected > 0);
  exportText_->setEnabled(selected > 0);
}

void TArchiveDialog::OpenSelected() {
  const std::vector<std::int64_t> ids = SelectedIds();
  if (ids.size() != 1) return;
  chosen_ = ids.front();
  accept();
}

QString TArchiveDialog::FileNameFor(const ArchiveEntry& entry, bool asText) const {
  QString serial = QString::fromStdString(entry.serialText);
  serial.remove(u' ');
  return QStringLiteral("%1-%2.%3").arg(serial).arg(entry.id).arg(asText ? "txt" : "omx");
}

void TArchiveDialog::ExportChosen(bool asText) {
  if (SelectedIds().empty()) return;
  FileDialogRequest request;
  request.kind = FileDialogKind::Folder;
  request.title = asText ? tr("Export as text into") : tr("Export as record files into");
  const QString folder = RunFileDialog(this, request);
  if (!folder.isEmpty()) ExportSelected(folder, asText);
}

int TArchiveDialog::ExportSelected(const QString& folder, bool asText) {
  QStringList problems;
  int written = 0;
  const StatusPageCaptions captions;
  const WaitCursor wait;
  for (std::int64_t id : SelectedIds()) {
    const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                    [id](const ArchiveEntry& e) { return e.id == id; });
    const QString file = QDir(folder).filePath(FileNameFor(*entry, asText));
    if (QFileInfo::exists(file)) {
      problems << tr("%1 exists and was left as it is.").arg(QDir::toNativeSeparators(file));
      continue;
    }
    auto record = std::make_unique<TProbeRecord>();
    std::string error;
    const bool ok = archive_.Load(id, *record, nullptr, error) &&
                    (asText ? TDataExport(captions, *record).Export(file, &error)
                            : SaveToFile(*record, file, &error));
    if (ok) {
      ++written;
    } else {
      problems << QString::fromStdString(error);
    }
  }
  if (!problems.isEmpty()) {
    ShowMessage(this, Msg("MsgError"),
                tr("%n entries written.", nullptr, written) + u'\n' + problems.join(u'\n'));
  }
  return written;
}

}  // namespace ombrix
