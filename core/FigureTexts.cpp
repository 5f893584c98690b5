#include "FigureTexts.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <cmath>

#include "TimeConversion.h"

namespace ombrix::figures {

namespace {

constexpr double kGasConstant = 8.314462618;  // J/(mol K)

// A caption or word in the program's language: English in ombrix-cli, which installs no
// translator, the window's language in the window and its printed report.
QString Said(const char* source) {
  return QCoreApplication::translate("figures", source);
}
const QString kNone = QStringLiteral("\u2014");

// The number with that many decimals; one that rounds to zero shows no sign.
QString Fixed(double value, int decimals) {
  const double shown = std::abs(value) < 0.5 * std::pow(10.0, -decimals) ? 0.0 : value;
  return QLocale().toString(shown, 'f', decimals);
}

QString LimitText(const std::optional<double>& limit) {
  return limit ? Celsius(*limit) : Said(QT_TRANSLATE_NOOP("figures", "off"));
}

}  // namespace

QString Celsius(double celsius) {
  return Fixed(celsius, 1) + QStringLiteral(" \u00B0C");
}

QString Kelvin(double kelvin) {
  return Fixed(kelvin, 2) + QStringLiteral(" K");
}

QString MeanKinetic(double celsius) {
  return Fixed(celsius, 2) + QStringLiteral(" \u00B0C");
}

QString Duration(std::int64_t seconds) {
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

QString Instant(std::int64_t seconds) {
  return DateTimeText(ProbeSecondsToDateTime(seconds));
}

QString SerialNumber(std::uint64_t serial) {
  return QString::fromStdString(SerialNumberText(serial));
}

std::optional<std::uint64_t> SerialNumberFromText(const QString& text,
                                                  std::optional<std::uint64_t> present) {
  const QString given = text.trimmed();
  const QStringList words = given.split(u' ', Qt::SkipEmptyParts);
  bool ok = false;
  if (words.size() == 1 && given.size() == 16) {
    const std::uint64_t value = given.toULongLong(&ok, 16);
    if (ok) return value;
  }
  if (words.isEmpty() || words.size() > 8 || (words.size() < 8 && !present)) return std::nullopt;
  std::uint64_t serial = present.value_or(0);
  for (qsizetype i = 0; i < words.size(); ++i) {
    const uint byte = words[i].size() <= 2 ? words[i].toUInt(&ok, 16) : 0;
    if (words[i].size() > 2 || !ok) return std::nullopt;
    serial &= ~(std::uint64_t{0xFF} << (8 * i));
    serial |= std::uint64_t{byte} << (8 * i);
  }
  return serial;
}

QString VerdictHeading(Verdict verdict) {
  return FirstUpper(QCoreApplication::translate("Verdict", VerdictText(verdict)));
}

QString FirstUpper(QString text) {
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

FigureRows LimitsRows(const TemperatureLimits& limits) {
  return {
      {Figure::kLowLimit, Said(QT_TRANSLATE_NOOP("figures", "Low limit")), LimitText(limits.low)},
      {Figure::kHighLimit, Said(QT_TRANSLATE_NOOP("figures", "High limit")),
       LimitText(limits.high)},
      {Figure::kDelay, Said(QT_TRANSLATE_NOOP("figures", "Delay before an excursion counts")),
       Duration(std::int64_t{limits.delayMinutes} * 60)},
      {Figure::kActivation, Said(QT_TRANSLATE_NOOP("figures", "Activation energy ΔH/R")),
       Said(QT_TRANSLATE_NOOP("figures", "%1 K (%2 kJ/mol)"))
           .arg(QLocale().toString(limits.activation, 'f', 0),
                QLocale().toString(limits.activation * kGasConstant / 1000, 'f', 1))},
  };
}

FigureRows StatisticsRows(const TProbeRecord& record, const TemperatureLimits& limits,
                          const RecordStatistics& s, QString (*instant)(std::int64_t seconds)) {
  const bool any = s.samples > 0;
  const auto at = [&](double celsius, int index) {
    return any ? Said(QT_TRANSLATE_NOOP("figures", "%1 at %2"))
                     .arg(Celsius(celsius), instant(record.SampleSeconds(index)))
               : kNone;
  };
  QString deviation = kNone;
  if (s.standardDeviation) {
    deviation = Kelvin(*s.standardDeviation);
  } else if (s.samples == 1) {
    deviation = Said(QT_TRANSLATE_NOOP("figures", "— (one sample)"));
  }
  QString excursions = QString::number(s.excursions.size());
  if (!limits.Any() || !any) {
    excursions = kNone;
  } else if (limits.delayMinutes > 0) {
    excursions += Said(QT_TRANSLATE_NOOP("figures", " (of %1 or longer)"))
                      .arg(Duration(std::int64_t{limits.delayMinutes} * 60));
  }
  const auto time = [&](const std::optional<double>& limit, std::int64_t seconds,
                        const char* without) {
    if (!limit) return Said(without);
    return any ? Duration(seconds) : kNone;
  };
  FigureRows rows{
      {Figure::kSamples, Said(QT_TRANSLATE_NOOP("figures", "Samples")), QString::number(s.samples)},
      {Figure::kInterval, Said(QT_TRANSLATE_NOOP("figures", "Sample interval")),
       Duration(s.intervalSeconds)},
      {Figure::kFirst, Said(QT_TRANSLATE_NOOP("figures", "First sample")),
       any ? instant(s.firstSeconds) : kNone},
      {Figure::kLast, Said(QT_TRANSLATE_NOOP("figures", "Last sample")),
       any ? instant(s.lastSeconds) : kNone},
      {Figure::kMinimum, Said(QT_TRANSLATE_NOOP("figures", "Minimum")),
       at(s.minimum, s.minimumIndex)},
      {Figure::kMaximum, Said(QT_TRANSLATE_NOOP("figures", "Maximum")),
       at(s.maximum, s.maximumIndex)},
      {Figure::kMean, Said(QT_TRANSLATE_NOOP("figures", "Mean")), any ? Celsius(s.mean) : kNone},
      {Figure::kDeviation, Said(QT_TRANSLATE_NOOP("figures", "Standard deviation")), deviation},
      {Figure::kMeanKinetic, Said(QT_TRANSLATE_NOOP("figures", "Mean kinetic temperature")),
       any ? MeanKinetic(s.meanKinetic) : kNone},
      {Figure::kBelow, Said(QT_TRANSLATE_NOOP("figures", "Time below the low limit")),
       time(limits.low, s.secondsBelow, QT_TRANSLATE_NOOP("figures", "no low limit"))},
      {Figure::kAbove, Said(QT_TRANSLATE_NOOP("figures", "Time above the high limit")),
       time(limits.high, s.secondsAbove, QT_TRANSLATE_NOOP("figures", "no high limit"))},
      {Figure::kExcursions, Said(QT_TRANSLATE_NOOP("figures", "Excursions")), excursions},
  };
  if (s.longest) {
    rows.push_back(
        {Figure::kLongest, Said(QT_TRANSLATE_NOOP("figures", "Longest excursion")),
         QStringLiteral("%1 %2").arg(
             Duration(s.longest->Seconds()),
             s.longest->above ? Said(QT_TRANSLATE_NOOP("figures", "above the high limit"))
                              : Said(QT_TRANSLATE_NOOP("figures", "below the low limit")))});
    rows.push_back({Figure::kLongestFrom, Said(QT_TRANSLATE_NOOP("figures", " from")),
                    instant(s.longest->startSeconds)});
    rows.push_back({Figure::kLongestUntil, Said(QT_TRANSLATE_NOOP("figures", " until")),
                    instant(s.longest->endSeconds)});
  } else {
    rows.push_back(
        {Figure::kLongest, Said(QT_TRANSLATE_NOOP("figures", "Longest excursion")), kNone});
  }
  return rows;
}

QString TextOf(const FigureRows& rows, Figure figure) {
  for (const FigureRow& row : rows) {
    if (row.figure == figure) return row.text;
  }
  return {};
}

}  // namespace ombrix::figures
