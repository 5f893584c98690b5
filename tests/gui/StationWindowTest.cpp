#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "Clock.h"
#include "Dialogs.h"
#include "FileDialogs.h"
#include "FtdiDriver.h"
#include "IniFolder.h"
#include "Msg.h"
#include "ProbeRecord.h"
#include "Probeworkplace.h"
#include "Scenarios.h"
#include "StationWindow.h"
#include "VerdictColours.h"
#include "VirtualBus.h"

namespace ombrix::testing {
namespace {

// The station window on the station scenario's three adapters, at instant link timing on a
// lockstep clock: the station's threads run on virtual time, and the test only turns the event
// loop until their events have arrived.
class StationWindowTest : public ::testing::Test, public IniFolder {
 protected:
  void SetUp() override {
    ASSERT_TRUE(BuildScenario(bus, "station"));
    previousResponder_ = SetMessageResponder([this](const MessageRequest& request) {
      messages.push_back(request);
      return true;
    });
    MsgTemplate = &msgTemplate;
  }
  void TearDown() override {
    SetDialogRunner({});
    MsgTemplate = nullptr;
    SetMessageResponder(std::move(previousResponder_));
  }

  // Turns the event loop until `done` holds; the bound in real time only keeps a fault from
  // hanging the test.
  static bool PumpUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(120'000);
    while (!done()) {
      if (deadline.hasExpired()) return false;
      QCoreApplication::processEvents();
      std::this_thread::yield();
    }
    return true;
  }

  QString Out(const QString& name = {}) const { return dir.filePath("out/" + name); }

  LockstepClock clock{1'700'000'000'000};
  ScopedClock scopedClock{clock};
  VirtualBus bus{clock, LinkTiming::Instant()};
  ScopedDriver scopedDriver{bus};
  TMsgTemplate msgTemplate;
  std::vector<MessageRequest> messages;

 private:
  MessageResponder previousResponder_;
};

// The tray's first ten minutes (the link is instant here, so no download is cut short): Cold
// room 1 and Van 3 done and gone again, Dairy cooler 4 and the pharmacy fridge done and re-armed,
// and Freezer 2 refused at its save (a plain file stands where its folder would be), red until
// it is taken off. Then Settings...: a bad pattern changes nothing, a good one is written and
// a restarted station runs by it, and closing the window ends the station.
TEST_F(StationWindowTest, RowsFollowTheTrayAndSettingsRestartTheStation) {
  WriteIni(
      "[Properties]\nComNumber=0\n[Archive]\nDatabase=" + dir.filePath("a.sqlite").toStdString() +
      "\n[Limits]\nLow=-30\nHigh=12\n"
      "[Launch shelf]\nRate=15\nStart=delay\nDelay=30\n"
      "[Station]\nFolder=" +
      Out().toStdString() +
      "\nPattern={serial}/{missionstart:yyyyMMdd-HHmm}.omx\nExport=csv\nReport=1\n"
      "Rearm=shelf\n");
  const QString freezer = QString::fromStdString(
      SerialNumberText(VirtualProbe::MakeSerialNumber(scenario::kProbeFamily, 0x00000B1A0004ull)));
  ASSERT_TRUE(QDir().mkpath(Out()));
  QFile blocker(Out(QString(freezer).remove(u' ')));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();

  TProbeWorkplace workplace(IniPath());
  ASSERT_TRUE(workplace.Load());
  TStationWindow window(workplace);
  window.show();
  TStation::StopWhen tenMinutes;
  tenMinutes.afterMs = 10 * 60'000;
  ASSERT_TRUE(window.StartStation(tenMinutes));
  ASSERT_TRUE(PumpUntil([&] { return !window.Running(); }));
  EXPECT_TRUE(messages.empty());

  const QTableWidget& table = *window.Table();
  ASSERT_EQ(table.rowCount(), 3);
  auto text = [&](int row, int column) { return table.item(row, column)->text(); };
  const struct {
    const char* adapter;
    const char* name;
    QColor background;
    const char* step;
  } expected[] = {
      {scenario::kAdapterSerial, "Dairy cooler 4", QColor(0xCC, 0xEE, 0xCC), "done: "},
      {scenario::kSecondAdapterSerial, "Freezer 2", QColor(0xF6, 0xC8, 0xC8), "failed: save: "},
      {scenario::kThirdAdapterSerial, "Pharmacy fridge", QColor(0xCC, 0xEE, 0xCC), "done: "},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.name);
    const QList<QTableWidgetItem*> found =
        table.findItems(QString::fromLatin1(e.adapter), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    const int row = found[0]->row();
    EXPECT_EQ(text(row, TStationWindow::kName), e.name);
    EXPECT_TRUE(text(row, TStationWindow::kStep).startsWith(e.step))
        << text(row, TStationWindow::kStep).toStdString();
    for (int column = 0; column < TStationWindow::kColumns; ++column) {
      EXPECT_EQ(table.item(row, column)->background().color(), e.background) << column;
    }
    const bool done = e.background == expected[0].background;
    EXPECT_EQ(text(row, TStationWindow::kRearmed), done ? "yes" : "no");
    if (!done) {
      EXPECT_EQ(text(row, TStationWindow::kProbe), freezer);
      continue;
    }
    // The record file by the pattern, its CSV and PDF report beside it, an archive entry, and
    // the verdict in its colour.
    const QString file = text(row, TStationWindow::kFile);
    EXPECT_TRUE(file.startsWith(text(row, TStationWindow::kProbe).remove(u' ') + u'/'))
        << file.toStdString();
    for (const char* extension : {".omx", ".csv", ".pdf"}) {
      EXPECT_TRUE(QFile::exists(Out(file.chopped(4) + QLatin1String(extension)))) << extension;
    }
    EXPECT_GT(text(row, TStationWindow::kEntry).toLongLong(), 0);
    const QString verdict = text(row, TStationWindow::kVerdict);
    const std::optional<QColor> colour = VerdictTextColour(verdict.toStdString());
    ASSERT_TRUE(colour) << verdict.toStdString();
    EXPECT_EQ(table.item(row, TStationWindow::kVerdict)->foreground().color(), *colour);
  }
  EXPECT_EQ(window.DoneCount(), 4);
  EXPECT_EQ(window.FailedCount(), 1);
  for (const char* part :
       {"Done 4, failed 1", "stopped", "CSV export, PDF report", "[Launch shelf], every 15 min"}) {
    EXPECT_TRUE(window.StatusText().contains(QLatin1String(part)))
        << part << " in " << window.StatusText().toStdString();
  }

  // Settings...: the dialog's fields as a user would fill them.
  QString pattern;
  SetDialogRunner([&pattern](QDialog& dialog) {
    dialog.findChild<QLineEdit*>(QStringLiteral("StationPattern"))->setText(pattern);
    dialog.findChild<QComboBox*>(QStringLiteral("StationExport"))->setCurrentIndex(1);
    dialog.findChild<QComboBox*>(QStringLiteral("StationRearm"))->setCurrentIndex(0);
    dialog.accept();
    return dialog.result();
  });
  const std::string before = ReadIni();
  pattern = QStringLiteral("{serial}_{weekday}.omx");
  window.EditSettings();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.contains(QLatin1String("{weekday}")))
      << messages[0].text.toStdString();
  EXPECT_EQ(ReadIni(), before);

  pattern = QStringLiteral("{name}/{samples}.omx");
  ASSERT_TRUE(window.StartStation());
  window.EditSettings();
  EXPECT_EQ(messages.size(), 1u);
  const std::string after = ReadIni();
  for (const char* line :
       {"Pattern={name}/{samples}.omx\n", "Export=text\n", "Rearm=\n", "[Launch shelf]\n"}) {
    EXPECT_NE(after.find(line), std::string::npos) << line << " in\n" << after;
  }
  // The station was restarted with them, and is closed while it works.
  EXPECT_TRUE(window.Running());
  EXPECT_TRUE(window.StatusText().contains(QLatin1String("Pattern: {name}/{samples}.omx")));
  EXPECT_TRUE(window.StatusText().contains(QLatin1String("Re-arm: off")));
  ASSERT_TRUE(PumpUntil([&] {
    return table.findItems(QStringLiteral("waiting for a probe"), Qt::MatchExactly).size() +
               table.findItems(QStringLiteral("status"), Qt::MatchStartsWith).size() >=
           1;
  }));
  window.close();
  EXPECT_FALSE(window.Running());
  EXPECT_TRUE(window.StatusText().contains(QLatin1String("stopped")));
}

}  // namespace
}  // namespace ombrix::testing
