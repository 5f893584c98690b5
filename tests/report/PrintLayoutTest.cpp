#include <gtest/gtest.h>

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QValueAxis>

#include <cmath>
#include <memory>

#include "Printform.h"
#include "files/FilesTestSupport.h"
#include "report/PrintTesting.h"

// Fontconfig keeps the fonts it has matched until the process ends (Qt never calls FcFini); that
// is not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace ombrix {
namespace {

using print::MapLayoutToPage;
using print::PageMapping;

using testing::Count;
using testing::FridgeRecord;
using testing::IsDark;
using testing::IsRed;

class PrintPreviewTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::PrintApp(); }

  QImage Render(int width = 1100, int height = 850) {
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    EXPECT_TRUE(form.PrintLayout(page));
    return page;
  }

  testing::LocaleGuard locale{"en_GB"};
  TPrintPreview form;
};

TEST_F(PrintPreviewTest, ComponentsFollowTheLayoutTableInCreationOrder) {
  QStringList names;
  for (const QObject* component : form.Components()) names << component->objectName();
  EXPECT_EQ(names.join(u' '),
            QStringLiteral("Label1 Label5 Panel1 Label2 ProbeName Label3 Label4 SerialNumber "
                           "Label6 SampleRate Label8 StartTime Label10 MissionSamples Label12 "
                           "Label13 Label14 MissionStart DownloadTime SamplesTotal Comment Graph "
                           "TemperatureSeries"));
  // Each caption must end before the field the table puts beside it, in the font we get.
  const auto right = [&](const char* name) {
    return form.findChild<QLabel*>(QString::fromLatin1(name))->geometry().right();
  };
  EXPECT_LT(right("Label2"), 72);
  EXPECT_LT(right("Label4"), 746);
  EXPECT_LT(right("Label6"), 92);
  EXPECT_LT(right("Label8"), 267);
  EXPECT_LT(right("Label10"), 558);
  EXPECT_LT(right("Label13"), 746);
}

TEST_F(PrintPreviewTest, ShowRecordFillsFieldsAndGraphFromTheRecord) {
  auto record = FridgeRecord(144);
  record->LogBuffer[7] = 2 * (41 + 40);  // one sample above the workplace range: 41 C
  record->SecondsFromLocalTimes();
  record->DecodeLog();
  EXPECT_TRUE(form.ShowRecord(*record));

  const auto text = [&](const char* name) {
    return form.findChild<QLabel*>(QString::fromLatin1(name))->text();
  };
  EXPECT_EQ(text("ProbeName"), QStringLiteral("Fridge 2 – Ward B"));
  EXPECT_EQ(form.findChild<QPlainTextEdit*>(QStringLiteral("Comment"))->toPlainText(),
            QStringLiteral("Vaccines for ward B.\nKeep between 2 and 8 °C."));
  EXPECT_EQ(text("StartTime"), DateTimeText(record->StartTime));
  EXPECT_EQ(text("SamplesTotal"), QStringLiteral("1144"));

  ASSERT_EQ(form.Series()->count(), 144);
  EXPECT_EQ(form.Series()->at(7), QPointF(record->GetSample(7).Time, 41.0));
  EXPECT_DOUBLE_EQ(form.TemperatureAxis()->min(), 0.0);
  EXPECT_DOUBLE_EQ(form.TemperatureAxis()->max(), 42.0);
  EXPECT_DOUBLE_EQ(form.TimeAxis()->min(), record->GetSample(0).Time);
  EXPECT_DOUBLE_EQ(form.TimeAxis()->max(), record->GetSample(143).Time);

  // A freezer's range replaces the previous one as a whole.
  EXPECT_TRUE(form.ShowRecord(*FridgeRecord(10, -20.0), -30.0f, -10.0f));
  EXPECT_DOUBLE_EQ(form.TemperatureAxis()->min(), -30.0);
  EXPECT_DOUBLE_EQ(form.TemperatureAxis()->max(), -10.0);

  // The window's own code page takes over from Windows-1252.
  form.SetTextDecoder([](std::string_view bytes) { return QString::number(bytes.size()); });
  form.ShowRecord(*record);
  EXPECT_EQ(text("ProbeName"), QStringLiteral("17"));
}

TEST_F(PrintPreviewTest, PrintedTimeLabelsCarryTheDate) {
  form.ShowRecord(*FridgeRecord(144));  // one day from 1 June 12:00
  const QStringList labels = form.TimeLabels();
  ASSERT_GE(labels.size(), 4);
  EXPECT_LE(labels.size(), 13);
  EXPECT_EQ(labels.front(), QStringLiteral("12:00 1.6."));
  EXPECT_EQ(labels.back(), QStringLiteral("10:00 2.6."));
  const QRegularExpression pattern(QStringLiteral("^\\d\\d:\\d\\d \\d{1,2}\\.\\d{1,2}\\.$"));
  for (const QString& label : labels) {
    EXPECT_TRUE(pattern.match(label).hasMatch()) << label.toStdString();
  }
}

TEST_F(PrintPreviewTest, PageShowsTitleBarPanelFrameAndRedGraphWhereTheLayoutPutsThem) {
  form.ShowRecord(*FridgeRecord(144, 10.0));  // a flat line at 10 C on a 0..40 axis
  const QImage page = Render(2200, 1700);     // big enough for a line of full red pixels
  const PageMapping map = MapLayoutToPage(page.width(), page.height());

  const QColor grey(0xC0, 0xC0, 0xC0);
  EXPECT_EQ(QColor(page.pixel(map.Map(850, 10))), grey);   // title bar, right of its text
  EXPECT_EQ(QColor(page.pixel(map.Map(850, 620))), grey);  // footer bar
  EXPECT_EQ(QColor(page.pixel(map.Map(850, 21.5))), QColor(Qt::white));  // between bar and panel

  // The panel's left edge is a dark line down its height, with white inside.
  const QPoint edge = map.Map(2, 23 + 56);
  EXPECT_GT(Count(page, QRect(edge.x() - 1, edge.y(), 3, 1), IsDark), 0);
  EXPECT_EQ(Count(page, QRect(edge.x() + 3, edge.y(), 1, 1), IsDark), 0);

  // Red only inside the graph, and there on the row of 10 C.
  const QRect graph = map.MapRect(QRect(0, 142, 890, 466));
  EXPECT_EQ(Count(page, page.rect(), IsRed), Count(page, graph, IsRed));
  const QRectF plot = form.Chart()->plotArea();
  const double y10 = 142 + plot.bottom() - plot.height() * 10.0 / 40.0;
  const QPoint row = map.Map(0, y10);
  const QRect band(graph.left(), row.y() - 3, graph.width(), 7);
  EXPECT_GT(Count(page, band, IsRed), graph.width() / 2);
  EXPECT_EQ(Count(page, band, IsRed), Count(page, graph, IsRed));
}

TEST_F(PrintPreviewTest, RecordWithoutSamplesPrintsHeaderAndEmptyGraph) {
  auto record = FridgeRecord(0);
  record->StartTime = 0;
  form.ShowRecord(*record);
  EXPECT_EQ(form.Series()->count(), 0);
  EXPECT_LT(form.TemperatureAxis()->min(), form.TemperatureAxis()->max());
  EXPECT_LT(form.TimeAxis()->min(), form.TimeAxis()->max());
  EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("StartTime"))->text(), QString());

  const QImage page = Render();
  const PageMapping map = MapLayoutToPage(page.width(), page.height());
  EXPECT_EQ(Count(page, page.rect(), IsRed), 0);
  // "Name :" and the download time are printed ...
  EXPECT_GT(Count(page, map.MapRect(QRect(2 + 8, 23 + 7, 40, 11)), IsDark), 0);
  EXPECT_GT(Count(page, map.MapRect(QRect(2 + 746, 23 + 70, 100, 11)), IsDark), 0);
  // ... and nothing after "First Sample :".
  EXPECT_EQ(Count(page, map.MapRect(QRect(2 + 267, 23 + 88, 150, 11)), IsDark), 0);
}

TEST_F(PrintPreviewTest, PdfOutputIsAPdfDocument) {
  form.ShowRecord(*FridgeRecord(3024));
  QTemporaryDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath(QStringLiteral("report.pdf")));
  printer.setPageOrientation(QPageLayout::Landscape);
  EXPECT_TRUE(form.PrintLayout(printer));
  const std::string bytes = testing::ReadBytes(printer.outputFileName());
  EXPECT_GT(bytes.size(), 1000u);
  EXPECT_EQ(bytes.substr(0, 4), "%PDF");
}

TEST_F(PrintPreviewTest, PageThatCannotBeginIsReportedAsFailure) {
  QPdfWriter writer(QStringLiteral("/nonexistent-folder/report.pdf"));
  EXPECT_FALSE(form.PrintLayout(writer));
  QImage nothing;
  EXPECT_FALSE(form.PrintLayout(nothing));
}

}  // namespace
}  // namespace ombrix
