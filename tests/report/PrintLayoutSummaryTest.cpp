// The summary page of the report (limits, statistics, verdict), its texts and drawing, and
// reports of several records in one PDF document.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>

#include <memory>
#include <utility>
#include <vector>

#include "Printform.h"
#include "ReportPdf.h"
#include "files/FilesTestSupport.h"
#include "report/PrintTesting.h"

namespace ombrix {
namespace {

using testing::Count;
using testing::FridgeRecord;
using testing::IsDark;
using testing::PdfPageCount;
using testing::PdfPageText;
using testing::SetSample;
namespace layout = print::summary;

// A day at 4 C from 1 June 12:00, every 10 minutes, with 9 C at 13:00..13:20 (30 minutes above
// 8 C), 1 C at 15:20 (10 minutes below 2 C) and 8.5 C at 18:40..18:50 (20 minutes above).
std::unique_ptr<TProbeRecord> EventfulRecord() {
  auto record = FridgeRecord(144);
  for (int i : {6, 7, 8}) SetSample(*record, i, 9.0);
  SetSample(*record, 20, 1.0);
  for (int i : {40, 41}) SetSample(*record, i, 8.5);
  testing::Redecode(*record);
  return record;
}

TemperatureLimits Limits(std::optional<double> low, std::optional<double> high, int delay) {
  TemperatureLimits limits;
  limits.low = low;
  limits.high = high;
  limits.delayMinutes = delay;
  return limits;
}

std::vector<std::pair<QString, QString>> Rows(const std::vector<print::SummaryRow>& rows) {
  std::vector<std::pair<QString, QString>> pairs;
  for (const print::SummaryRow& row : rows) pairs.emplace_back(row.caption, row.value);
  return pairs;
}

class ReportSummaryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::PrintApp(); }

  QImage RenderSummary(int width = 2200, int height = 1700) {
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    EXPECT_TRUE(form.PrintSummary(page));
    return page;
  }

  testing::LocaleGuard locale{"en_GB"};
  TPrintPreview form;
};

TEST_F(ReportSummaryTest, SummaryGivesLimitsStatisticsAndExcursionsWithTheirLocalTimes) {
  form.ShowRecord(*EventfulRecord(), 0, 40, Limits(2.0, 8.0, 20));
  const print::ReportSummary& summary = form.Summary();
  EXPECT_EQ(summary.verdict, Verdict::kOutside);
  EXPECT_EQ(summary.verdictText, "Outside limits");
  EXPECT_EQ(summary.verdictDetail,
            "2 excursions beyond the limits; the longest lasted 30 min, above 8.0 °C.");

  using Table = std::vector<std::pair<QString, QString>>;
  EXPECT_EQ(Rows(summary.limits), (Table{{"Low limit", "2.0 °C"},
                                         {"High limit", "8.0 °C"},
                                         {"Delay before an excursion counts", "20 min"},
                                         {"Activation energy ΔH/R", "10,000 K (83.1 kJ/mol)"}}));
  // Mean, deviation and mean kinetic temperature worked out by hand from the 144 values.
  EXPECT_EQ(Rows(summary.statistics), (Table{{"Samples", "144"},
                                             {"Sample interval", "10 min"},
                                             {"First sample", "01/06/2021 12:00:00"},
                                             {"Last sample", "02/06/2021 11:50:00"},
                                             {"Minimum", "1.0 °C at 01/06/2021 15:20:00"},
                                             {"Maximum", "9.0 °C at 01/06/2021 13:00:00"},
                                             {"Mean", "4.1 °C"},
                                             {"Standard deviation", "0.92 K"},
                                             {"Mean kinetic temperature", "4.21 °C"},
                                             {"Time below the low limit", "10 min"},
                                             {"Time above the high limit", "50 min"},
                                             {"Excursions", "2 (of 20 min or longer)"},
                                             {"Longest excursion", "30 min above the high limit"},
                                             {"\u2003from", "01/06/2021 13:00:00"},
                                             {"\u2003until", "01/06/2021 13:30:00"}}));
  ASSERT_EQ(summary.excursions.size(), 2u);
  EXPECT_EQ(summary.excursions[1], (print::ExcursionRow{"2", "above", "01/06/2021 18:40:00",
                                                        "01/06/2021 19:00:00", "20 min"}));
  EXPECT_EQ(summary.moreExcursions, 0);
}

TEST_F(ReportSummaryTest, VerdictAndItsReasonFollowTheLimits) {
  struct Case {
    const char* name;
    std::unique_ptr<TProbeRecord> record;
    TemperatureLimits limits;
    const char* verdict;
    const char* detail;
  };
  Case cases[] = {
      {"no limits", EventfulRecord(), TemperatureLimits(), "No limits set",
       "No temperature limits are set for this probe."},
      {"clean", FridgeRecord(144), Limits(2.0, 8.0, 0), "Within limits",
       "All 144 samples stayed within the limits."},
      {"only short runs", EventfulRecord(), Limits(2.0, 8.0, 40), "Within limits",
       "Beyond the limits for 1 h 0 min in all, never for 40 min or longer at a time."},
      {"below only", EventfulRecord(), Limits(2.0, std::nullopt, 0), "Outside limits",
       "1 excursion beyond the limits; the longest lasted 10 min, below 2.0 °C."},
      {"no samples", FridgeRecord(0), Limits(2.0, 8.0, 0), "Nothing to judge",
       "The record holds no samples."},
  };
  for (const Case& c : cases) {
    form.ShowRecord(*c.record, 0, 40, c.limits);
    EXPECT_EQ(form.Summary().verdictText, c.verdict) << c.name;
    EXPECT_EQ(form.Summary().verdictDetail, c.detail) << c.name;
    EXPECT_TRUE(form.Summary().changedNote.isEmpty()) << c.name;
  }
  // A record from an edited file says so beside any verdict.
  auto edited = FridgeRecord(144);
  edited->ChangedAfterSave = true;
  form.ShowRecord(*edited, 0, 40, Limits(2.0, 8.0, 0));
  EXPECT_EQ(form.Summary().changedNote, "Record file changed after it was saved");
  EXPECT_EQ(form.Summary().verdictText, "Within limits");
  form.ShowRecord(*cases[4].record, 0, 40, cases[4].limits);
  // Without samples the box is grey: no colour of a verdict.
  const QImage page = RenderSummary();
  const print::PageMapping map = print::MapLayoutToPage(page.width(), page.height());
  const QRect box = layout::kVerdictBox;
  EXPECT_EQ(QColor(page.pixel(map.Map(box.left() + 0.5, box.center().y()))),
            QColor(0x30, 0x30, 0x30));
  EXPECT_EQ(QColor(page.pixel(map.Map(box.right() - 4, box.top() + 5))), QColor(0xE8, 0xE8, 0xE8));
}

TEST_F(ReportSummaryTest, SummaryPageShowsVerdictBoxAndKeepsEveryTextInItsColumn) {
  // The worst case for the page: a long name and more excursions than the table holds.
  auto record = FridgeRecord(80);
  record->Name = std::string(40, 'W');
  for (int i = 0; i < 80; i += 2) SetSample(*record, i, 9.0);
  testing::Redecode(*record);
  form.ShowRecord(*record, 0, 40, Limits(-20.0, 8.0, 0));
  ASSERT_EQ(form.Statistics().excursions.size(), 40u);
  EXPECT_EQ(form.Summary().excursions.size(), 17u);
  EXPECT_EQ(form.Summary().moreExcursions, 23);

  const QImage page = RenderSummary();
  const print::PageMapping map = print::MapLayoutToPage(page.width(), page.height());
  EXPECT_EQ(QColor(page.pixel(map.Map(880, 10))), QColor(0xC0, 0xC0, 0xC0));  // title bar
  EXPECT_EQ(QColor(page.pixel(map.Map(880, 620))), QColor(0xC0, 0xC0, 0xC0));
  // The box: a red frame around a pale red field, and large text in it.
  const QRect box = layout::kVerdictBox;
  EXPECT_EQ(QColor(page.pixel(map.Map(box.left() + 0.5, box.center().y()))), QColor(0xB4, 0, 0));
  EXPECT_EQ(QColor(page.pixel(map.Map(box.right() - 4, box.top() + 5))), QColor(0xFA, 0xDA, 0xDA));
  const auto reddish = [](QRgb p) { return qRed(p) > 120 && qGreen(p) < 60 && qBlue(p) < 60; };
  EXPECT_GT(Count(page, map.MapRect(QRect(box.left() + 14, box.top() + 6, 150, 26)), reddish),
            1000);

  // Text on every row of both columns and of the table, its "... and 23 more" line included.
  const auto inked = [&](int left, int top, int width) {
    return Count(page, map.MapRect(QRect(left, top, width, 12)), IsDark) > 0;
  };
  for (int row = 0; row < 15; ++row) {
    EXPECT_TRUE(inked(layout::kRightValues, layout::kRowTop + row * layout::kRowPitch, 100))
        << "statistics row " << row;
  }
  for (int row = 0; row < 4; ++row) {
    EXPECT_TRUE(inked(layout::kLeftValues, layout::kRowTop + row * layout::kRowPitch, 100));
  }
  for (int row = 0; row < print::ReportSummary::kMaxExcursionRows; ++row) {
    EXPECT_TRUE(inked(layout::kLeftColumn, layout::kExcursionRowTop + row * layout::kRowPitch, 60))
        << "excursion row " << row;
  }
  // Nothing runs into the gap between the columns or past the layout's right edge.
  const int below = layout::kHeadingTop;
  EXPECT_EQ(
      Count(page,
            map.MapRect(QRect(layout::kLeftColumnEnd + 1, below,
                              layout::kRightColumn - layout::kLeftColumnEnd - 2, 600 - below)),
            IsDark),
      0);
  const QPoint right = map.Map(print::kLayoutWidth, 0);
  EXPECT_EQ(Count(page, QRect(right.x(), 0, page.width() - right.x(), page.height()), IsDark), 0);
}

TEST_F(ReportSummaryTest, LimitsLeaveTheFirstPageAsItWas) {
  const auto firstPage = [&](const TemperatureLimits& limits) {
    form.ShowRecord(*EventfulRecord(), 0, 40, limits);
    QImage page(1100, 850, QImage::Format_RGB32);
    page.fill(Qt::white);
    EXPECT_TRUE(form.PrintLayout(page));
    return page;
  };
  const QImage plain = firstPage(TemperatureLimits());
  EXPECT_EQ(firstPage(Limits(2.0, 8.0, 0)), plain);
  // An image has one page only: the whole report does not go onto it.
  QImage image(100, 100, QImage::Format_RGB32);
  EXPECT_FALSE(form.PrintReport(image));
}

TEST_F(ReportSummaryTest, OnePdfHoldsEachRecordsPageAndSummaryInTurn) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("week.pdf"));
  auto cold = EventfulRecord();
  auto clean = FridgeRecord(144);
  clean->Name = "Freezer 1";
  auto plain = FridgeRecord(10);
  plain->Name = "Cellar";
  // The first is an archive entry with two signatures, the second one with more than its page
  // holds.
  QStringList many;
  for (int i = 1; i <= 40; ++i) many << QStringLiteral("Reviewed by Reviewer %1 (r%1)").arg(i);
  const std::vector<ReportRecord> records = {
      {cold.get(),
       Limits(2.0, 8.0, 20),
       0,
       40,
       {QStringLiteral("Reviewed by Bob Signer (bob), 08.12.2026 17:45:10 UTC+01:00"),
        QStringLiteral("Approved by Anna Admin (anna), 08.12.2026 18:02:55 UTC+01:00: shipped")}},
      {clean.get(), Limits(2.0, 8.0, 0), 0, 40, many},
      {plain.get(), TemperatureLimits(), -10, 30, {}}};
  std::string error;
  ASSERT_TRUE(WriteReportsPdf(form, records, file, QStringLiteral("week"), &error)) << error;
  ASSERT_EQ(PdfPageCount(file), 6);
  const char* names[] = {"Fridge 2 – Ward B", "Freezer 1", "Cellar"};
  const char* verdicts[] = {"Outside limits", "Within limits", "No limits set"};
  for (int i = 0; i < 3; ++i) {
    const QString first = PdfPageText(file, 2 * i + 1);
    const QString summary = PdfPageText(file, 2 * i + 2);
    EXPECT_TRUE(first.contains(QString::fromUtf8(names[i]))) << first.toStdString();
    EXPECT_FALSE(first.contains(QLatin1String("limits"), Qt::CaseInsensitive));
    EXPECT_TRUE(summary.contains(QString::fromUtf8(names[i]))) << summary.toStdString();
    EXPECT_TRUE(summary.contains(QLatin1String(verdicts[i]))) << summary.toStdString();
  }
  EXPECT_TRUE(PdfPageText(file, 2).contains(QLatin1String("Mean kinetic temperature")));
  const QString signedPage = PdfPageText(file, 2).simplified();
  EXPECT_TRUE(signedPage.contains(QLatin1String("Electronic signatures")));
  EXPECT_TRUE(
      signedPage.contains(QLatin1String("Approved by Anna Admin (anna), 08.12.2026 "
                                        "18:02:55 UTC+01:00: shipped")))
      << signedPage.toStdString();
  const QString fullPage = PdfPageText(file, 4).simplified();
  EXPECT_TRUE(fullPage.contains(QLatin1String("Reviewed by Reviewer 1 (r1)")));
  EXPECT_FALSE(fullPage.contains(QLatin1String("Reviewer 40")));
  EXPECT_TRUE(fullPage.contains(QLatin1String("more"))) << fullPage.toStdString();
  EXPECT_FALSE(PdfPageText(file, 6).contains(QLatin1String("signatures")));
  EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("ProbeName"))->text(), "Cellar");

  // One record: its two pages. No record, or a folder that is not there: no file, and why.
  const QString single = dir.filePath(QStringLiteral("one.pdf"));
  ASSERT_TRUE(WriteReportPdf(form, single, QStringLiteral("one"), &error)) << error;
  EXPECT_EQ(PdfPageCount(single), 2);
  const std::string before = testing::ReadBytes(file);
  EXPECT_FALSE(WriteReportsPdf(form, {}, file, QStringLiteral("none"), &error));
  EXPECT_EQ(error, "There is no record to report.");
  EXPECT_EQ(testing::ReadBytes(file), before);
  error.clear();
  EXPECT_FALSE(WriteReportsPdf(form, records, dir.filePath(QStringLiteral("gone/week.pdf")),
                               QStringLiteral("week"), &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace ombrix
