#include "ArchiveDialog.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <memory>
#include <tuple>

#include "CaptionSource.h"
#include "CodePage.h"
#include "Dataexport.h"
#include "Dialogs.h"
#include "FigureTexts.h"
#include "FileDialogs.h"
#include "FileRead.h"
#include "Msg.h"
#include "ProbeAudit.h"
#include "RecordFile.h"
#include "SignDialog.h"
#include "SignatureText.h"
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

// Midnight at the start of a local day, in probe seconds.
std::int64_t DayStartSeconds(const QDate& date) {
  return DateTimeToProbeSeconds(EncodeDateTime(date.year(), date.month(), date.day()));
}

// What was done and how it ended first, who did it and where after.
enum AuditColumn {
  kSeq,
  kInstant,
  kAction,
  kProbe,
  kEntry,
  kOutcome,
  kBefore,
  kAfter,
  kUser,
  kFullName,
  kWorkstation,
  kRole,
  kAuditAdapter,
  kAuditColumns
};

// A value of several "key=value" lines on one line of the table.
QString OneLine(const std::string& value) {
  return QString::fromStdString(value).replace(u'\n', QStringLiteral("; "));
}

}  // namespace

// The audit trail as the Audit tab shows it, newest row first, read whole: rows are a few
// hundred bytes, so that even a long-kept trail of many thousand rows is quickly read and held.
class TAuditModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  // The rows in the order they were appended.
  void Reset(std::vector<AuditRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    std::reverse(rows_.begin(), rows_.end());
    endResetModel();
  }
  const std::vector<AuditRow>& Rows() const { return rows_; }
  bool AnyRole() const {
    return std::any_of(rows_.begin(), rows_.end(),
                       [](const AuditRow& row) { return !row.databaseRole.empty(); });
  }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : kAuditColumns;
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || section < 0 || section >= kAuditColumns) return {};
    if (role == Qt::ToolTipRole && section == kInstant) {
      return QCoreApplication::translate("TArchiveDialog",
                                         "The program's local time, with its offset from UTC");
    }
    if (role != Qt::DisplayRole) return {};
    static const char* const kHeaders[kAuditColumns] = {
        QT_TRANSLATE_NOOP("TArchiveDialog", "Row"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Time"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Action"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Serial number"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Entry"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Outcome"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Before"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "After"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "User"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Full name"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Workstation"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Database role"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Adapter")};
    return QCoreApplication::translate("TArchiveDialog", kHeaders[section]);
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const AuditRow& row = rows_[static_cast<std::size_t>(index.row())];
    const AuditEvent& e = row.event;
    const int column = index.column();
    switch (role) {
      case Qt::DisplayRole:
        return Text(row, column);
      case Qt::ToolTipRole:
        return ToolTip(row, column);
      case Qt::ForegroundRole:
        return e.done ? QVariant() : QVariant(QBrush(QColor(190, 0, 0)));
      case Qt::TextAlignmentRole:
        return column == kSeq || column == kEntry
                   ? QVariant(static_cast<int>(Qt::AlignRight | Qt::AlignVCenter))
                   : QVariant();
      default:
        return {};
    }
  }

 private:
  // The whole of what a cell may show cut short or on one line.
  static QVariant ToolTip(const AuditRow& row, int column) {
    const AuditEvent& e = row.event;
    switch (column) {
      case kInstant:
        return IsoDateTimeText(row.instantSeconds);
      case kUser:
        return QStringLiteral("Ombrix %1").arg(QString::fromStdString(row.actor.programVersion));
      case kAuditAdapter:
        return QString::fromStdString(e.adapter);
      case kBefore:
        return QString::fromStdString(e.oldValue);
      case kAfter:
        return QString::fromStdString(e.newValue);
      case kOutcome:
        return Text(row, column);
      default:
        return {};
    }
  }

  static QString Text(const AuditRow& row, int column) {
    const AuditEvent& e = row.event;
    switch (column) {
      case kSeq:
        return QString::number(row.seq);
      case kInstant:
        // As the window shows every time, and the offset that tells summer from winter time.
        return DateTimeText(ProbeSecondsToDateTime(row.instantSeconds)) + u' ' +
               IsoDateTimeText(row.instantSeconds).right(6);
      case kUser:
        return QString::fromStdString(row.actor.user);
      case kFullName:
        return QString::fromStdString(row.actor.fullName);
      case kWorkstation:
        return QString::fromStdString(row.actor.workstation);
      case kRole:
        return QString::fromStdString(row.databaseRole);
      case kAction:
        return AuditActionText(e.action);
      case kProbe:
        return QString::fromStdString(e.probeSerial);
      case kAuditAdapter:
        return QString::fromStdString(e.adapter);
      case kEntry:
        return e.entryId != 0 ? QString::number(e.entryId) : QString();
      case kBefore:
        return OneLine(e.oldValue);
      case kAfter:
        return OneLine(e.newValue);
      case kOutcome: {
        const QString outcome = e.done ? QCoreApplication::translate("TArchiveDialog", "done")
                                       : QCoreApplication::translate("TArchiveDialog", "failed");
        return e.message.empty() ? outcome : outcome + QStringLiteral(": ") + OneLine(e.message);
      }
      default:
        return {};
    }
  }

  std::vector<AuditRow> rows_;
};

// The archive's entries as the table shows them, read a page at a time: the view asks for the
// next page (canFetchMore, fetchMore) when it is scrolled to the last row read.
class TArchiveListModel : public QAbstractTableModel {
 public:
  using Failed = std::function<void(const std::string& error)>;

  TArchiveListModel(TArchive& archive, const TCodePage& codePage, Failed failed, QObject* parent)
      : QAbstractTableModel(parent),
        archive_(archive),
        codePage_(codePage),
        failed_(std::move(failed)) {}

  // Starts again from the first page with this filter; false with the error when the archive
  // cannot be read, the listing then empty.
  bool Reset(const ArchiveFilter& filter, std::string& error) {
    beginResetModel();
    filter_ = filter;
    entries_.clear();
    read_ = total_ = 0;
    more_ = false;
    const bool ok = archive_.Count(filter_, total_, error) && ReadPage(true, error);
    if (!ok) {
      entries_.clear();
      read_ = total_ = 0;
      more_ = false;
    }
    endResetModel();
    return ok;
  }

  const std::vector<ArchiveEntry>& Entries() const { return entries_; }
  // How many entries the filter lets through, as counted when the listing started.
  std::int64_t Total() const { return total_; }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : kColumns;
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= kColumns) return {};
    static const char* const kHeaders[kColumns] = {
        QT_TRANSLATE_NOOP("TArchiveDialog", "Entry"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Serial number"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Name"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Mission start"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Downloaded"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Samples"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Min °C"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Max °C"),
        QT_TRANSLATE_NOOP("TArchiveDialog", "Adapter")};
    return QCoreApplication::translate("TArchiveDialog", kHeaders[section]);
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const ArchiveEntry& e = entries_[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    if (role == Qt::TextAlignmentRole) {
      const bool number = column == kId || column == kSamples || column == kMin || column == kMax;
      return number ? QVariant(static_cast<int>(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    }
    if (role == Qt::ToolTipRole && column == kName) return codePage_.ToUnicode(e.comment);
    if (role != Qt::DisplayRole) return {};
    const bool any = e.samples > 0;
    switch (column) {
      case kId:
        return QString::number(e.id);
      case kSerial:
        return QString::fromStdString(e.serialText);
      case kName:
        return codePage_.ToUnicode(e.name);
      case kMissionStart:
        return DateTimeText(e.missionStart);
      case kDownloaded:
        return DateTimeText(e.downloadTime);
      case kSamples:
        return QString::number(e.samples);
      case kMin:
        return any ? QString::number(e.minimum, 'f', 1) : QString();
      case kMax:
        return any ? QString::number(e.maximum, 'f', 1) : QString();
      case kAdapter:
        // The adapter says whether the entry is demo data of the virtual adapter.
        return QString::fromStdString(e.provenance.adapter);
      default:
        return {};
    }
  }

  bool canFetchMore(const QModelIndex& parent) const override { return !parent.isValid() && more_; }

  void fetchMore(const QModelIndex& parent) override {
    if (parent.isValid() || !more_) return;
    std::string error;
    if (!ReadPage(false, error)) {
      more_ = false;  // asked again at every scroll otherwise
      failed_(error);
    }
  }

 private:
  // Reads the next page of the listing and appends its entries; `inReset` when Reset has begun
  // the model's reset, which stands for their insertion.
  bool ReadPage(bool inReset, std::string& error) {
    ArchiveFilter page = filter_;
    page.limit = TArchiveDialog::kPageSize;
    page.offset = read_;
    std::vector<ArchiveEntry> read;
    if (!archive_.List(page, read, error)) return false;
    read_ += static_cast<std::int64_t>(read.size());
    more_ = static_cast<int>(read.size()) == TArchiveDialog::kPageSize;
    // Entries stored since the listing began (another workstation downloading) move the others
    // down the listing, so that entries already read come again: those not older than the last
    // one read are left out.
    if (!entries_.empty()) {
      const auto key = [](const ArchiveEntry& e) { return std::tie(e.downloadSeconds, e.id); };
      const ArchiveEntry& last = entries_.back();
      read.erase(std::remove_if(read.begin(), read.end(),
                                [&](const ArchiveEntry& e) { return key(e) >= key(last); }),
                 read.end());
    }
    if (read.empty()) return true;
    const int first = rowCount();
    if (!inReset) beginInsertRows({}, first, first + static_cast<int>(read.size()) - 1);
    std::move(read.begin(), read.end(), std::back_inserter(entries_));
    if (!inReset) endInsertRows();
    return true;
  }

  TArchive& archive_;
  const TCodePage& codePage_;
  Failed failed_;
  ArchiveFilter filter_;
  std::vector<ArchiveEntry> entries_;
  std::int64_t read_ = 0;  // rows of the listing read, those left out included
  std::int64_t total_ = 0;
  bool more_ = false;
};

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
  auditSerial_ = new QLineEdit(this);
  auditSerial_->setObjectName(QStringLiteral("AuditSerial"));
  auditSerial_->setPlaceholderText(tr("every probe"));
  auditSerial_->setToolTip(
      tr("A probe's serial number, as the Status page shows it "
         "(\"28 00 00 00 00 00 00 A2\") or as one number"));
  auditSerial_->setClearButtonEnabled(true);
  sinceOn_ = new QCheckBox(tr("Since"), this);
  sinceOn_->setObjectName(QStringLiteral("AuditSinceOn"));
  since_ = new QDateEdit(today.addMonths(-1), this);
  for (QDateEdit* edit : {from_, to_, since_}) {
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
  auto* auditFilter = new QHBoxLayout;
  auditFilter->addWidget(new QLabel(tr("Probe :"), this));
  auditFilter->addWidget(auditSerial_, 1);
  auditFilter->addSpacing(12);
  auditFilter->addWidget(sinceOn_);
  auditFilter->addWidget(since_);

  const auto tableOf = [this](QAbstractItemModel* model, const char* name) {
    auto* table = new QTableView(this);
    table->setObjectName(QString::fromLatin1(name));
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setAlternatingRowColors(true);
    return table;
  };
  model_ = new TArchiveListModel(
      archive_, codePage,
      [this](const std::string& error) {
        ShowMessage(this, Msg("MsgError"),
                    tr("The archive cannot be read:\n%1").arg(QString::fromStdString(error)));
      },
      this);
  table_ = tableOf(model_, "ArchiveTable");
  // The probe's name takes the room the window has to spare.
  table_->horizontalHeader()->setStretchLastSection(false);
  table_->horizontalHeader()->setSectionResizeMode(kName, QHeaderView::Stretch);
  audit_ = new TAuditModel(this);
  auditTable_ = tableOf(audit_, "AuditTable");
  // One line a row, however many lines a value has: the tooltip shows them all.
  auditTable_->setWordWrap(false);
  auditTable_->verticalHeader()->setDefaultSectionSize(auditTable_->fontMetrics().height() + 6);

  summary_ = new QLabel(this);
  auditSummary_ = new QLabel(this);
  signatures_ = new QLabel(this);
  signatures_->setObjectName(QStringLiteral("ArchiveSignatures"));
  signatures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* downloads = new QWidget(this);
  auto* downloadsLayout = new QVBoxLayout(downloads);
  downloadsLayout->addLayout(filter);
  downloadsLayout->addWidget(table_, 1);
  downloadsLayout->addWidget(signatures_);
  downloadsLayout->addWidget(summary_);
  auto* auditPage = new QWidget(this);
  auto* auditLayout = new QVBoxLayout(auditPage);
  auditLayout->addLayout(auditFilter);
  auditLayout->addWidget(auditTable_, 1);
  auditLayout->addWidget(auditSummary_);
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("ArchiveTabs"));
  tabs_->addTab(downloads, tr("&Downloads"));
  tabs_->addTab(auditPage, tr("A&udit"));

  verify_ = new QPushButton(this);
  verify_->setObjectName(QStringLiteral("ArchiveVerify"));
  open_ = new QPushButton(tr("&Open"), this);
  open_->setDefault(true);
  exportRecords_ = new QPushButton(tr("Export as &record files..."), this);
  exportText_ = new QPushButton(tr("Export as &text..."), this);
  sign_ = new QPushButton(tr("S&ign..."), this);
  sign_->setObjectName(QStringLiteral("ArchiveSign"));
  sign_->setToolTip(tr("Signs the selected entry with your key: reviewed, approved or released."));
  auto* close = new QPushButton(tr("Close"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(verify_);
  buttons->addWidget(sign_);
  buttons->addStretch(1);
  for (QPushButton* button : {open_, exportRecords_, exportText_, close}) {
    buttons->addWidget(button);
  }

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addLayout(buttons);
  resize(1100, 560);

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
  // The serial number is looked for once it has been typed whole (or cleared).
  connect(auditSerial_, &QLineEdit::editingFinished, this, [this] { RefreshAudit(); });
  connect(auditSerial_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (text.isEmpty() || figures::SerialNumberFromText(text)) RefreshAudit();
  });
  connect(sinceOn_, &QCheckBox::toggled, this, [this](bool on) {
    since_->setEnabled(on);
    RefreshAudit();
  });
  connect(since_, &QDateEdit::dateChanged, this, [this] { RefreshAudit(); });
  connect(tabs_, &QTabWidget::currentChanged, this, [this] {
    if (OnAuditTab() && !auditRead_) RefreshAudit();
    UpdateButtons();
  });
  connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    UpdateButtons();
    ShowSignatures();
  });
  connect(sign_, &QPushButton::clicked, this, [this] { SignSelected(); });
  connect(table_, &QTableView::doubleClicked, this, [this] { OpenSelected(); });
  connect(open_, &QPushButton::clicked, this, [this] { OpenSelected(); });
  connect(exportRecords_, &QPushButton::clicked, this, [this] { ExportChosen(false); });
  connect(exportText_, &QPushButton::clicked, this, [this] { ExportChosen(true); });
  connect(verify_, &QPushButton::clicked, this, [this] { Verify(); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  Refresh();
}

bool TArchiveDialog::OnAuditTab() const {
  return tabs_->currentIndex() == 1;
}

void TArchiveDialog::ShowAuditTab() {
  tabs_->setCurrentIndex(1);
}

const std::vector<AuditRow>& TArchiveDialog::AuditRows() const {
  return audit_->Rows();
}

void TArchiveDialog::SetAuditFilter(const QString& serial, const QDate& since) {
  {
    // One reading for the whole filter.
    const QSignalBlocker blockSerial(auditSerial_), blockOn(sinceOn_), blockSince(since_);
    auditSerial_->setText(serial);
    if (since.isValid()) since_->setDate(since);
    sinceOn_->setChecked(since.isValid());
    since_->setEnabled(since.isValid());
  }
  RefreshAudit();
}

bool TArchiveDialog::RefreshAudit() {
  AuditFilter filter;
  const QString serial = auditSerial_->text().trimmed();
  std::string error;
  bool ok = true;
  if (!serial.isEmpty()) {
    const std::optional<std::uint64_t> number = figures::SerialNumberFromText(serial);
    if (number) {
      filter.probeSerial = SerialNumberText(*number);
    } else {
      error = tr("\"%1\" is not a serial number: give its eight bytes (\"28 00 00 00 00 00 00 "
                 "A2\") or one 16-digit number.")
                  .arg(serial)
                  .toStdString();
      ok = false;
    }
  }
  if (sinceOn_->isChecked()) filter.fromSeconds = DayStartSeconds(since_->date());
  std::vector<AuditRow> rows;
  if (ok) {
    const WaitCursor wait;
    ok = archive_.Audit(filter, rows, error);
    if (!ok) {
      error =
          tr("The archive cannot be read:\n%1").arg(QString::fromStdString(error)).toStdString();
    }
  }
  audit_->Reset(std::move(rows));
  auditRead_ = true;
  // SQLite knows no database roles: the column is shown where there are any.
  auditTable_->setColumnHidden(kRole, !audit_->AnyRole());
  auditTable_->resizeColumnsToContents();
  // Long values are cut short; their tooltips hold them whole.
  for (const auto& [column, widest] :
       {std::pair{kOutcome, 320}, std::pair{kBefore, 220}, std::pair{kAfter, 220}}) {
    auditTable_->setColumnWidth(column, std::min(auditTable_->columnWidth(column), widest));
  }
  auditSummary_->setText(
      tr("%n audit rows, newest first", nullptr, static_cast<int>(AuditRows().size())));
  if (!ok) ShowMessage(this, Msg("MsgError"), QString::fromStdString(error));
  return ok;
}

bool TArchiveDialog::Verify() {
  const std::vector<std::int64_t> ids = OnAuditTab() ? std::vector<std::int64_t>() : SelectedIds();
  TArchive::VerifyReport report;
  std::string error;
  bool read;
  {
    const WaitCursor wait;
    read = archive_.Verify(ids, report, error);
  }
  if (!read) {
    ShowMessage(this, Msg("MsgError"),
                tr("The archive cannot be verified:\n%1").arg(QString::fromStdString(error)));
    return false;
  }
  const QString checked = tr("%n entries, ", nullptr, static_cast<int>(report.entries)) +
                          tr("%n signatures, ", nullptr, static_cast<int>(report.signatures)) +
                          tr("%n audit rows checked.", nullptr, static_cast<int>(report.rows));
  // Failed signings are no fault, but people must see them: a guessed passphrase shows here.
  QStringList notes;
  for (const std::string& note : report.notes) notes << QString::fromStdString(note);
  if (report.faults.empty()) {
    ShowMessage(this, tr("Verify"),
                tr("All holds: %1").arg(checked) +
                    (notes.isEmpty() ? QString()
                                     : tr("\n%n failed signings are on record.", nullptr,
                                          static_cast<int>(notes.size()))),
                notes.join(u'\n'));
    return true;
  }
  QStringList faults;
  for (const std::string& fault : report.faults) faults << QString::fromStdString(fault);
  ShowMessage(this, Msg("MsgError"),
              tr("%n faults found; ", nullptr, static_cast<int>(faults.size())) + checked +
                  tr("\nThe first: %1").arg(faults.front()),
              (faults + notes).join(u'\n'));
  return false;
}

QString TArchiveDialog::SignaturesText() const {
  return signatures_->text();
}

void TArchiveDialog::ShowSignatures() {
  const std::vector<std::int64_t> ids = SelectedIds();
  if (ids.size() != 1) {
    signatures_->clear();
    return;
  }
  QStringList lines;
  std::string error;
  if (!SignatureTexts(archive_, ids.front(), lines, error)) {
    signatures_->setText(tr("Signatures cannot be read: %1").arg(QString::fromStdString(error)));
    return;
  }
  signatures_->setText(lines.isEmpty()
                           ? tr("Entry %1 is not signed.").arg(ids.front())
                           : tr("Signatures of entry %1:\n").arg(ids.front()) + lines.join(u'\n'));
}

void TArchiveDialog::SignSelected() {
  const std::vector<std::int64_t> ids = SelectedIds();
  if (ids.size() != 1) return;
  const auto entry = std::find_if(Entries().begin(), Entries().end(),
                                  [&](const ArchiveEntry& e) { return e.id == ids.front(); });
  const QString text =
      entry == Entries().end()
          ? QString()
          : tr("Entry %1: probe %2, %3, downloaded %4")
                .arg(entry->id)
                .arg(QString::fromStdString(entry->serialText), codePage_.ToUnicode(entry->name),
                     DateTimeText(ProbeSecondsToDateTime(entry->downloadSeconds)));
  TSignDialog dialog(archive_, ids.front(), text, this);
  dialog.exec();
  ShowSignatures();
  // The attempt is in the audit trail, signed or refused.
  if (auditRead_) RefreshAudit();
}

bool TArchiveDialog::Refresh() {
  ArchiveFilter filter;
  filter.text = text_->text().trimmed().toStdString();
  if (fromOn_->isChecked()) filter.fromSeconds = DayStartSeconds(from_->date());
  // The whole of the last day counts.
  if (toOn_->isChecked()) filter.toSeconds = DayStartSeconds(to_->date().addDays(1)) - 1;
  std::string error;
  bool ok;
  {
    const WaitCursor wait;
    ok = model_->Reset(filter, error);
  }
  if (!ok) {
    ShowMessage(this, Msg("MsgError"),
                tr("The archive cannot be read:\n%1").arg(QString::fromStdString(error)));
  }
  table_->resizeColumnsToContents();
  summary_->setText(tr("%n entries in %1", nullptr, static_cast<int>(model_->Total()))
                        .arg(QString::fromStdString(archive_.Location().Text())));
  UpdateButtons();
  return ok;
}

const std::vector<ArchiveEntry>& TArchiveDialog::Entries() const {
  return model_->Entries();
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
  for (int row : rows) ids.push_back(Entries()[static_cast<std::size_t>(row)].id);
  return ids;
}

void TArchiveDialog::Select(const std::vector<std::int64_t>& ids) {
  table_->clearSelection();
  const std::vector<ArchiveEntry>& entries = Entries();
  for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
    if (std::find(ids.begin(), ids.end(), entries[row].id) == ids.end()) continue;
    table_->selectionModel()->select(table_->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
}

void TArchiveDialog::UpdateButtons() {
  const bool audit = OnAuditTab();
  const int selected = audit ? 0 : static_cast<int>(SelectedIds().size());
  for (QPushButton* button : {open_, exportRecords_, exportText_}) button->setVisible(!audit);
  open_->setEnabled(selected == 1);
  sign_->setVisible(!audit);
  sign_->setEnabled(selected == 1);
  exportRecords_->setEnabled(selected > 0);
  exportText_->setEnabled(selected > 0);
  if (selected > 0) {
    verify_->setText(tr("&Verify selected"));
    verify_->setToolTip(
        tr("Checks the %n selected entries and the whole audit trail.", nullptr, selected));
  } else {
    verify_->setText(tr("&Verify all"));
    verify_->setToolTip(tr("Checks every entry and the whole audit trail."));
  }
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
    const auto entry = std::find_if(Entries().begin(), Entries().end(),
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
    // An "export" row for each entry written out or failed, as ombrix-cli's export records it,
    // naming the entry.
    AuditEvent event =
        RecordEvent("export", *record, ShownFileName(file), ok, ok ? std::string() : error);
    event.probeSerial = entry->serialText;
    event.entryId = id;
    std::string failure;
    if (!archive_.Append(CurrentActor(OMBRIX_VERSION), event, failure)) {
      problems << tr("The export of entry %1 is not in the archive's audit trail: %2")
                      .arg(id)
                      .arg(QString::fromStdString(failure));
    }
    auditRead_ = false;
  }
  if (OnAuditTab()) RefreshAudit();
  if (!problems.isEmpty()) {
    ShowMessage(this, Msg("MsgError"),
                tr("%n entries written.", nullptr, written) + u'\n' + problems.join(u'\n'));
  }
  return written;
}

}  // namespace ombrix
