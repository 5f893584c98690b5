#include "Report.h"

#include <QJsonDocument>

#include <algorithm>
#include <cmath>

#include "FigureTexts.h"

namespace ombrix::cli {

namespace {

constexpr int kLabelWidth = 20;

// Line breaks and other control characters would break the line shape of the text output.
QString OneLine(QString text) {
  for (QChar& c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = u' ';
  }
  return text;
}
}  // namespace

void PrintText(std::ostream& out, const Fields& fields, int width) {
  for (const Field& field : fields) {
    if (field.label.isEmpty()) continue;
    if (field.labelOnly) {
      out << field.label.toStdString() << '\n';
      continue;
    }
    const QString line = field.label.leftJustified(width) + OneLine(field.text);
    out << line.trimmed().toStdString() << '\n';
  }
}

QJsonObject StatisticsJson(const TProbeRecord& p, const RecordStatistics& s,
                           const TemperatureLimits& limits) {
  QJsonObject json;
  const auto instant = [&json](const char* key, std::int64_t seconds) {
    json.insert(QString::fromLatin1(key), figures::Instant(seconds));
    json.insert(QString::fromLatin1(key) + QStringLiteral("Iso"), Iso(seconds));
  };
  const auto limit = [](const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue();
  };
  json.insert(QStringLiteral("LowLimit"), limit(limits.low));
  json.insert(QStringLiteral("HighLimit"), limit(limits.high));
  json.insert(QStringLiteral("DelayMinutes"), limits.delayMinutes);
  if (s.samples > 0) {
    instant("MinimumTime", p.SampleSeconds(s.minimumIndex));
    instant("MaximumTime", p.SampleSeconds(s.maximumIndex));
    json.insert(QStringLiteral("StandardDeviation"),
                s.standardDeviation ? QJsonValue(std::round(*s.standardDeviation * 1000) / 1000)
                                    : QJsonValue());
    json.insert(QStringLiteral("MeanKinetic"), std::round(s.meanKinetic * 1000) / 1000);
  }
  json.insert(QStringLiteral("TimeBelow"), static_cast<double>(s.secondsBelow / 60));
  json.insert(QStringLiteral("TimeAbove"), static_cast<double>(s.secondsAbove / 60));
  json.insert(QStringLiteral("Excursions"), static_cast<int>(s.excursions.size()));
  if (s.longest) {
    instant("LongestStart", s.longest->startSeconds);
    instant("LongestEnd", s.longest->endSeconds);
    json.insert(QStringLiteral("LongestMinutes"), static_cast<double>(s.longest->Seconds() / 60));
  }
  json.insert(QStringLiteral("Verdict"), QString::fromLatin1(VerdictText(s.verdict)));
  if (!s.note.empty()) json.insert(QStringLiteral("Note"), QString::fromStdString(s.note));
  return json;
}

void PrintStatistics(std::ostream& out, const TProbeRecord& record, const TemperatureLimits& limits,
                     const RecordStatistics& statistics) {
  figures::FigureRows rows = figures::LimitsRows(limits);
  const figures::FigureRows more = figures::StatisticsRows(record, limits, statistics);
  rows.insert(rows.end(), more.begin(), more.end());
  Fields fields;
  int width = kLabelWidth;
  for (const figures::FigureRow& row : rows) {
    fields.push_back({QString(), row.caption + QStringLiteral(" :"), row.text, {}});
    width = std::max(width, static_cast<int>(row.caption.size()) + 3);
  }
  const QString verdict = QString::fromLatin1(VerdictText(statistics.verdict));
  fields.push_back({QString(), QStringLiteral("Verdict :"), verdict, {}});
  if (!statistics.note.empty()) {
    fields.push_back(
        {QString(), QStringLiteral("Note :"), QString::fromStdString(statistics.note), {}});
  }
  PrintText(out, fields, width);
}

QJsonObject ToJson(const Fields& fields) {
  QJsonObject object;
  for (const Field& field : fields) {
    if (field.key.isEmpty()) continue;
    object.insert(field.key, field.json);
    if (!field.iso.isUndefined()) object.insert(field.key + QStringLiteral("Iso"), field.iso);
  }
  return object;
}

void PrintJson(std::ostream& out, const QJsonObject& object) {
  out << QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace ombrix::cli
