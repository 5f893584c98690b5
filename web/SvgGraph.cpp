#include "SvgGraph.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "FigureTexts.h"
#include "Html.h"

namespace ombrix::web {

namespace {

// The drawing area in SVG units; the graph scales to the width of the page.
constexpr double kWidth = 800, kHeight = 300;
constexpr double kLeft = 70, kRight = 10, kTop = 10, kBottom = 40;

QString Number(double value) {
  return QString::number(value, 'f', 1);
}

}  // namespace

GraphRange RangeOf(const TProbeRecord& record, const TemperatureLimits& limits, int first,
                   int last) {
  if (last < 0) last = record.HeldSamples() - 1;
  double low = 0, high = 0;
  bool any = false;
  const auto take = [&](double value) {
    low = any ? std::min(low, value) : value;
    high = any ? std::max(high, value) : value;
    any = true;
  };
  for (int i = first; i <= last; ++i) take(record.Samples[i].Temperature);
  if (limits.low) take(*limits.low);
  if (limits.high) take(*limits.high);
  if (!any) return {};
  const double margin = std::max(0.5, (high - low) / 10);
  return {low - margin, high + margin};
}

QString SvgGraph(const TProbeRecord& record, const TemperatureLimits& limits, int firstIndex,
                 int lastIndex) {
  const int n = record.HeldSamples();
  if (n == 0) return QStringLiteral("<p>No samples: nothing to draw.</p>\n");
  if (lastIndex < 0 || lastIndex >= n) lastIndex = n - 1;
  firstIndex = std::clamp(firstIndex, 0, lastIndex);
  const GraphRange range = RangeOf(record, limits, firstIndex, lastIndex);
  const double plotWidth = kWidth - kLeft - kRight, plotHeight = kHeight - kTop - kBottom;
  const std::int64_t first = record.SampleSeconds(firstIndex);
  const std::int64_t last = record.SampleSeconds(lastIndex);
  const double span = static_cast<double>(std::max<std::int64_t>(last - first, 1));
  const auto x = [&](int index) {
    return kLeft + plotWidth * static_cast<double>(record.SampleSeconds(index) - first) / span;
  };
  const auto y = [&](double celsius) {
    return kTop + plotHeight * (range.high - celsius) / (range.high - range.low);
  };

  QString svg =
      QStringLiteral(
          "<svg class=\"graph\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %1 %2\" "
          "role=\"img\" aria-label=\"Temperature over time\">\n")
          .arg(kWidth)
          .arg(kHeight);
  svg += QStringLiteral(
             "<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"none\" stroke=\"#888\"/>\n")
             .arg(kLeft)
             .arg(kTop)
             .arg(plotWidth)
             .arg(plotHeight);
  const auto label = [&](double atX, double atY, const char* anchor, const QString& text) {
    svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"12\" text-anchor=\"%3\">%4</text>\n")
               .arg(Number(atX), Number(atY), QLatin1String(anchor), Escape(text));
  };
  label(kLeft - 4, kTop + 12, "end", figures::Celsius(range.high));
  label(kLeft - 4, kTop + plotHeight, "end", figures::Celsius(range.low));
  label(kLeft, kHeight - kBottom + 16, "start", InstantText(first));
  label(kWidth - kRight, kHeight - kBottom + 32, "end", InstantText(last));

  for (const auto& [limit, colour, name] :
       {std::tuple{limits.low, "#1f5fbf", "low"}, {limits.high, "#b02020", "high"}}) {
    if (!limit) continue;
    svg += QStringLiteral(
               "<line class=\"limit-%1\" x1=\"%2\" x2=\"%3\" y1=\"%4\" y2=\"%4\" stroke=\"%5\" "
               "stroke-dasharray=\"6 4\"/>\n")
               .arg(QLatin1String(name), Number(kLeft), Number(kWidth - kRight), Number(y(*limit)),
                    QLatin1String(colour));
    label(kWidth - kRight - 4, y(*limit) - 4, "end", figures::Celsius(*limit));
  }

  svg += QStringLiteral("<polyline fill=\"none\" stroke=\"#234\" stroke-width=\"1.5\" points=\"");
  bool separate = false;
  const auto point = [&](int i) {
    if (separate) svg += u' ';
    separate = true;
    svg += Number(x(i)) + u',' + Number(y(record.Samples[i].Temperature));
  };
  // Where there are more samples than units of width, each unit gets its lowest and its highest
  // sample, in the order they were taken: the line looks the same, every peak included, and the
  // page stays small. The zoom shows the samples between.
  int column = -1, low = 0, high = 0;
  const auto flush = [&] {
    if (column < 0) return;
    point(std::min(low, high));
    if (low != high) point(std::max(low, high));
  };
  for (int i = firstIndex; i <= lastIndex; ++i) {
    const int at = static_cast<int>(x(i));
    if (at != column) {
      flush();
      column = at;
      low = high = i;
    } else if (record.Samples[i].Temperature < record.Samples[low].Temperature) {
      low = i;
    } else if (record.Samples[i].Temperature > record.Samples[high].Temperature) {
      high = i;
    }
  }
  flush();
  svg += QStringLiteral("\"/>\n</svg>\n");
  return svg;
}

}  // namespace ombrix::web
