#pragma once

#include <optional>

// The arithmetic of the Graph and Histogram pages, apart from any drawing: which part of the
// samples the graph shows and where its window may move, how the histogram's axis is widened
// and divided, and how many labels fit.
namespace ombrix::views {

// Times count days (TDateTime), so one hour is 1/24.
inline constexpr double kOneMinute = 1.0 / 1440;
inline constexpr double kOneHour = 1.0 / 24;
// Sample times lie on whole seconds; times closer than a millisecond are the same instant. Window
// edges are sums of many window widths and carry rounding that must not leave a navigation
// command enabled which would move nothing.
inline constexpr double kTimeTolerance = 1.0 / 86'400'000;

// An axis' limits, or the time span the samples cover.
struct Range {
  double minimum = 0;
  double maximum = 0;
  double Span() const { return maximum - minimum; }
  bool operator==(const Range&) const = default;
};

// Entries of the graph's range box.
enum GraphRanges { grMaximum = 0, gr24h = 1, gr1h = 2, gr1min = 3 };

// The window of a range box entry in days: 0 for "Maximum" (all samples), 1.0 for "24h", 1/24
// for "1h", 1/1440 for "1min"; nullopt for an index that names no entry.
std::optional<double> RangeWindow(int index);

// The window at the first sample: all samples for "Maximum" (opened to one minute when they all
// share one time, so that the axis never collapses), else one window from the first sample on.
// nullopt for an index that names no entry.
std::optional<Range> HomeWindow(int index, Range data);
// One window of width w ending at the last sample.
Range EndWindow(double w, Range data);

// One window width back: the axis moves only while the first sample lies before the window; a
// window that then starts before the first sample snaps to it.
Range StepBackward(Range window, double w, Range data);
// One window width on: the axis moves only while the last sample lies after the window; a window
// that then ends after the last sample snaps to it.
Range StepForward(Range window, double w, Range data);

// Which way the window can still move.
struct Navigation {
  bool forward = false;   // later samples lie after the window (Forward, End)
  bool backward = false;  // earlier samples lie before the window (Backward, Home)
  bool Any() const { return forward || backward; }
};
Navigation NavigationState(Range window, Range data);

// A mouse pan step to the proposed window is allowed while it stays within the samples.
bool PanAllowed(Range proposed, Range data);
// The window moved as the paper follows a drag of dx pixels across a plot of plotWidth pixels
// (dragging to the left shows later samples).
Range PanByPixels(Range window, double dxPixels, double plotWidth);

// The window zoomed around the time `at` by `factor` (below 1 zooms in), `at` staying where it
// is on the axis: never narrower than a minute, never wider than the samples (then all of them),
// and kept within the samples.
Range ZoomAround(Range window, double at, double factor, Range data);
// The temperature axis that fits the samples shown and the limits in force (either may be
// missing) with a margin of a tenth of their span, at least 0.5 K, on each side, widened outward
// to whole steps of 0.5 K; nullopt without samples or limits.
std::optional<Range> FitTemperatures(std::optional<Range> samples, std::optional<double> low,
                                     std::optional<double> high);
// A span at least `minimumWidth` wide, grown evenly about its middle, so that a band shows as at
// least one pixel.
Range AtLeast(Range span, double minimumWidth);

// How many labels of the given width fit across an axis, at least one.
int LabelsThatFit(double axisPixels, double labelPixels);

// The graph's horizontal axis ends at 98 % of the chart's width: the pixels it leaves free at the
// right, where the last label reaches over the axis' end.
int AxisEndGap(int chartWidth);

// The histogram's horizontal axis in degrees: the workplace's range, widened by 2 °C beyond the
// outermost bar position on a side where the bars leave it; both limits are meant to be applied
// together. Without bars, the range itself.
Range HistogramAxisLimits(bool hasBars, double lowestBar, double highestBar, float minTemperature,
                          float maxTemperature);
// The bar slots across the histogram's axis, one per 2 °C: the integer part of the span / 2.
int HistogramSlots(Range axis);
// The width of one bar in 2 °C bins: the axis span shared among its slots.
double HistogramBarWidth(Range axis);

// Bin i of the histogram (i = 0 .. 62, Low = 2i - 40) has its bar at Low + 1; the chart places
// bars at their bin's index, so temperatures map to indices and back.
double BinIndexOf(double temperature);
double TemperatureOfIndex(double index);

// The step between two temperature labels of the histogram: 2 °C, or the next of 4, 10, 20, 50
// and 100 °C when the labels would otherwise crowd each other.
int HistogramLabelStep(Range axis, int maxLabels);

// The top of the histogram's automatic count axis: a round value above the largest count, with
// room for the value marks over the tallest bar.
double CountAxisMaximum(int largestCount);

}  // namespace ombrix::views
