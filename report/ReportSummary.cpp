#include "ReportSummary.h"

#include "FigureTexts.h"

namespace ombrix::print {

namespace {

using figures::Celsius;
using figures::Duration;
using figures::Instant;

std::vector<SummaryRow> Rows(const figures::FigureRows& rows) {
  std::vector<SummaryRow> summary;
  for (const figures::FigureRow& row : rows) summary.push_back({row.caption, row.text});
  return summary;
}

QString SideText(const Excursion& run) {
  return run.above ? QStringLiteral("above") : QStringLiteral("below");
}

QString Detail(const RecordStatistics& s, const TemperatureLimits& limits) {
  switch (s.verdict) {
    case Verdict::kNoSamples:
      return QStringLiteral("The record holds no samples.");
    case Verdict::kNoLimits:
      return QStringLiteral("No temperature limits are set for this probe.");
    case Verdict::kWithin:
      if (s.secondsBelow + s.secondsAbove == 0) {
        return QStringLiteral("All %1 samples stayed within the limits.").arg(s.samples);
      }
      return QStringLiteral("Beyond the limits for %1 in all, never for %2 or longer at a time.")
          .arg(Duration(s.secondsBelow + s.secondsAbove),
               Duration(std::int64_t{limits.delayMinutes} * 60));
    case Verdict::kOutside:
      break;
  }
  const Excursion& longest = *s.longest;
  const std::size_t count = s.excursions.size();
  return QStringLiteral("%1 %2 beyond the limits; the longest lasted %3, %4 %5.")
      .arg(QString::number(count),
           count == 1 ? QStringLiteral("excursion") : QStringLiteral("excursions"),
           Duration(longest.Seconds()), SideText(longest),
           Celsius(longest.above ? *limits.high : *limits.low));
}

}  // namespace

ReportSummary SummarizeRecord(const TProbeRecord& record, const TemperatureLimits& limits,
                              const RecordStatistics& s) {
  ReportSummary summary;
  summary.verdict = s.verdict;
  summary.verdictText = figures::VerdictHeading(s.verdict);
  summary.verdictDetail = Detail(s, limits);
  if (record.ChangedAfterSave) {
    summary.changedNote = QStringLiteral("Record file changed after it was saved");
  }

  summary.limits = Rows(figures::LimitsRows(limits));
  summary.statistics = Rows(figures::StatisticsRows(record, limits, s));

  const int count = static_cast<int>(s.excursions.size());
  // When the table overflows, its last line counts the excursions left out.
  const int shown =
      count <= ReportSummary::kMaxExcursionRows ? count : ReportSummary::kMaxExcursionRows - 1;
  for (int i = 0; i < shown; ++i) {
    const Excursion& run = s.excursions[static_cast<std::size_t>(i)];
    summary.excursions.push_back({QString::number(i + 1), SideText(run), Instant(run.startSeconds),
                                  Instant(run.endSeconds), Duration(run.Seconds())});
  }
  summary.moreExcursions = count - shown;
  return summary;
}

}  // namespace ombrix::print
