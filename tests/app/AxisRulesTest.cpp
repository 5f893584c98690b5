// The arithmetic of the graph's time window, the histogram's axis and the table's cell texts,
// without any drawing.
#include <QLocale>

#include <gtest/gtest.h>

#include "AxisRules.h"
#include "ChartDepth.h"
#include "TableModel.h"

namespace ombrix::views {
namespace {

constexpr double kT0 = 45'000.25;  // a day at 06:00
constexpr double kMinute = 1.0 / 1440;

// Three and a half hours of samples every ten minutes, as the window sees them.
constexpr Range kThreeAndAHalfHours{kT0, kT0 + 210 * kMinute};

TEST(GraphWindowTest, OneHourStepsThroughThreeAndAHalfHoursAndSnapsToTheEnd) {
  const double w = *RangeWindow(gr1h);
  Range window = *HomeWindow(gr1h, kThreeAndAHalfHours);
  EXPECT_EQ(window, (Range{kT0, kT0 + kOneHour}));
  Navigation can = NavigationState(window, kThreeAndAHalfHours);
  EXPECT_TRUE(can.forward);
  EXPECT_FALSE(can.backward);

  window = StepForward(window, w, kThreeAndAHalfHours);
  EXPECT_NEAR(window.minimum, kT0 + kOneHour, 1e-9);
  window = StepForward(window, w, kThreeAndAHalfHours);
  EXPECT_NEAR(window.minimum, kT0 + 2 * kOneHour, 1e-9);
  // The third step would end half an hour after the last sample: it snaps to it.
  window = StepForward(window, w, kThreeAndAHalfHours);
  EXPECT_EQ(window.maximum, kThreeAndAHalfHours.maximum);
  EXPECT_DOUBLE_EQ(window.minimum, kThreeAndAHalfHours.maximum - w);
  can = NavigationState(window, kThreeAndAHalfHours);
  EXPECT_FALSE(can.forward);
  EXPECT_TRUE(can.backward);
  // At the end, Forward moves nothing.
  EXPECT_EQ(StepForward(window, w, kThreeAndAHalfHours), window);
}

TEST(GraphWindowTest, BackwardSnapsToTheFirstSampleAndStaysThere) {
  const double w = kOneHour;
  // Starting 30 minutes after the first sample: one window back would start before it.
  const Range late{kT0 + 30 * kMinute, kT0 + 90 * kMinute};
  EXPECT_EQ(StepBackward(late, w, kThreeAndAHalfHours), (Range{kT0, kT0 + w}));
  // From two windows in, one step back is a plain step.
  const Range later{kT0 + 2 * w, kT0 + 3 * w};
  const Range back = StepBackward(later, w, kThreeAndAHalfHours);
  EXPECT_NEAR(back.minimum, kT0 + w, 1e-9);
  EXPECT_NEAR(back.maximum, kT0 + 2 * w, 1e-9);
  // At the first sample, Backward moves nothing.
  const Range home{kT0, kT0 + w};
  EXPECT_EQ(StepBackward(home, w, kThreeAndAHalfHours), home);
}

TEST(GraphWindowTest, WindowsWiderThanTheDataAndMaximumLeaveNowhereToGo) {
  const Range twentyMinutes{kT0, kT0 + 20 * kMinute};
  for (const int entry : {gr24h, gr1h}) {
    const Range window = *HomeWindow(entry, twentyMinutes);
    EXPECT_FALSE(NavigationState(window, twentyMinutes).Any()) << entry;
  }
  const Range all = *HomeWindow(grMaximum, kThreeAndAHalfHours);
  EXPECT_EQ(all, kThreeAndAHalfHours);
  EXPECT_FALSE(NavigationState(all, kThreeAndAHalfHours).Any());
  EXPECT_FALSE(HomeWindow(4, kThreeAndAHalfHours));  // no such entry
  // One sample: the axis still spans a minute rather than nothing, with the sample in its middle.
  const Range single{kT0, kT0};
  EXPECT_EQ(*HomeWindow(grMaximum, single), (Range{kT0 - kOneMinute / 2, kT0 + kOneMinute / 2}));
}

TEST(GraphWindowTest, SumsOfWindowsThatReachTheEndLeaveNoStepBehind) {
  // Exactly two hours of data walked in one-hour steps: the last window ends on the last sample
  // up to rounding, and nothing is left to step to.
  const Range twoHours{kT0, kT0 + 120 * kMinute};
  Range window = *HomeWindow(gr1h, twoHours);
  window = StepForward(window, kOneHour, twoHours);
  EXPECT_FALSE(NavigationState(window, twoHours).forward);
  EXPECT_TRUE(NavigationState(window, twoHours).backward);
}

TEST(GraphPanTest, APanStepMayNotLeaveTheSamples) {
  const Range data = kThreeAndAHalfHours;
  EXPECT_TRUE(PanAllowed(Range{kT0, kT0 + kOneHour}, data));
  EXPECT_TRUE(PanAllowed(Range{data.maximum - kOneHour, data.maximum}, data));
  EXPECT_FALSE(PanAllowed(Range{kT0 - kMinute, kT0 + kOneHour - kMinute}, data));
  EXPECT_FALSE(PanAllowed(Range{data.maximum - kOneHour + kMinute, data.maximum + kMinute}, data));

  // Dragging to the left by a tenth of the plot shows a tenth of the window later.
  const Range window{kT0, kT0 + kOneHour};
  const Range moved = PanByPixels(window, -50, 500);
  EXPECT_NEAR(moved.minimum, kT0 + 6 * kMinute, 1e-9);
  EXPECT_NEAR(moved.Span(), kOneHour, 1e-9);
  EXPECT_EQ(PanByPixels(window, 30, 0), window);
}

// Zooming keeps the time under the mouse in place, never goes below a minute or beyond the
// samples; fitting covers the samples shown and the limits with a margin in half degrees.
TEST(GraphZoomTest, ZoomKeepsThePointAndTheSamplesAndFitCoversLimits) {
  const Range data{10, 20};
  struct Zoom {
    Range window;
    double at, factor;
    Range expected;
  };
  const Zoom zooms[] = {
      {{10, 20}, 15, 0.5, {12.5, 17.5}},  // about the middle
      {{10, 20}, 10, 0.5, {10, 15}},      // about the first sample
      {{12, 14}, 13, 100, {10, 20}},      // out: never wider than the samples
      {{19, 20}, 19.5, 4, {16, 20}},      // out at the end: moved back inside
      {{10, 20}, 11, 1e-9, {11 - kOneMinute / 10, 11 + kOneMinute * 9 / 10}},  // a minute
  };
  for (const Zoom& z : zooms) {
    const Range zoomed = ZoomAround(z.window, z.at, z.factor, data);
    EXPECT_NEAR(zoomed.minimum, z.expected.minimum, 1e-9) << z.at << " x" << z.factor;
    EXPECT_NEAR(zoomed.maximum, z.expected.maximum, 1e-9) << z.at << " x" << z.factor;
  }

  struct Fit {
    std::optional<Range> samples;
    std::optional<double> low, high;
    std::optional<Range> expected;
  };
  const Fit fits[] = {
      {Range{2.5, 12}, {}, {}, Range{1.5, 13}},  // margin 0.95 K, out to half degrees
      {Range{4, 4.2}, {}, {}, Range{3.5, 5}},    // at least 0.5 K
      {Range{4, 6}, 2.0, 8.0, Range{1, 9}},      // the limits are shown too
      {std::nullopt, -20.0, std::nullopt, Range{-20.5, -19.5}},
      {std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Fit& f : fits) {
    EXPECT_EQ(FitTemperatures(f.samples, f.low, f.high), f.expected);
  }
  EXPECT_EQ(AtLeast(Range{5, 5}, 0.25), (Range{4.875, 5.125}));
  EXPECT_EQ(AtLeast(Range{5, 6}, 0.25), (Range{5, 6}));
}

TEST(HistogramAxisTest, OnlyTheLowestBinWidensTheAxisByTwoDegrees) {
  // Bin 0 reaches from -40 to -38 °C; its bar stands at -39.
  const Range axis = HistogramAxisLimits(true, -39, -39, 0.0f, 40.0f);
  EXPECT_EQ(axis, (Range{-41, 40}));
  EXPECT_EQ(HistogramSlots(axis), 40);
  EXPECT_DOUBLE_EQ(HistogramBarWidth(axis), 81.0 / 40 / 2);
  EXPECT_DOUBLE_EQ(BinIndexOf(-39), 0);
  EXPECT_DOUBLE_EQ(TemperatureOfIndex(62), 85);
}

TEST(HistogramAxisTest, BarsInsideTheRangeKeepItAndHighBarsWidenIt) {
  const Range inside = HistogramAxisLimits(true, 3, 21, 0.0f, 40.0f);
  EXPECT_EQ(inside, (Range{0, 40}));
  EXPECT_EQ(HistogramSlots(inside), 20);
  EXPECT_DOUBLE_EQ(HistogramBarWidth(inside), 1.0);  // one bin, neighbours touch
  EXPECT_EQ(HistogramAxisLimits(true, 3, 45, 0.0f, 40.0f), (Range{0, 47}));
  EXPECT_EQ(HistogramAxisLimits(false, 0, 0, -30.0f, -10.0f), (Range{-30, -10}));
  // A configured range below zero with bars further down: both limits move as one.
  EXPECT_EQ(HistogramAxisLimits(true, -35, -25, -30.0f, -10.0f), (Range{-37, -10}));
}

TEST(HistogramAxisTest, LabelsThinOutBeforeTheyCrowd) {
  const Range axis{0, 40};
  EXPECT_EQ(HistogramLabelStep(axis, 21), 2);
  EXPECT_EQ(HistogramLabelStep(axis, 20), 4);
  EXPECT_EQ(HistogramLabelStep(Range{-41, 87}, 10), 20);
  EXPECT_EQ(LabelsThatFit(700, 35), 20);
  EXPECT_EQ(LabelsThatFit(10, 35), 1);
  for (const int largest : {1, 7, 99, 2178, 8000}) {
    const double top = CountAxisMaximum(largest);
    EXPECT_GT(top, largest) << largest;
    EXPECT_LE(top, largest * 2.0 + 1) << largest;
  }
}

TEST(ChartDepthTest, AThinnedLineKeepsEachColumnsExtremesInOrder) {
  // Many points in two pixel columns: first, lowest, highest and last of each stay.
  QPolygonF line;
  for (int i = 0; i < 10; ++i) line << QPointF(10 + i * 0.05, ((i + 1) * 37) % 11);
  for (int i = 0; i < 10; ++i) line << QPointF(11 + i * 0.05, 100 + ((i + 1) * 7) % 5);
  const QPolygonF thin = ThinPolyline(line);
  ASSERT_EQ(thin.size(), 8);
  EXPECT_EQ(thin.front(), line.front());
  EXPECT_EQ(thin[3], line[9]);
  EXPECT_EQ(thin.back(), line.back());
  double lowest = 1e9, highest = -1e9;
  for (int i = 0; i < 4; ++i) {
    lowest = std::min(lowest, thin[i].y());
    highest = std::max(highest, thin[i].y());
  }
  EXPECT_EQ(lowest, 1);
  EXPECT_EQ(highest, 10);
  EXPECT_EQ(thin[5].y(), 104);  // the second column's highest comes before its lowest
  EXPECT_EQ(thin[6].y(), 100);
  // A sparse line is left as it is.
  const QPolygonF sparse({QPointF(0, 1), QPointF(5, 2), QPointF(9, 0)});
  EXPECT_EQ(ThinPolyline(sparse), sparse);
}

TEST(TableTextTest, RelativeTimeComesFromIndexAndRateOnly) {
  EXPECT_EQ(TTableModel::RelativeTime(0, 10), "00:00");
  EXPECT_EQ(TTableModel::RelativeTime(1, 10), "00:10");
  EXPECT_EQ(TTableModel::RelativeTime(7, 10), "01:10");
  // Not wrapped at a day or at 99.
  EXPECT_EQ(TTableModel::RelativeTime(2000, 10), "333:20");
  EXPECT_EQ(TTableModel::RelativeTime(7999, 255), "33995:45");
  // A test record counts seconds: minutes:seconds.
  EXPECT_EQ(TTableModel::RelativeTime(3, 25), "01:15");
}

TEST(TableTextTest, TemperaturesHaveOneDecimalInTheLocalesNotation) {
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(TTableModel::TemperatureText(23.5f), "23.5");
  EXPECT_EQ(TTableModel::TemperatureText(-5.0f), "-5.0");
  EXPECT_EQ(TTableModel::TemperatureText(-40.0f), "-40.0");
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(TTableModel::TemperatureText(23.5f), "23,5");
  QLocale::setDefault(previous);
}

}  // namespace
}  // namespace ombrix::views
