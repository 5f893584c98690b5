#include "ReportSummary.h"

#include <QCoreApplication>

#include "FigureTexts.h"

namespace ombrix::print {

namespace {

using figures::Celsius;
using figures::Duration;
using figures::Instant;

// In the program's language: English from ombrix-cli, the window's language from the window.
QString Said(const char* source) {
  return QCoreApplication::translate("ReportSummary", source);
}

std::vector<SummaryRow> Rows(const figures::FigureRows& rows) {
  std::vector<SummaryRow> summary;
  for (const figures::FigureRow& row : rows) summary.push_back({row.caption, row.text});
  return summary;
}

QString SideText(const Excursion& run) {
  return run.above ? Said(QT_TRANSLATE_NOOP("ReportSummary", "above"))
                   : Said(QT_TRANSLATE_NOOP("ReportSummary", "below"));
}

QString Detail(const RecordStatistics& s, const TemperatureLimits& limits) {
  switch (s.verdict) {
    case Verdict::kNoSamples:
      return Said(QT_TRANSLATE_NOOP("ReportSummary", "The record holds no samples."));
    case Verdict::kNoLimits:
      return Said(
          QT_TRANSLATE_NOOP("ReportSummary", "No temperature limits are set for this probe."));
    case Verdict::kWithin:
      if (s.secondsBelow + s.secondsAbove == 0) {
        return Said(QT_TRANSLATE_NOOP("ReportSummary", "All %1 samples stayed within the limits."))
            .arg(s.samples);
      }
      return Said(QT_TRANSLATE_NOOP(
                      "ReportSummary",
                      "Beyond the limits for %1 in all, never for %2 or longer at a time."))
          .arg(Duration(s.secondsBelow + s.secondsAbove),
               Duration(std::int64_t{limits.delayMinutes} * 60));
    case Verdict::kOutside:
      break;
  }
  const Excursion& longest = *s.longest;
  const std::size_t count = s.excursions.size();
  // One text for each number, so that a language can say the rest of the sentence its way.
  const QString sentence =
      count == 1
          ? Said(QT_TRANSLATE_NOOP("ReportSummary",
                                   "%1 excursion beyond the limits; the longest lasted %2, %3 %4."))
          : Said(QT_TRANSLATE_NOOP(
                "ReportSummary", "%1 excursions beyond the limits; the longest lasted %2, %3 %4."));
  return sentence.arg(QString::number(count), Duration(longest.Seconds()), SideText(longest),
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
    summary.changedNote =
        Said(QT_TRANSLATE_NOOP("ReportSummary", "Record file changed after it was saved"));
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
