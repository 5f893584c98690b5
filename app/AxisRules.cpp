#include "AxisRules.h"

#include <algorithm>
#include <cmath>

namespace ombrix::views {

namespace {

// Bin 0 reaches from -40 to -38 °C, so its bar stands at -39.
constexpr double kFirstBar = -39.0;
constexpr double kBinWidth = 2.0;
constexpr double kHistogramMargin = 2.0;

}  // namespace

std::optional<double> RangeWindow(int index) {
  switch (index) {
    case grMaximum:
      return 0.0;
    case gr24h:
      return 24 * kOneHour;
    case gr1h:
      return kOneHour;
    case gr1min:
      return kOneMinute;
    default:
      return std::nullopt;
  }
}

std::optional<Range> HomeWindow(int index, Range data) {
  const std::optional<double> w = RangeWindow(index);
  if (!w) return std::nullopt;
  if (*w == 0) {
    if (data.maximum - data.minimum < kTimeTolerance) {
      // One sample: a minute around it, so that its point stands in the middle of the plot.
      return Range{data.minimum - kOneMinute / 2, data.minimum + kOneMinute / 2};
    }
    return data;
  }
  return Range{data.minimum, data.minimum + *w};
}

Range EndWindow(double w, Range data) {
  return Range{data.maximum - w, data.maximum};
}

Range StepBackward(Range window, double w, Range data) {
  if (data.minimum < window.minimum - kTimeTolerance) {
    window.minimum -= w;
    window.maximum -= w;
  }
  if (data.minimum > window.minimum + kTimeTolerance) return Range{data.minimum, data.minimum + w};
  return window;
}

Range StepForward(Range window, double w, Range data) {
  if (data.maximum > window.maximum + kTimeTolerance) {
    window.minimum += w;
    window.maximum += w;
  }
  if (data.maximum < window.maximum - kTimeTolerance) return EndWindow(w, data);
  return window;
}

Navigation NavigationState(Range window, Range data) {
  Navigation state;
  state.forward = data.maximum > window.maximum + kTimeTolerance;
  state.backward = data.minimum < window.minimum - kTimeTolerance;
  return state;
}

bool PanAllowed(Range proposed, Range data) {
  return !(data.minimum > proposed.minimum + kTimeTolerance ||
           data.maximum < proposed.maximum - kTimeTolerance);
}

Range PanByPixels(Range window, double dxPixels, double plotWidth) {
  if (!(plotWidth > 0)) return window;
  const double shift = -dxPixels * window.Span() / plotWidth;
  return Range{window.minimum + shift, window.maximum + shift};
}

Range ZoomAround(Range window, double at, double factor, Range data) {
  const double widest = std::max(data.Span(), kOneMinute);
  const double span = std::clamp(window.Span() * factor, kOneMinute, widest);
  const double share = window.Span() > 0 ? (at - window.minimum) / window.Span() : 0.5;
  Range zoomed{at - share * span, at - share * span + span};
  // Within the samples: moved back inside, never past either end.
  if (zoomed.maximum > data.minimum + widest)
    zoomed = {data.minimum + widest - span, data.minimum + widest};
  if (zoomed.minimum < data.minimum) zoomed = {data.minimum, data.minimum + span};
  return zoomed;
}

std::optional<Range> FitTemperatures(std::optional<Range> samples, std::optional<double> low,
                                     std::optional<double> high) {
  std::optional<Range> covered = samples;
  for (const std::optional<double>& limit : {low, high}) {
    if (!limit) continue;
    if (!covered) covered = Range{*limit, *limit};
    covered->minimum = std::min(covered->minimum, *limit);
    covered->maximum = std::max(covered->maximum, *limit);
  }
  if (!covered) return std::nullopt;
  constexpr double kStep = 0.5;
  const double margin = std::max(covered->Span() / 10, kStep);
  return Range{std::floor((covered->minimum - margin) / kStep) * kStep,
               std::ceil((covered->maximum + margin) / kStep) * kStep};
}

Range AtLeast(Range span, double minimumWidth) {
  if (span.Span() >= minimumWidth) return span;
  const double middle = (span.minimum + span.maximum) / 2;
  return Range{middle - minimumWidth / 2, middle + minimumWidth / 2};
}

int LabelsThatFit(double axisPixels, double labelPixels) {
  if (!(labelPixels > 0) || !(axisPixels > 0)) return 1;
  return std::max(1, static_cast<int>(axisPixels / labelPixels));
}

int AxisEndGap(int chartWidth) {
  return std::max(0, static_cast<int>(std::lround(chartWidth * 0.02)));
}

Range HistogramAxisLimits(bool hasBars, double lowestBar, double highestBar, float minTemperature,
                          float maxTemperature) {
  Range axis{minTemperature, maxTemperature};
  if (hasBars) {
    if (highestBar > maxTemperature) axis.maximum = highestBar + kHistogramMargin;
    if (lowestBar < minTemperature) axis.minimum = lowestBar - kHistogramMargin;
  }
  return axis;
}

int HistogramSlots(Range axis) {
  return std::max(0, static_cast<int>(axis.Span() * 0.5));
}

double HistogramBarWidth(Range axis) {
  const int slots = HistogramSlots(axis);
  if (slots < 1) return 1.0;
  return axis.Span() / slots / kBinWidth;
}

double BinIndexOf(double temperature) {
  return (temperature - kFirstBar) / kBinWidth;
}

double TemperatureOfIndex(double index) {
  return kFirstBar + index * kBinWidth;
}

int HistogramLabelStep(Range axis, int maxLabels) {
  const int labels = std::max(maxLabels, 1);
  for (const int step : {2, 4, 10, 20, 50}) {
    if (axis.Span() / step + 1 <= labels) return step;
  }
  return 100;
}

double CountAxisMaximum(int largestCount) {
  if (largestCount <= 0) return 1;
  // A tenth above the tallest bar for its mark, then up to a round value.
  const double top = largestCount * 1.1;
  const double power = std::pow(10.0, std::floor(std::log10(top)));
  for (const double factor : {1.0, 1.2, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0}) {
    if (factor * power >= top) {
      return std::max(factor * power, static_cast<double>(largestCount + 1));
    }
  }
  return 10 * power;
}

}  // namespace ombrix::views
