#include "PrintLayoutMath.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <cmath>

namespace ombrix::print {

namespace {

constexpr long long kMinutesPerDay = 1440;

long long FloorDiv(long long a, long long b) {
  const long long q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

QPoint PageMapping::Map(double x, double y) const {
  return QPoint(static_cast<int>(std::trunc(x * scale + offsetX)),
                static_cast<int>(std::trunc(y * scale + offsetY)));
}

QRect PageMapping::MapRect(const QRect& layout) const {
  const QPoint topLeft = Map(layout.left(), layout.top());
  const QPoint bottomRight = Map(layout.left() + layout.width(), layout.top() + layout.height());
  return QRect(topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y()));
}

double Scale(int pageWidth, int pageHeight) {
  return std::min(static_cast<double>(pageWidth) / kLayoutWidth,
                  static_cast<double>(pageHeight) / kLayoutHeight) *
         kPageFill;
}

PageMapping MapLayoutToPage(int pageWidth, int pageHeight) {
  PageMapping mapping;
  mapping.scale = Scale(pageWidth, pageHeight);
  // Integer division rounds toward zero, as the halves should.
  mapping.offsetX = (pageWidth - static_cast<int>(std::trunc(kLayoutWidth * mapping.scale))) / 2;
  mapping.offsetY = (pageHeight - static_cast<int>(std::trunc(kLayoutHeight * mapping.scale))) / 2;
  return mapping;
}

int MemoCharsPerLine(int memoWidth, double scale, double tenMWidth) {
  if (!(tenMWidth > 0)) return 0;
  return static_cast<int>(std::trunc(memoWidth * 10 * scale / tenMWidth));
}

QStringList MemoLines(const QString& text, int n) {
  QStringList lines;
  QString line;
  qsizetype start = -1;
  const auto isSeparator = [](QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
  };
  for (qsizetype i = 0; i <= text.size(); ++i) {
    const bool atEnd = i == text.size();
    if (!atEnd && !isSeparator(text[i])) {
      if (start < 0) start = i;
      continue;
    }
    if (start < 0) continue;
    line += QStringView(text).mid(start, i - start);
    line += u' ';
    start = -1;
    if (line.size() >= n) {
      lines << line;
      line.clear();
    }
  }
  if (!line.isEmpty()) lines << line;
  return lines;
}

AxisLimits TemperatureAxisLimits(bool hasSamples, float smallest, float largest,
                                 float minTemperature, float maxTemperature) {
  AxisLimits limits{minTemperature, maxTemperature};
  if (hasSamples) {
    if (largest > maxTemperature) limits.maximum = static_cast<double>(largest) + 1;
    if (smallest < minTemperature) limits.minimum = static_cast<double>(smallest) - 1;
  }
  if (!(limits.maximum > limits.minimum)) limits.maximum = limits.minimum + 1;
  return limits;
}

AxisLimits TimeAxisLimits(TDateTime first, TDateTime last) {
  constexpr double kOneMinute = 1.0 / kMinutesPerDay;
  AxisLimits limits{std::min(first, last), std::max(first, last)};
  if (limits.maximum - limits.minimum < kOneMinute) limits.maximum = limits.minimum + kOneMinute;
  return limits;
}

double NiceStep(double span, int maxSteps) {
  if (!(span > 0) || maxSteps < 1) return 1;
  const double rough = span / maxSteps;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    // A hair of tolerance, so that 40 / 8 reads as a step of 5 and not of 10.
    if (factor * power >= rough * (1 - 1e-9)) return factor * power;
  }
  return 10 * power;
}

double TimeLabelStep(double spanDays, int maxLabels) {
  static constexpr std::array<long long, 15> kSteps = {
      1, 2, 5, 10, 15, 30, 60, 120, 180, 240, 360, 720, 1440, 2 * 1440, 7 * 1440};
  const double spanMinutes = std::max(spanDays, 0.0) * kMinutesPerDay;
  const int labels = std::max(maxLabels, 1);
  for (const long long step : kSteps) {
    if (spanMinutes / static_cast<double>(step) <= labels) {
      return static_cast<double>(step) / kMinutesPerDay;
    }
  }
  // Beyond a week, whole weeks, doubled until they fit.
  long long step = 14 * kMinutesPerDay;
  while (spanMinutes / static_cast<double>(step) > labels) step *= 2;
  return static_cast<double>(step) / kMinutesPerDay;
}

std::vector<TDateTime> TimeTicks(double minimum, double maximum, double stepDays) {
  std::vector<TDateTime> ticks;
  const long long step = std::llround(stepDays * kMinutesPerDay);
  if (step < 1 || !(maximum >= minimum) || (maximum - minimum) / stepDays > 10000) return ticks;
  // Weeks start on Monday; 1899-12-30 was a Saturday.
  const long long origin = step % (7 * kMinutesPerDay) == 0 ? 2 * kMinutesPerDay : 0;
  const auto first = static_cast<long long>(std::ceil(minimum * kMinutesPerDay - 1e-6));
  const double last = maximum * kMinutesPerDay + 1e-6;
  long long t = (FloorDiv(first - origin - 1, step) + 1) * step + origin;
  for (; static_cast<double>(t) <= last; t += step) {
    ticks.push_back(static_cast<double>(t) / kMinutesPerDay);
  }
  return ticks;
}

QString TimeAxisLabel(TDateTime value, const QString& format) {
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(value, year, month, day, hour, minute, second, millisecond);
  // A UTC value is formatted with its own fields: the PC's zone never enters.
  const QDateTime time(QDate(year, month, day), QTime(hour, minute, second, millisecond), Qt::UTC);
  const QStringList parts = time.toString(format).split(u' ', Qt::SkipEmptyParts);
  return QStringLiteral("<center>%1</center>").arg(parts.join(QStringLiteral("<br>")));
}

}  // namespace ombrix::print
