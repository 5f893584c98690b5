// The archive through the window: every download stored before it is shown, repeat downloads
// read only what is new, entries found, exported and reopened; an archive that fails loses
// nothing.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>

#include <tuple>

#include "ArchiveDialog.h"
#include "CodePage.h"
#include "FileTesting.h"
#include "SignDialog.h"
#include "TableModel.h"
#include "archive/ArchiveRecords.h"

namespace ombrix::testing {
namespace {

class ArchiveWindowTest : public FileActionTest {
 protected:
  // Where the held record came from, beside the status bar's panels.
  QString Origin() const { return Find<QLabel>("RecordOrigin")->text(); }
  void StartOnDemo() {
    BuildScenario(bus, "demo");
    Start();
    RunFor(300);
    ASSERT_EQ(form->PollState, psProbe);
  }
};

TEST_F(ArchiveWindowTest, DownloadsAreStoredFoundAndOpenedAgain) {
  StartOnDemo();
  form->ProbeReadDataExecute();
  ASSERT_EQ(form->PanelText(0), "Data : OK");
  EXPECT_EQ(Origin(), "Downloaded, archive entry 1");
  EXPECT_EQ(form->PanelText(1), Msg("MsgNoname")) << "a download belongs to no file";
  EXPECT_TRUE(form->Workplace->Modified) << "stored, but not saved as a file";

  clock.Advance(24 * 3600 * 1000LL);
  form->ProbeReadDataExecute();
  ASSERT_EQ(form->PanelText(0), "Data : OK");
  EXPECT_EQ(Origin(), "Downloaded, archive entry 2 (incremental download)");
  const TProbeRecord second = *form->Workplace->Record;
  EXPECT_TRUE(messages.empty());

  // File > Archive: find by text, export the first entry, open the second.
  std::size_t listed = 0, found = 0, unmatched = 99;
  int exported = 0;
  QString adapterShown;
  runDialog = [&](QDialog& dialog) {
    auto& archive = dynamic_cast<TArchiveDialog&>(dialog);
    listed = archive.Entries().size();
    const QAbstractItemModel* table =
        dialog.findChild<QTableView*>(QStringLiteral("ArchiveTable"))->model();
    adapterShown = table->index(0, table->columnCount() - 1).data().toString();
    archive.SetFilterText(QStringLiteral("no such probe"));
    unmatched = archive.Entries().size();
    archive.SetFilterText(QString::fromStdString(second.Name).left(4).toLower());
    found = archive.Entries().size();
    archive.Select({1});
    exported = archive.ExportSelected(dir.path(), false) + archive.ExportSelected(dir.path(), true);
    archive.Select({2});
    for (QPushButton* button : archive.findChildren<QPushButton*>()) {
      if (button->text() == "&Open") button->click();
    }
    return dialog.result();
  };
  answer = true;  // the unsaved download may go
  form->FileArchiveExecute();
  EXPECT_EQ(listed, 2u);
  // Downloads from the virtual adapter are marked as such.
  EXPECT_TRUE(adapterShown.endsWith("(USB serial OMX10001, virtual)"))
      << adapterShown.toStdString();
  EXPECT_EQ(unmatched, 0u);
  EXPECT_EQ(found, 2u);
  EXPECT_EQ(exported, 2);
  QString serial = QString::fromStdString(second.SerialNumberText()).remove(u' ');
  EXPECT_TRUE(QFile::exists(Path((serial + "-1.omx").toUtf8())));
  EXPECT_TRUE(QFile::exists(Path((serial + "-1.txt").toUtf8())));

  ASSERT_EQ(form->PollState, psFile);
  EXPECT_EQ(Origin(), "Opened from archive entry 2");
  EXPECT_EQ(form->PanelText(1), Msg("MsgNoname"));
  EXPECT_FALSE(form->Workplace->Modified);
  const TProbeRecord& opened = *form->Workplace->Record;
  EXPECT_EQ(opened.LogBuffer, second.LogBuffer);
  EXPECT_EQ(opened.MissionSamples, second.MissionSamples);
  EXPECT_EQ(opened.DownloadTime, second.DownloadTime);
  EXPECT_EQ(opened.StartSeconds, second.StartSeconds);
  EXPECT_EQ(form->TableModel()->rowCount(), second.HeldSamples());
}

TEST_F(ArchiveWindowTest, ADownloadTheArchiveCannotTakeIsShownAndHeldUnsaved) {
  StartOnDemo();
  form->Workplace->Common().archiveOverride = "/proc/no-archive-here/archive.sqlite";
  form->ProbeReadDataExecute();
  ASSERT_EQ(form->PanelText(0), "Data : OK");
  EXPECT_EQ(Origin(), "Downloaded, not archived");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.contains("could not be stored in the archive"))
      << messages[0].text.toStdString();
  EXPECT_TRUE(form->Workplace->Modified);
  EXPECT_GT(form->TableModel()->rowCount(), 3000);

  // With the archive off nothing is stored and nothing is said.
  messages.clear();
  form->Workplace->Common().archiveEnabled = false;
  form->ProbeReadDataExecute();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Origin(), "Downloaded");
}

// The Audit tab lists the trail newest first, failed rows in red, filtered by probe and day;
// Verify says that all holds, and once a row has been changed behind the archive's back names it
// and never says that all holds.
TEST_F(ArchiveWindowTest, TheAuditTabShowsTheTrailAndVerifyFindsAChangedRow) {
  StartOnDemo();
  form->ProbeReadDataExecute();
  ASSERT_EQ(form->PanelText(0), "Data : OK");
  const std::string serial = form->Workplace->Record->SerialNumberText();
  Adapter().Faults().At(1, Fault::NoAnswer(), FaultPlan::kForever);
  form->ProbeReadDataExecute();
  ASSERT_EQ(form->PanelText(0), "Data : Error");
  Adapter().Faults().Clear();
  std::string error;
  TArchive& archive = *form->Workplace->OpenArchive(error);
  TArchiveDialog dialog(archive, DefaultCodePage());
  dialog.Select({1});
  ASSERT_EQ(dialog.ExportSelected(dir.path(), true), 1);

  dialog.ShowAuditTab();
  const QAbstractItemModel& table =
      *dialog.findChild<QTableView*>(QStringLiteral("AuditTable"))->model();
  const auto cell = [&](int row, const char* header, int role = Qt::DisplayRole) {
    for (int column = 0; column < table.columnCount(); ++column) {
      if (table.headerData(column, Qt::Horizontal).toString() == header) {
        return table.index(row, column).data(role);
      }
    }
    ADD_FAILURE() << "no column " << header;
    return QVariant();
  };
  ASSERT_EQ(table.rowCount(), 3);
  QStringList shown;
  for (int row = 0; row < 3; ++row) {
    shown << cell(row, "Row").toString() + ' ' + cell(row, "Action").toString() + ' ' +
                 cell(row, "Entry").toString() + ' ' + cell(row, "Outcome").toString().left(7);
  }
  EXPECT_EQ(shown.join(", "), "3 export 1 done, 2 download  failed:, 1 download 1 done");
  ASSERT_FALSE(dialog.AuditRows()[1].event.message.empty());
  EXPECT_EQ(cell(1, "Outcome").toString().toStdString(),
            "failed: " + dialog.AuditRows()[1].event.message);
  EXPECT_EQ(cell(1, "Outcome", Qt::ForegroundRole).value<QBrush>().color(), QColor(190, 0, 0));
  EXPECT_FALSE(cell(0, "Outcome", Qt::ForegroundRole).isValid());
  const AuditRow& stored = dialog.AuditRows()[2];
  EXPECT_EQ(cell(2, "Time").toString(),
            DateTimeText(ProbeSecondsToDateTime(stored.instantSeconds)) + " +01:00");
  // A value of several lines on one, whole in its tooltip.
  EXPECT_EQ(cell(2, "After").toString(),
            QString::fromStdString(stored.event.newValue).replace("\n", "; "));
  EXPECT_EQ(cell(2, "After", Qt::ToolTipRole).toString().toStdString(), stored.event.newValue);
  EXPECT_EQ(cell(0, "Serial number").toString().toStdString(), serial);

  // Also as record files and the settings write it: one hexadecimal number, byte 7 first.
  const QString compact =
      QStringLiteral("%1").arg(form->Workplace->Record->SerialNumber, 16, 16, QChar(u'0'));
  const struct {
    QString serial;
    QDate since;
    int rows;
  } filters[] = {{compact, {}, 3},
                 {"28 00 00 00 00 00 00 A2", {}, 0},
                 {{}, QDate(2023, 11, 15), 0},
                 {QString::fromStdString(serial), QDate(2023, 11, 14), 3}};
  for (const auto& f : filters) {
    dialog.SetAuditFilter(f.serial, f.since);
    EXPECT_EQ(table.rowCount(), f.rows) << f.serial.toStdString();
  }
  EXPECT_TRUE(messages.empty());
  dialog.SetAuditFilter("fridge", {});
  EXPECT_EQ(table.rowCount(), 0);
  EXPECT_TRUE(LastMessage().startsWith("\"fridge\" is not a serial number"));

  auto* verify = dialog.findChild<QPushButton*>(QStringLiteral("ArchiveVerify"));
  EXPECT_EQ(verify->text(), "&Verify all");
  dialog.findChild<QTabWidget*>(QStringLiteral("ArchiveTabs"))->setCurrentIndex(0);
  dialog.Select({1});
  EXPECT_EQ(verify->text(), "&Verify selected");
  messages.clear();
  verify->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(LastMessage(), "All holds: 1 entries, 0 signatures, 3 audit rows checked.");

  // The database's owner takes the guard away and rewrites the failed row as a success.
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("owner"));
    db.setDatabaseName(QString::fromStdString(archive.Location().path));
    ASSERT_TRUE(db.open());
    for (const char* change : {"DROP TRIGGER ombrix_audit_kept_update",
                               "UPDATE ombrix_audit SET done = 1 WHERE seq = 2"}) {
      QSqlQuery query(db);
      EXPECT_TRUE(query.exec(QString::fromLatin1(change)))
          << query.lastError().text().toStdString();
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("owner"));
  messages.clear();
  EXPECT_FALSE(dialog.Verify());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "Error");
  EXPECT_TRUE(
      LastMessage().startsWith("1 faults found; 1 entries, 0 signatures, 3 audit rows checked."))
      << LastMessage().toStdString();
  EXPECT_EQ(messages[0].detail,
            "audit row 2: its fields do not match its hash (the row was changed)");
}

// An archive of more than two pages: the table starts with the first page and reads the next one
// when it is scrolled to its end, while the count covers them all; entries stored meanwhile are
// neither listed twice nor make others go missing; a new filter starts from the first page again.
// Sign... in the Archive window: a wrong passphrase refused and on record, then a signature shown
// under the table and counted by Verify.
TEST_F(ArchiveWindowTest, AnEntryIsSignedFromTheArchiveWindow) {
  StartOnDemo();
  form->ProbeReadDataExecute();
  ASSERT_EQ(form->PanelText(0), "Data : OK");
  std::string error;
  TArchive& archive = *form->Workplace->OpenArchive(error);
  const std::string keyPath = dir.filePath(QStringLiteral("anna.key")).toStdString();
  KeyFile file;
  ASSERT_EQ(CreateKeyFile(keyPath, {"anna", "Anna Admin"}, "passphrase of anna", MinimumKdfLimits(),
                          false, file, error),
            CreateKeyResult::kCreated);
  TSigningKey key;
  ASSERT_EQ(TSigningKey::Unlock(file, "passphrase of anna", key, error), UnlockResult::kUnlocked);
  EnrolledKey enrolled;
  ASSERT_EQ(archive.EnrolKey(CurrentActor("test"), key, {"anna", "Anna Admin"},
                             KeyRole::kAdministrator, true, enrolled, error),
            TArchive::KeyAnswer::kDone);

  TArchiveDialog dialog(archive, DefaultCodePage());
  EXPECT_FALSE(dialog.findChild<QPushButton*>(QStringLiteral("ArchiveSign"))->isEnabled());
  dialog.Select({1});
  EXPECT_TRUE(dialog.findChild<QPushButton*>(QStringLiteral("ArchiveSign"))->isEnabled());
  EXPECT_EQ(dialog.SignaturesText(), "Entry 1 is not signed.");
  TSignDialog sign(archive, 1, QStringLiteral("Entry 1"), &dialog);
  sign.SetKeyFile(QString::fromStdString(keyPath));
  sign.SetMeaning(SignatureMeaning::kApproved);
  sign.SetComment(QStringLiteral("released for shipment"));
  sign.SetPassphrase(QStringLiteral("passphrase of bob"));
  EXPECT_FALSE(sign.SignEntry());
  ASSERT_FALSE(messages.empty());
  EXPECT_TRUE(messages.back().text.contains(QStringLiteral("does not unlock")))
      << messages.back().text.toStdString();
  EXPECT_TRUE(sign.findChild<QLineEdit*>(QStringLiteral("SignPassphrase"))->text().isEmpty());
  sign.SetPassphrase(QStringLiteral("passphrase of anna"));
  ASSERT_TRUE(sign.SignEntry()) << messages.back().text.toStdString();
  dialog.Select({});
  dialog.Select({1});
  EXPECT_TRUE(dialog.SignaturesText().contains(QStringLiteral("Approved by Anna Admin (anna), ")))
      << dialog.SignaturesText().toStdString();
  EXPECT_TRUE(dialog.SignaturesText().endsWith(QStringLiteral(": released for shipment")));
  messages.clear();
  dialog.Select({});
  ASSERT_TRUE(dialog.Verify());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("1 signatures")))
      << messages[0].text.toStdString();
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("1 failed signings are on record")));
  EXPECT_TRUE(messages[0].detail.contains(QStringLiteral("wrong passphrase for the key of anna")));
}

TEST_F(ArchiveWindowTest, TheTableReadsAPageAtATimeAsItIsScrolled) {
  constexpr int kPage = TArchiveDialog::kPageSize;
  constexpr int kEntries = 2 * kPage + 50;
  constexpr std::int64_t kT0 = 1'655'000'000;
  ArchiveLocation location;
  location.path = Path("site.sqlite").toStdString();
  TArchive archive(location);
  std::string error;
  ASSERT_TRUE(archive.Open(error)) << error;
  // Not waiting for the disk at every store keeps the filling quick; the listing is the same.
  QSqlQuery(QSqlDatabase::database(QString::fromStdString(archive.ConnectionName())))
      .exec(QStringLiteral("PRAGMA synchronous = OFF"));
  const auto store = [&](int i) {
    StoreResult stored;
    // Two downloads a minute, so that pages also end between downloads of the same second.
    ASSERT_TRUE(archive.Store(*MakeRecord(0x28A1 + i % 2, "Room " + std::to_string(i % 2), kT0, 10,
                                          kT0 + 60 * (i / 2), i),
                              {}, stored, error))
        << error;
  };
  for (int i = 0; i < kEntries; ++i) store(i);

  TArchiveDialog dialog(archive, DefaultCodePage());
  dialog.show();
  QCoreApplication::processEvents();
  auto* table = dialog.findChild<QTableView*>(QStringLiteral("ArchiveTable"));
  const auto scrollToEnd = [&] {
    QCoreApplication::processEvents();
    table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    return table->model()->rowCount();
  };
  EXPECT_EQ(table->model()->rowCount(), kPage);
  bool counted = false;
  for (const QLabel* label : dialog.findChildren<QLabel*>())
    counted = counted || label->text().startsWith(QStringLiteral("%1 entries in").arg(kEntries));
  EXPECT_TRUE(counted) << "the count covers the pages not read yet";

  // Another workstation stores three newer downloads while the first page is shown.
  for (int i = kEntries; i < kEntries + 3; ++i) store(i);
  EXPECT_EQ(scrollToEnd(), 2 * kPage - 3) << "the three entries of the first page that came again";
  EXPECT_EQ(scrollToEnd(), kEntries);
  EXPECT_FALSE(table->model()->canFetchMore({}));
  EXPECT_EQ(scrollToEnd(), kEntries);
  const std::vector<ArchiveEntry>& entries = dialog.Entries();
  for (std::size_t i = 1; i < entries.size(); ++i) {
    ASSERT_GT(std::tie(entries[i - 1].downloadSeconds, entries[i - 1].id),
              std::tie(entries[i].downloadSeconds, entries[i].id))
        << "newest first, each once, at row " << i;
  }
  EXPECT_EQ(entries.back().id, 1);

  // The odd downloads, 226 of them.
  dialog.SetFilterText(QStringLiteral("room 1"));
  EXPECT_EQ(table->model()->rowCount(), kPage);
  EXPECT_EQ(dialog.Entries().front().name, "Room 1");
  EXPECT_EQ(dialog.Entries().front().downloadSeconds, kT0 + 60 * ((kEntries + 1) / 2));
  EXPECT_EQ(scrollToEnd(), (kEntries + 3) / 2);
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace ombrix::testing
