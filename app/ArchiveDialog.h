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
class QTableView;

namespace ombrix {

class TCodePage;
class TArchiveListModel;

// File > Archive: the downloads the archive keeps, newest first, filtered by a text (name,
// comment, serial number) and a range of download dates. Open makes the chosen entry the held
// record (the window does that with ChosenId); the export buttons write the selected entries as
// record files or as text without leaving the dialog. The table reads the archive a page at a
// time, the next page when it is scrolled to its end, so that an archive of any size opens at
// once.
class TArchiveDialog : public QDialog {
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
  // The entry that Open chose (0 when the dialog was closed otherwise).
  std::int64_t ChosenId() const { return chosen_; }
  // Writes each selected entry into `folder` as "<serial>-<id>.omx" (or ".txt" as text). Files
  // that exist are not replaced. Returns how many were written; problems are shown in one message.
  int ExportSelected(const QString& folder, bool asText);

 private:
  void OpenSelected();
  void ExportChosen(bool asText);
  void UpdateButtons();
  QString FileNameFor(const ArchiveEntry& entry, bool asText) const;

  TArchive& archive_;
  TArchiveListModel* model_ = nullptr;
  std::int64_t chosen_ = 0;

  QLineEdit* text_ = nullptr;
  QCheckBox* fromOn_ = nullptr;
  QDateEdit* from_ = nullptr;
  QCheckBox* toOn_ = nullptr;
  QDateEdit* to_ = nullptr;
  QTableView* table_ = nullptr;
  QLabel* summary_ = nullptr;
  QPushButton* open_ = nullptr;
  QPushButton* exportRecords_ = nullptr;
  QPushButton* exportText_ = nullptr;
};

}  // namespace ombrix
