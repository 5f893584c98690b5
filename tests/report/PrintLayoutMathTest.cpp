#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <string>

#include "PrintLayoutMath.h"

namespace ombrix::print {
namespace {

TEST(PageMappingTest, LetterLandscapeAt300DpiIsWidthLimitedAndCentred) {
  const PageMapping page = MapLayoutToPage(3300, 2550);
  EXPECT_NEAR(page.scale, 3.5556, 1e-4);
  EXPECT_EQ(page.Map(0, 0), QPoint(66, 155));
  // The far corner keeps the same margin; a flat page is limited by its height instead.
  EXPECT_NEAR(3300 - page.Map(kLayoutWidth, kLayoutHeight).x(), 66, 1);
  EXPECT_DOUBLE_EQ(MapLayoutToPage(4000, 2000).scale, 2000.0 / 630 * 0.96);
}

TEST(PageMappingTest, EachCoordinateIsTruncatedOnItsOwn) {
  const PageMapping page{1.5, 10, 20};
  EXPECT_EQ(page.Map(1, 3), QPoint(11, 24));  // 11.5 and 24.5
  // The rectangle runs from the mapped top-left to the mapped bottom-right corner.
  EXPECT_EQ(page.MapRect(QRect(1, 1, 3, 3)), QRect(QPoint(11, 21), QPoint(15, 25)));
}

TEST(MemoTest, FiveLetterWordsFillNinePerLineAtFifty) {
  QStringList words;
  for (int i = 0; i < 20; ++i) words << QStringLiteral("word%1").arg(i % 10);
  const QStringList lines = MemoLines(words.join(u' '), 50);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0].size(), 54);
  EXPECT_EQ(lines[0].split(u' ', Qt::SkipEmptyParts).size(), 9);
  EXPECT_EQ(lines[1].split(u' ', Qt::SkipEmptyParts).size(), 9);
  EXPECT_EQ(lines[2], QStringLiteral("word8 word9 "));
  // A line that reaches n exactly is complete.
  EXPECT_EQ(MemoLines(words.join(u' '), 54).front().size(), 54);
}

TEST(MemoTest, LongWordIsNeverSplitAndEndsItsLineAtOnce) {
  const QString longWord(60, u'x');
  const QStringList lines = MemoLines(QStringLiteral("ab ") + longWord + QStringLiteral(" cd"), 50);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], QStringLiteral("ab ") + longWord + u' ');
  EXPECT_EQ(lines[1], QStringLiteral("cd "));
}

TEST(MemoTest, LineBreaksTabsAndRunsOfBlanksBecomeSingleBlanks) {
  EXPECT_EQ(MemoLines(QStringLiteral("  Keep\r\ncold\n\n\tbelow   8 C\r\n"), 50),
            QStringList{QStringLiteral("Keep cold below 8 C ")});
  EXPECT_TRUE(MemoLines(QStringLiteral(" \r\n\t "), 50).isEmpty());
}

TEST(TemperatureAxisTest, CoversTheWorkplaceRangeAndWidensOnlyWhereSamplesLeaveIt) {
  const AxisLimits inside = TemperatureAxisLimits(true, 2.5f, 8.0f, 0.0f, 40.0f);
  EXPECT_EQ(inside.minimum, 0.0);
  EXPECT_EQ(inside.maximum, 40.0);
  const AxisLimits hot = TemperatureAxisLimits(true, 2.5f, 41.2f, 0.0f, 40.0f);
  EXPECT_NEAR(hot.maximum, 42.2, 1e-5);
  EXPECT_EQ(hot.minimum, 0.0);
  const AxisLimits frozen = TemperatureAxisLimits(true, -12.5f, 3.0f, 0.0f, 40.0f);
  EXPECT_EQ(frozen.minimum, -13.5);
  const AxisLimits freezer = TemperatureAxisLimits(true, -25.0f, -15.0f, -30.0f, -10.0f);
  EXPECT_EQ(freezer.minimum, -30.0);
  EXPECT_EQ(freezer.maximum, -10.0);
}

TEST(TemperatureAxisTest, WithoutSamplesOrWithAnEmptyRangeTheAxisStaysOpen) {
  const AxisLimits none = TemperatureAxisLimits(false, 99.0f, 99.0f, 0.0f, 40.0f);
  EXPECT_EQ(none.minimum, 0.0);
  EXPECT_EQ(none.maximum, 40.0);
  const AxisLimits flat = TemperatureAxisLimits(true, 5.0f, 5.0f, 5.0f, 5.0f);
  EXPECT_EQ(flat.minimum, 5.0);
  EXPECT_EQ(flat.maximum, 6.0);
}

TEST(TimeAxisTest, SpanAndLabelStepsAreAtLeastOneMinuteAndRound) {
  const TDateTime start = EncodeDateTime(2021, 6, 1, 12, 0, 0);
  const AxisLimits single = TimeAxisLimits(start, start);
  EXPECT_EQ(single.minimum, start);
  EXPECT_NEAR((single.maximum - single.minimum) * 1440, 1.0, 1e-6);

  EXPECT_NEAR(TimeLabelStep(0.0, 12) * 1440, 1, 1e-9);
  EXPECT_NEAR(TimeLabelStep(1.0 / 24, 12) * 1440, 5, 1e-9);   // one hour
  EXPECT_NEAR(TimeLabelStep(5.0 / 24, 12) * 1440, 30, 1e-9);  // five hours
  EXPECT_NEAR(TimeLabelStep(21.0, 12), 2.0, 1e-9);            // three weeks
  const double years = TimeLabelStep(1400.0, 12);             // the longest mission
  EXPECT_LE(1400.0 / years, 12);
  EXPECT_NEAR(std::fmod(years, 7.0), 0.0, 1e-9);
}

TEST(TimeAxisTest, TicksFallOnRoundTimesInsideTheAxis) {
  const TDateTime start = EncodeDateTime(2021, 6, 1, 12, 7, 0);
  const std::vector<TDateTime> halfHours = TimeTicks(start, start + 0.1, 30.0 / 1440);
  ASSERT_EQ(halfHours.size(), 5u);
  EXPECT_NEAR(halfHours.front(), EncodeDateTime(2021, 6, 1, 12, 30, 0), 1e-9);
  EXPECT_NEAR(halfHours.back(), EncodeDateTime(2021, 6, 1, 14, 30, 0), 1e-9);
  // A tick on the axis' first time is kept.
  EXPECT_NEAR(TimeTicks(start, start + 0.01, 1.0 / 1440).front(), start, 1e-9);
  // Weekly ticks on Mondays: 2021-06-07 was one.
  const std::vector<TDateTime> weeks = TimeTicks(start, start + 30, 7.0);
  ASSERT_FALSE(weeks.empty());
  EXPECT_NEAR(weeks.front(), EncodeDateTime(2021, 6, 7), 1e-9);
  EXPECT_TRUE(TimeTicks(start, start - 1, 1.0).empty());
}

TEST(TimeAxisTest, LabelCarriesTimeOverDateInTheLayoutFormat) {
  const TDateTime value = EncodeDateTime(2021, 7, 3, 14, 5, 0);
  EXPECT_EQ(TimeAxisLabel(value, QStringLiteral("hh:mm d.M.")),
            QStringLiteral("<center>14:05<br>3.7.</center>"));
}

}  // namespace
}  // namespace ombrix::print
