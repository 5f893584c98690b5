// The archive through the window: every download stored before it is shown, repeat downloads
// read only what is new, entries found, exported and reopened; an archive that fails loses
// nothing.
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>

#include <tuple>

#include "ArchiveDialog.h"
#include "CodePage.h"
#include "FileTesting.h"
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

// An archive of more than two pages: the table starts with the first page and reads the next one
// when it is scrolled to its end, while the count covers them all; entries stored meanwhile are
// neither listed twice nor make others go missing; a new filter starts from the first page again.
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
