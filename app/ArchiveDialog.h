#pragma once

#include <QDialog>

#include <cstdint>
#include <vector>

#include "Archive.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;

namespace ombrix {

class TCodePage;
class TArchiveListModel;
class TAuditModel;

// File > Archive, on two tabs. Downloads: the downloads the archive keeps, newest first, filtered
// by a text (name, comment, serial number) and a range of download dates. Open makes the chosen
// entry the held record (the window does that with ChosenId); the export buttons write the
// selected entries as record files or as text without leaving the dialog, each written entry an
// "export" row of the audit trail. The table reads the archive a page at a time, the next page
// when it is scrolled to its end, so that an archive of any size opens at once. Audit: the audit
// trail, newest row first, filtered by a probe's serial number and a first day; read when the
// tab is first shown. Verify checks the selected entries (all of them when none is selected or
// on the Audit tab) and the whole audit trail, and says what it found.
class TArchiveDialog : public QDialog {
  // Its own texts' context for the translations (tr).
  Q_OBJECT

 public:
  static constexpr int kPageSize = 200;  // entries read at a time

  TArchiveDialog(TArchive& archive, const TCodePage& codePage, QWidget* parent = nullptr);

  // Reads the list again, from its first page, with the filter as it stands; false after a
  // message when the archive cannot be read.
  bool Refresh();
  // The filter's controls, for the user and for tests.
  void SetFilterText(const QString& text);
  void SetDateRange(const QDate& from, const QDate& to);  // an invalid date: no bound
  // The entries read so far, in their order, and the ones selected.
  const std::vector<ArchiveEntry>& Entries() const;
  std::vector<std::int64_t> SelectedIds() const;
  void Select(const std::vector<std::int64_t>& ids);
  // The Audit tab's filter: a serial number as the user types it (empty: every row) and the
  // first day (an invalid date: from the first row). Reads the rows again.
  void SetAuditFilter(const QString& serial, const QDate& since);
  // Reads the audit rows again with the filter as it stands; false after a message when the
  // archive cannot be read or the serial number does not read.
  bool RefreshAudit();
  // The audit rows shown, newest first.
  const std::vector<AuditRow>& AuditRows() const;
  void ShowAuditTab();
  // Verify, as its button runs it; false when the archive could not be read or faults were
  // found (each said in the message).
  bool Verify();
  // The signatures of the one entry selected, as the line below the table shows them (empty
  // when not exactly one entry is selected).
  QString SignaturesText() const;
  // The entry that Open chose (0 when the dialog was closed otherwise).
  std::int64_t ChosenId() const { return chosen_; }
  // Writes each selected entry into `folder` as "<serial>-<id>.omx" (or ".txt" as text). Files
  // that exist are not replaced. Returns how many were written; problems are shown in one message.
  int ExportSelected(const QString& folder, bool asText);

 private:
  void OpenSelected();
  void ExportChosen(bool asText);
  void UpdateButtons();
  // Sign... on the one entry selected, then its signatures shown again.
  void SignSelected();
  void ShowSignatures();
  bool OnAuditTab() const;
  QString FileNameFor(const ArchiveEntry& entry, bool asText) const;

  TArchive& archive_;
  const TCodePage& codePage_;
  TArchiveListModel* model_ = nullptr;
  TAuditModel* audit_ = nullptr;
  std::int64_t chosen_ = 0;
  bool auditRead_ = false;  // the Audit tab shows the rows as they were last read

  QLineEdit* text_ = nullptr;
  QCheckBox* fromOn_ = nullptr;
  QDateEdit* from_ = nullptr;
  QCheckBox* toOn_ = nullptr;
  QDateEdit* to_ = nullptr;
  QTableView* table_ = nullptr;
  QLineEdit* auditSerial_ = nullptr;
  QCheckBox* sinceOn_ = nullptr;
  QDateEdit* since_ = nullptr;
  QTableView* auditTable_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QLabel* summary_ = nullptr;
  QLabel* auditSummary_ = nullptr;
  QPushButton* verify_ = nullptr;
  QPushButton* sign_ = nullptr;
  QLabel* signatures_ = nullptr;
  QPushButton* open_ = nullptr;
  QPushButton* exportRecords_ = nullptr;
  QPushButton* exportText_ = nullptr;
};

}  // namespace ombrix
