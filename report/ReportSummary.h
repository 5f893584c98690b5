#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

#include "ProbeRecord.h"
#include "Statistics.h"

// The texts of the report's summary page, apart from any drawing: the verdict, the limits in
// force, the statistics of the record and its excursions, as the page prints them.
namespace ombrix::print {

// A caption and its text; the limits and statistics rows are the ones the window and ombrix-cli
// show too.
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
  QString verdictText;    // "Within limits", "Outside limits", "No limits set", "Nothing to judge"
  QString verdictDetail;  // one sentence on what led to the verdict
  // Set when the record's file was changed after it was saved: its data are not the readings as
  // they were downloaded.
  QString changedNote;
  std::vector<SummaryRow> limits;
  std::vector<SummaryRow> statistics;
  std::vector<ExcursionRow> excursions;
  int moreExcursions = 0;  // excursions left out of the table
  // The electronic signatures of the archive entry the record is, each as people read it (meaning,
  // printed name, date and time with offset); none for a record that is not an archive entry.
  QStringList signatures;
};

// The summary of a record checked against the limits, from its statistics (computed with those
// limits).
ReportSummary SummarizeRecord(const TProbeRecord& record, const TemperatureLimits& limits,
                              const RecordStatistics& statistics);

}  // namespace ombrix::print
