// The archive through the window: every download stored before it is shown, repeat downloads
// read only what is new, entries found, exported and reopened; an archive that fails loses
// nothing.
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "ArchiveDialog.h"
#include "FileTesting.h"
#include "TableModel.h"

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
    auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("ArchiveTable"));
    adapterShown = table->item(0, table->columnCount() - 1)->text();
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

}  // namespace
}  // namespace ombrix::testing
