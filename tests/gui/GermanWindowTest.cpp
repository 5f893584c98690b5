// The window on a computer whose locale is German: the user reads German - the window's own texts,
// the core's figures and Qt's own buttons - while what the window writes stays English byte for
// byte.
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>

#include <optional>

#include "CaptionSource.h"
#include "Dataexport.h"
#include "FileTesting.h"
#include "GermanTesting.h"
#include "TableModel.h"

namespace ombrix::testing {
namespace {

class GermanWindowTest : public FileActionTest {
 protected:
  void SetUp() override {
    FileActionTest::SetUp();
    german_.emplace();
  }
  void TearDown() override {
    FileActionTest::TearDown();
    german_.reset();
  }

  std::optional<ScopedGerman> german_;
};

TEST_F(GermanWindowTest, ShowsGermanAndWritesEnglish) {
  ASSERT_TRUE(german_->Installed());
  BuildScenario(bus, "demo");
  Start();
  RunFor(300);
  ASSERT_EQ(form->PollState, psProbe);
  EXPECT_EQ(Find<QLabel>("LblSerialNumber")->text(), "Seriennummer:");
  EXPECT_EQ(Find<QPushButton>("StatusRolloverEnable")->text(),
            QString::fromUtf8("Überlauf zulassen"));

  form->ProbeReadDataExecute();
  EXPECT_EQ(form->PanelText(0), "Daten: OK");
  EXPECT_EQ(Find<QLabel>("RecordOrigin")->text(), "Ausgelesen, Archiveintrag 1");
  EXPECT_EQ(form->TableModel()->headerData(0, Qt::Horizontal).toString(), "Messwert Nr.");
  EXPECT_EQ(Find<QLabel>("StatisticsVerdict")->text(), "Keine Grenzwerte festgelegt");

  // A question, a dialog of the window's own with Qt's buttons, and a file dialog.
  answer = false;
  form->ProbeStopExecute();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().caption, QString::fromUtf8("Bestätigung"));
  EXPECT_EQ(messages.back().text, "Wollen Sie die Aufzeichnung wirklich stoppen?");
  QString title, cancel;
  runDialog = [&](QDialog& dialog) {
    title = dialog.windowTitle();
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    if (buttons) cancel = buttons->button(QDialogButtonBox::Cancel)->text().remove(u'&');
    return static_cast<int>(QDialog::Rejected);
  };
  form->ViewLimitsExecute();
  EXPECT_EQ(title, "Grenzwerte");
  EXPECT_EQ(cancel, "Abbrechen");

  chosen = Path("fridge.txt");
  form->FileExportExecute();
  ASSERT_FALSE(dialogs.empty());
  EXPECT_EQ(dialogs.back().title, "Exportieren");
  EXPECT_EQ(dialogs.back().filter, "Textexport|*.txt|CSV|*.csv");
  // The export is the English one, captions and headers, whatever the window shows.
  EXPECT_EQ(FileBytes(chosen), TDataExport(StatusPageCaptions(), *form->Workplace->Record).Text());
}

}  // namespace
}  // namespace ombrix::testing
