// File Print, the print preview and Export PDF: the printer set up around its dialog, the record
// in the layout form with the workplace's range and code page, and the PDF file.
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QValueAxis>

#include "FigureTexts.h"
#include "FileTesting.h"
#include "Printform.h"
#include "report/PrintTesting.h"

namespace ombrix::testing {
namespace {

class ReportActionsTest : public FileActionTest {
 protected:
  void SetUp() override {
    FileActionTest::SetUp();
    PrintPreview = &layout;  // as the program makes it at start-up
  }
  void TearDown() override {
    PrintPreview = nullptr;
    FileActionTest::TearDown();
  }
  QString Printed(const char* name) const {
    return layout.findChild<QLabel*>(QString::fromLatin1(name))->text();
  }

  TPrintPreview layout;
};

TEST_F(ReportActionsTest, PrintSetsUpTheJobAndPrintsTheRecordOnShow) {
  // 0xB9 is "ą" in the Central European code page ("¹" in Windows-1252).
  WriteIni(
      "[Properties]\nComNumber=0\nCodePage=CP1250\n[Graph]\nMinTemperature=-5\n"
      "MaxTemperature=60\n");
  Start();
  Open(WriteRecord("fridge.omx", "Lednice \xB9"));
  QPrinter* printer = nullptr;
  QPageLayout::Orientation offered = QPageLayout::Portrait;
  runDialog = [&](QDialog& dialog) {
    printer = dynamic_cast<QPrintDialog&>(dialog).printer();
    offered = printer->pageLayout().orientation();
    printer->setOutputFormat(QPrinter::PdfFormat);  // the user's choices
    printer->setOutputFileName(Path("printed.pdf"));
    printer->setCopyCount(2);
    return int(QDialog::Accepted);
  };
  Action("FilePrint")->setEnabled(true);
  Action("FilePrint")->trigger();
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(offered, QPageLayout::Landscape);
  EXPECT_EQ(printer->docName(), "ombrix");
  EXPECT_EQ(printer->copyCount(), 2);
  EXPECT_EQ(FileBytes(Path("printed.pdf")).substr(0, 5), "%PDF-");
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Printed("ProbeName"), QStringLiteral("Lednice ą"));
  EXPECT_DOUBLE_EQ(layout.TemperatureAxis()->min(), -5.0);
  EXPECT_DOUBLE_EQ(layout.TemperatureAxis()->max(), 60.0);

  ASSERT_EQ(PdfPageCount(Path("printed.pdf")), TPrintPreview::kPageCount);

  // The summary page alone, chosen as a range in the dialog.
  runDialog = [&](QDialog& dialog) {
    auto& print = dynamic_cast<QPrintDialog&>(dialog);
    EXPECT_EQ(print.maxPage(), TPrintPreview::kPageCount);
    QPrinter* chosen = print.printer();
    chosen->setOutputFileName(Path("summary.pdf"));
    chosen->setCopyCount(1);
    chosen->setPrintRange(QPrinter::PageRange);
    chosen->setFromTo(2, 2);
    return int(QDialog::Accepted);
  };
  Action("FilePrint")->trigger();
  ASSERT_EQ(PdfPageCount(Path("summary.pdf")), 1);
  EXPECT_TRUE(PdfPageText(Path("summary.pdf"), 1).contains(QLatin1String("No limits set")));
  printer->setPrintRange(QPrinter::AllPages);

  // Cancelled: nothing printed, and the layout keeps what it had.
  form->Workplace->Probe->Name = "Freezer";
  runDialog = [&](QDialog& dialog) {
    dynamic_cast<QPrintDialog&>(dialog).printer()->setOutputFileName(Path("cancelled.pdf"));
    return int(QDialog::Rejected);
  };
  Action("FilePrint")->trigger();
  EXPECT_FALSE(QFile::exists(Path("cancelled.pdf")));
  EXPECT_EQ(Printed("ProbeName"), QStringLiteral("Lednice ą"));
}

TEST_F(ReportActionsTest, PreviewAndPdfComeWithPrintAndShowTheLandscapePages) {
  Start();
  EXPECT_FALSE(Action("FilePrintPreview")->isEnabled());
  EXPECT_FALSE(Action("FileExportPdf")->isEnabled());
  Open(WriteRecord("fridge.omx", "Fridge 2"));
  Action("FilePrint")->setEnabled(true);
  EXPECT_TRUE(Action("FileExportPdf")->isEnabled());
  ASSERT_TRUE(Action("FilePrintPreview")->isEnabled());

  int pages = 0;
  QPageLayout::Orientation orientation = QPageLayout::Portrait;
  runDialog = [&](QDialog& dialog) {
    if (auto* preview = dialog.findChild<QPrintPreviewWidget*>()) {
      preview->updatePreview();
      pages = preview->pageCount();
      orientation = preview->orientation();
    }
    return int(QDialog::Rejected);
  };
  Action("FilePrintPreview")->trigger();
  EXPECT_EQ(pages, TPrintPreview::kPageCount);  // the record's page and its summary
  EXPECT_EQ(orientation, QPageLayout::Landscape);
  EXPECT_EQ(Printed("ProbeName"), "Fridge 2");

  Action("FileNew")->trigger();
  EXPECT_FALSE(Action("FilePrintPreview")->isEnabled());
  EXPECT_FALSE(Action("FileExportPdf")->isEnabled());
}

TEST_F(ReportActionsTest, ExportPdfWritesTheReportBesideTheRecordFile) {
  Start();
  Open(WriteRecord("ward/fridge.omx", "Fridge 2"));
  chosen = Path("ward/fridge");
  form->FileExportPdfExecute();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[1].title, "Export PDF");
  EXPECT_EQ(dialogs[1].filter, "PDF document|*.pdf");
  EXPECT_EQ(dialogs[1].defaultExtension, "pdf");
  EXPECT_EQ(dialogs[1].directory, Path("ward"));
  EXPECT_EQ(dialogs[1].fileName, "fridge.pdf");
  const std::string written = FileBytes(Path("ward/fridge.pdf"));
  EXPECT_EQ(written.substr(0, 5), "%PDF-");
  EXPECT_NE(written.find("%%EOF"), std::string::npos);
  EXPECT_TRUE(messages.empty());

  answer = false;  // the file exists: Cancel keeps it
  form->FileExportPdfExecute();
  EXPECT_EQ(LastMessage(), "File alrady exists. Do You want to overwrite it ?");
  EXPECT_EQ(FileBytes(Path("ward/fridge.pdf")), written);

  chosen = Path("gone/fridge.pdf");
  form->FileExportPdfExecute();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].caption, "Error");
  EXPECT_TRUE(LastMessage().startsWith("The report was not saved.")) << LastMessage().toStdString();
  EXPECT_FALSE(QFile::exists(chosen));
}

TEST_F(ReportActionsTest, SummaryChecksTheRecordAgainstItsProbesOwnLimits) {
  WriteIni(
      "[Properties]\nComNumber=0\n[Limits]\nLow=2\nHigh=8\n"
      "[Limits 4F00000012345678]\nLow=-1\nHigh=3.5\nDelay=30\n");
  Start();
  Open(WriteRecord("fridge.omx", "Fridge 2"));  // a day at 4 C
  chosen = Path("fridge.pdf");
  form->FileExportPdfExecute();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(layout.Limits().high, 3.5);
  EXPECT_EQ(layout.Limits().delayMinutes, 30);
  ASSERT_EQ(PdfPageCount(chosen), 2);
  const QString summary = PdfPageText(chosen, 2);
  EXPECT_TRUE(summary.contains(QLatin1String("Outside limits"))) << summary.toStdString();
  EXPECT_TRUE(summary.contains(figures::Celsius(3.5))) << summary.toStdString();
}

// Each record written out from the window is a row of the archive's audit trail, as ombrix-cli
// records it: the text export, the PDF and the printed report, done or failed with the reason.
TEST_F(ReportActionsTest, ExportsAndReportsAreRowsOfTheAuditTrail) {
  Start();
  Open(WriteRecord("fridge.omx", "Fridge 2"));
  chosen = Path("fridge.txt");
  form->FileExportExecute();
  chosen = Path("gone/fridge.txt");
  form->FileExportExecute();
  chosen = Path("fridge.pdf");
  form->FileExportPdfExecute();
  runDialog = [&](QDialog& dialog) {
    QPrinter* printer = dynamic_cast<QPrintDialog&>(dialog).printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(Path("printed.pdf"));
    return int(QDialog::Accepted);
  };
  Action("FilePrint")->setEnabled(true);
  Action("FilePrint")->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(LastMessage().startsWith("The export was not written."))
      << LastMessage().toStdString();

  std::string error;
  std::vector<AuditRow> rows;
  ASSERT_TRUE(form->Workplace->OpenArchive(error)->Audit({}, rows, error)) << error;
  const struct {
    const char* action;
    const char* file;
    bool done;
  } expected[] = {{"export", "fridge.txt", true},
                  {"export", "gone/fridge.txt", false},
                  {"report", "fridge.pdf", true},
                  {"report", "printed.pdf", true}};
  ASSERT_EQ(rows.size(), std::size(expected));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const AuditEvent& e = rows[i].event;
    SCOPED_TRACE(e.newValue);
    EXPECT_EQ(e.action, expected[i].action);
    EXPECT_EQ(e.newValue, "file=" + Path(expected[i].file).toStdString());
    EXPECT_EQ(e.probeSerial, "78 56 34 12 00 00 00 4F");
    EXPECT_EQ(e.done, expected[i].done);
    EXPECT_EQ(e.message.empty(), expected[i].done) << e.message;
  }
}

}  // namespace
}  // namespace ombrix::testing
