#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "ProbeRecord.h"
#include "Statistics.h"

// The one text of each figure that the window, the printed report and ombrix-cli show: a figure
// reads the same wherever it appears. Numbers use the default locale's decimal separator.
// Machine-readable outputs (JSON, CSV) keep the numbers themselves.
namespace ombrix::figures {

// A temperature, with one decimal: "-2.5 °C"; a value that rounds to zero shows no sign.
QString Celsius(double celsius);
// A temperature difference (the standard deviation), with two decimals: "0.96 K".
QString Kelvin(double kelvin);
// The mean kinetic temperature, with two decimals: "4.37 °C".
QString MeanKinetic(double celsius);
// A length of time in days, hours and minutes, leading zero parts left out: "0 min", "45 min",
// "1 h 0 min", "12 d 3 h 10 min"; seconds are added when the time is not whole minutes (probes in
// test mode sample every few seconds).
QString Duration(std::int64_t seconds);
// An instant (probe seconds) in the program's local text form.
QString Instant(std::int64_t seconds);

// The serial number as the Status page shows it: its eight bytes, byte 0 first, in hexadecimal
// separated by blanks ("28 00 00 00 00 00 00 A2").
QString SerialNumber(std::uint64_t serial);
// A serial number in either form people meet it: as the Status page shows it, or as the record
// file and the settings keep it, one 16-digit hexadecimal number ("A200000000000028"). Blanks
// around it do not count. With `present`, fewer than eight bytes may be given in the first form,
// and the bytes not given keep their value in `present`. Nothing for any other text.
std::optional<std::uint64_t> SerialNumberFromText(
    const QString& text, std::optional<std::uint64_t> present = std::nullopt);

// The verdict as a heading: "Within limits", "Outside limits", "No limits set", "Nothing to judge".
QString VerdictHeading(Verdict verdict);

// The text with its first letter in capitals, as a sentence or heading begins.
QString FirstUpper(QString text);

// One figure of a record's statistics, with its caption.
enum class Figure {
  kLowLimit,
  kHighLimit,
  kDelay,
  kActivation,
  kSamples,
  kInterval,
  kFirst,
  kLast,
  kMinimum,
  kMaximum,
  kMean,
  kDeviation,
  kMeanKinetic,
  kBelow,
  kAbove,
  kExcursions,
  kLongest,
  kLongestFrom,
  kLongestUntil,
};
struct FigureRow {
  Figure figure;
  QString caption;
  QString text;
};
using FigureRows = std::vector<FigureRow>;

// The limits in force: low and high limit, the delay before an excursion counts, the activation
// energy.
FigureRows LimitsRows(const TemperatureLimits& limits);
// The statistics of a record against those limits ("—" for a figure a record has not got); the
// three rows of the longest excursion only when there is one. Instants are written by `instant`.
FigureRows StatisticsRows(const TProbeRecord& record, const TemperatureLimits& limits,
                          const RecordStatistics& statistics,
                          QString (*instant)(std::int64_t seconds) = Instant);
// The text of one figure of the rows, or an empty text.
QString TextOf(const FigureRows& rows, Figure figure);

}  // namespace ombrix::figures
