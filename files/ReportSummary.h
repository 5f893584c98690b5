#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

#include "ProbeRecord.h"
#include "Statistics.h"

// The texts of the report's summary page, apart from any drawing: the verdict, the limits in
// force, the statistics of the record and its excursions, as the page prints them.
namespace ombrix::print {

// Degrees Celsius with the decimals in the default locale: "-2.5 °C".
QString TemperatureText(double celsius, int decimals = 1);
// A length of time in days, hours and minutes, leaving out leading zero parts: "0 min",
// "45 min", "1 h 0 min", "2 d 3 h 5 min"; seconds are added when the time is not whole minutes
// (probes in test mode sample every few seconds).
QString DurationText(std::int64_t seconds);
// An instant (probe seconds) in the program's local text form.
QString InstantText(std::int64_t seconds);

struct SummaryRow {
  QString caption;
  QString value;
};

// One line of the excursion table: number, side ("above"/"below"), start, end, length.
using ExcursionRow = std::array<QString, 5>;

struct ReportSummary {
  // The excursion table shows at most this many lines; one more line counts the rest.
  static constexpr int kMaxExcursionRows = 18;

  Verdict verdict = Verdict::kNoLimits;
  QString verdictText;    // "Within limits", "Outside limits", "No limits set"
  QString verdictDetail;  // one sentence on what led to the verdict
  std::vector<SummaryRow> limits;
  std::vector<SummaryRow> statistics;
  std::vector<ExcursionRow> excursions;
  int moreExcursions = 0;  // excursions left out of the table
};

// The summary of a record checked against the limits, from its statistics (computed with those
// limits).
ReportSummary SummarizeRecord(const TProbeRecord& record, const TemperatureLimits& limits,
                              const RecordStatistics& statistics);

}  // namespace ombrix::print
