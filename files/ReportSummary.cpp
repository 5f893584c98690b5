#include "ReportSummary.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "TimeConversion.h"

namespace ombrix::print {

namespace {

constexpr double kGasConstant = 8.314462618;  // J/(mol K)
const QString kNone = QStringLiteral("\u2014");

QString Capitalized(const char* text) {
  QString result = QString::fromLatin1(text);
  if (!result.isEmpty()) result[0] = result[0].toUpper();
  return result;
}

QString SideText(const Excursion& run) {
  return run.above ? QStringLiteral("above") : QStringLiteral("below");
}

QString LimitText(const std::optional<double>& limit) {
  return limit ? TemperatureText(*limit) : QStringLiteral("off");
}

QString Detail(const RecordStatistics& s, const TemperatureLimits& limits) {
  if (s.samples == 0) return QStringLiteral("The record holds no samples.");
  switch (s.verdict) {
    case Verdict::kNoLimits:
      return QStringLiteral("No temperature limits are set for this probe.");
    case Verdict::kWithin:
      if (s.secondsBelow + s.secondsAbove == 0) {
        return QStringLiteral("All %1 samples stayed within the limits.").arg(s.samples);
      }
      return QStringLiteral("Beyond the limits for %1 in all, never for %2 or longer at a time.")
          .arg(DurationText(s.secondsBelow + s.secondsAbove),
               DurationText(std::int64_t{limits.delayMinutes} * 60));
    case Verdict::kOutside:
      break;
  }
  const Excursion& longest = *s.longest;
  const std::size_t count = s.excursions.size();
  return QStringLiteral("%1 %2 beyond the limits; the longest lasted %3, %4 %5.")
      .arg(QString::number(count),
           count == 1 ? QStringLiteral("excursion") : QStringLiteral("excursions"),
           DurationText(longest.Seconds()), SideText(longest),
           TemperatureText(longest.above ? *limits.high : *limits.low));
}

}  // namespace

QString TemperatureText(double celsius, int decimals) {
  // No "-0.0" for a value that rounds to zero.
  const double shown = std::abs(celsius) < 0.5 * std::pow(10.0, -decimals) ? 0.0 : celsius;
  return QLocale().toString(shown, 'f', decimals) + QStringLiteral(" \u00B0C");
}

QString DurationText(std::int64_t seconds) {
  const bool negative = seconds < 0;
  const std::int64_t total = negative ? -seconds : seconds;
  const std::int64_t days = total / 86400;
  const std::int64_t hours = total / 3600 % 24;
  const std::int64_t minutes = total / 60 % 60;
  const std::int64_t rest = total % 60;
  QStringList parts;
  if (days > 0) parts << QStringLiteral("%1 d").arg(days);
  if (days > 0 || hours > 0) parts << QStringLiteral("%1 h").arg(hours);
  if (rest == 0 || minutes > 0 || !parts.isEmpty()) parts << QStringLiteral("%1 min").arg(minutes);
  if (rest > 0) parts << QStringLiteral("%1 s").arg(rest);
  return (negative ? QStringLiteral("-") : QString()) + parts.join(u' ');
}

QString InstantText(std::int64_t seconds) {
  return DateTimeText(ProbeSecondsToDateTime(seconds));
}

ReportSummary SummarizeRecord(const TProbeRecord& record, const TemperatureLimits& limits,
                              const RecordStatistics& s) {
  ReportSummary summary;
  summary.verdict = s.verdict;
  summary.verdictText = Capitalized(VerdictText(s.verdict));
  summary.verdictDetail = Detail(s, limits);

  summary.limits = {
      {QStringLiteral("Low limit"), LimitText(limits.low)},
      {QStringLiteral("High limit"), LimitText(limits.high)},
      {QStringLiteral("Delay before an excursion counts"),
       DurationText(std::int64_t{limits.delayMinutes} * 60)},
      {QStringLiteral("Activation energy \u0394H/R"),
       QStringLiteral("%1 K (%2 kJ/mol)")
           .arg(QLocale().toString(limits.activation, 'f', 0),
                QLocale().toString(limits.activation * kGasConstant / 1000, 'f', 1))},
  };

  const bool any = s.samples > 0;
  const auto at = [&](double celsius, int index) {
    return any ? QStringLiteral("%1 at %2")
                     .arg(TemperatureText(celsius), InstantText(record.SampleSeconds(index)))
               : kNone;
  };
  QString deviation = kNone;
  if (s.standardDeviation) {
    deviation = TemperatureText(*s.standardDeviation, 2);
  } else if (s.samples == 1) {
    deviation = QStringLiteral("\u2014 (one sample)");
  }
  QString excursions = QString::number(s.excursions.size());
  if (!limits.Any()) {
    excursions = kNone;
  } else if (limits.delayMinutes > 0) {
    excursions += QStringLiteral(" (of %1 or longer)")
                      .arg(DurationText(std::int64_t{limits.delayMinutes} * 60));
  }
  summary.statistics = {
      {QStringLiteral("Samples"), QString::number(s.samples)},
      {QStringLiteral("Sample interval"), DurationText(s.intervalSeconds)},
      {QStringLiteral("First sample"), any ? InstantText(s.firstSeconds) : kNone},
      {QStringLiteral("Last sample"), any ? InstantText(s.lastSeconds) : kNone},
      {QStringLiteral("Minimum"), at(s.minimum, s.minimumIndex)},
      {QStringLiteral("Maximum"), at(s.maximum, s.maximumIndex)},
      {QStringLiteral("Mean"), any ? TemperatureText(s.mean, 2) : kNone},
      {QStringLiteral("Standard deviation"), deviation},
      {QStringLiteral("Mean kinetic temperature"), any ? TemperatureText(s.meanKinetic, 2) : kNone},
      {QStringLiteral("Time below the low limit"),
       limits.low ? DurationText(s.secondsBelow) : QStringLiteral("no low limit")},
      {QStringLiteral("Time above the high limit"),
       limits.high ? DurationText(s.secondsAbove) : QStringLiteral("no high limit")},
      {QStringLiteral("Excursions"), excursions},
  };
  if (s.longest) {
    summary.statistics.push_back(
        {QStringLiteral("Longest excursion"),
         QStringLiteral("%1 %2").arg(DurationText(s.longest->Seconds()),
                                     s.longest->above ? QStringLiteral("above the high limit")
                                                      : QStringLiteral("below the low limit"))});
    summary.statistics.push_back(
        {QStringLiteral("\u2003from"), InstantText(s.longest->startSeconds)});
    summary.statistics.push_back(
        {QStringLiteral("\u2003until"), InstantText(s.longest->endSeconds)});
  } else {
    summary.statistics.push_back({QStringLiteral("Longest excursion"), kNone});
  }

  const int count = static_cast<int>(s.excursions.size());
  // When the table overflows, its last line counts the excursions left out.
  const int shown =
      count <= ReportSummary::kMaxExcursionRows ? count : ReportSummary::kMaxExcursionRows - 1;
  for (int i = 0; i < shown; ++i) {
    const Excursion& run = s.excursions[static_cast<std::size_t>(i)];
    summary.excursions.push_back({QString::number(i + 1), SideText(run),
                                  InstantText(run.startSeconds), InstantText(run.endSeconds),
                                  DurationText(run.Seconds())});
  }
  summary.moreExcursions = count - shown;
  return summary;
}

}  // namespace ombrix::print
