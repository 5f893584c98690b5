#include "Pages.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "CaptionSource.h"
#include "FigureTexts.h"
#include "Html.h"
#include "RecordFile.h"
#include "SignatureText.h"
#include "SvgGraph.h"

namespace ombrix::web {

std::optional<Verdict> ListedVerdict(const ArchiveEntry& e, const TemperatureLimits& limits) {
  if (e.samples == 0) return Verdict::kNoSamples;
  if (!limits.Any()) return Verdict::kNoLimits;
  // A sample beyond a limit lies beyond the minimum or maximum; with no delay, a run of one
  // sample is an excursion already.
  const bool beyond =
      (limits.high && e.maximum > *limits.high) || (limits.low && e.minimum < *limits.low);
  if (!beyond) return Verdict::kWithin;
  if (limits.delayMinutes <= 0) return Verdict::kOutside;
  return std::nullopt;
}

namespace {

// The archive's answer for an id it does not hold.
bool IsUnknownEntry(const std::string& error) {
  return error.rfind("There is no entry ", 0) == 0;
}

Page ArchiveErrorPage(const std::string& error) {
  return ErrorPage(500, QStringLiteral("The archive cannot be read"),
                   QString::fromStdString(error));
}

QString VerdictBadge(Verdict verdict) {
  return QStringLiteral("<span class=\"verdict %1\">%2</span>")
      .arg(QLatin1String(VerdictClass(verdict)), Escape(figures::VerdictHeading(verdict)));
}

QString Signatures(const QStringList& lines) {
  if (lines.isEmpty()) return QStringLiteral("<span class=\"sig\">none</span>");
  QString html;
  for (const QString& line : lines)
    html += QStringLiteral("<div class=\"sig\">%1</div>").arg(Escape(line));
  return html;
}

// The label of a Status page field as the window shows it.
QString Caption(const char* component) {
  static const StatusPageCaptions captions;
  QString caption = QString::fromStdString(captions.Caption(component));
  if (caption.endsWith(u':')) caption.chop(1);
  return caption.trimmed();
}

QString Row(const QString& label, const QString& htmlValue) {
  return QStringLiteral("<tr><th>%1</th><td>%2</td></tr>\n").arg(Escape(label), htmlValue);
}

QString TimeOrNone(TDateTime value, std::int64_t seconds) {
  return value == 0 ? QString() : InstantText(seconds);
}

// The verdict of a listed download: from its listing columns, or else from its samples, loaded
// into `record`.
bool VerdictOf(TArchive& archive, const ArchiveEntry& e, const TemperatureLimits& limits,
               TProbeRecord& record, Verdict& verdict, std::string& error) {
  if (const std::optional<Verdict> listed = ListedVerdict(e, limits)) {
    verdict = *listed;
    return true;
  }
  if (!archive.Load(e.id, record, nullptr, error)) return false;
  verdict = ComputeStatistics(record, limits).verdict;
  return true;
}

QString Filters(const DownloadsQuery& q) {
  const auto input = [](const char* name, const char* label, const char* type,
                        const QString& value) {
    return QStringLiteral(
               "<label>%1 <input name=\"%2\" type=\"%3\" maxlength=\"%4\" value=\"%5\"></label>\n")
        .arg(QLatin1String(label), QLatin1String(name), QLatin1String(type))
        .arg(kMaxValue)
        .arg(Escape(value));
  };
  QString form = QStringLiteral("<form class=\"filter\" method=\"get\" action=\"/\">\n");
  form += input("serial", "Serial number", "text", q.serialText);
  form += input("text", "Text", "search", q.text);
  form +=
      input("from", "Downloaded from", "date", q.from ? q.from->toString(Qt::ISODate) : QString());
  form += input("to", "to", "date", q.to ? q.to->toString(Qt::ISODate) : QString());
  form += QStringLiteral("<button type=\"submit\">Filter</button> <a href=\"/\">All</a></form>\n");
  return form;
}

}  // namespace

Page ErrorPage(int status, const QString& title, const QString& message) {
  Page page;
  page.status = status;
  page.body =
      Document(title, Section::kNone,
               QStringLiteral("<p class=\"error\">%1</p>\n<p><a href=\"/\">Downloads</a></p>\n")
                   .arg(Escape(message)));
  return page;
}

Page DownloadsPage(TArchive& archive, const DownloadsQuery& query, const LimitsOf& limitsOf) {
  const ArchiveFilter filter = FilterOf(query);
  std::int64_t count = 0;
  std::vector<ArchiveEntry> entries;
  std::string error;
  if (!archive.Count(filter, count, error) || !archive.List(filter, entries, error)) {
    return ArchiveErrorPage(error);
  }
  const std::int64_t pages = std::max<std::int64_t>(1, (count + kPageSize - 1) / kPageSize);
  QString body = Filters(query);
  body += QStringLiteral("<p>%1 %2</p>\n")
              .arg(count)
              .arg(count == 1 ? QStringLiteral("download") : QStringLiteral("downloads"));
  body +=
      QStringLiteral(
          "<div class=\"scroll\"><table>\n<thead><tr><th>Id</th><th>%1</th><th>%2</th><th>%3</th>"
          "<th>%4</th><th>Samples</th><th>Minimum</th><th>Maximum</th><th>Verdict</th>"
          "<th>Signatures</th></tr></thead>\n<tbody>\n")
          .arg(Escape(Caption("StatusSerialNumber")), Escape(Caption("StatusName")),
               Escape(Caption("StatusMissionStart")), Escape(Caption("StatusDownloadTime")));
  auto record = std::make_unique<TProbeRecord>();
  for (const ArchiveEntry& e : entries) {
    Verdict verdict = Verdict::kNoSamples;
    QStringList signatures;
    if (!VerdictOf(archive, e, limitsOf(e.serialNumber), *record, verdict, error) ||
        !SignatureTexts(archive, e.id, signatures, error)) {
      return ArchiveErrorPage(error);
    }
    const bool any = e.samples > 0;
    body += QStringLiteral(
                "<tr><td class=\"num\"><a href=\"/entry/%1\">%1</a></td><td>%2</td><td>%3</td>"
                "<td>%4</td><td>%5</td><td class=\"num\">%6</td><td class=\"num\">%7</td>"
                "<td class=\"num\">%8</td><td>%9</td>")
                .arg(QString::number(e.id), Escape(figures::SerialNumber(e.serialNumber)),
                     Escape(ProbeText(e.name)),
                     e.missionStart != 0 ? Escape(InstantText(e.missionStartSeconds)) : QString(),
                     Escape(InstantText(e.downloadSeconds)), QString::number(e.samples),
                     any ? Escape(figures::Celsius(e.minimum)) : QString(),
                     any ? Escape(figures::Celsius(e.maximum)) : QString(), VerdictBadge(verdict));
    body += QStringLiteral("<td>%1</td></tr>\n").arg(Signatures(signatures));
  }
  body += QStringLiteral("</tbody></table></div>\n<p class=\"pages\">");
  if (query.page > 1) {
    body += QStringLiteral("<a rel=\"prev\" href=\"/?%1\">Newer</a>")
                .arg(Escape(QueryText(query, query.page - 1)));
  }
  body += QStringLiteral("<span>Page %1 of %2</span>").arg(query.page).arg(pages);
  if (query.page < pages) {
    body += QStringLiteral("<a rel=\"next\" href=\"/?%1\">Older</a>")
                .arg(Escape(QueryText(query, query.page + 1)));
  }
  body += QStringLiteral("</p>\n");
  Page page;
  page.body = Document(QStringLiteral("Downloads"), Section::kDownloads, body);
  return page;
}

Page EntryPage(TArchive& archive, std::int64_t id, const LimitsOf& limitsOf) {
  auto record = std::make_unique<TProbeRecord>();
  ArchiveEntry e;
  QStringList signatures;
  std::string error;
  if (!archive.Load(id, *record, &e, error)) {
    if (IsUnknownEntry(error)) {
      return ErrorPage(404, QStringLiteral("No such download"), QString::fromStdString(error));
    }
    return ArchiveErrorPage(error);
  }
  if (!SignatureTexts(archive, id, signatures, error)) return ArchiveErrorPage(error);
  const TemperatureLimits limits = limitsOf(record->SerialNumber);
  const RecordStatistics statistics = ComputeStatistics(*record, limits);
  const TProbeRecord& r = *record;

  QString body =
      QStringLiteral("<p>%1 <a href=\"/entry/%2/record.omx\">Record file (.omx)</a></p>\n")
          .arg(VerdictBadge(statistics.verdict))
          .arg(id);
  if (e.changed) {
    body += QStringLiteral(
        "<p class=\"error\">Changed after it was saved: not the readings as they were "
        "downloaded</p>\n");
  }
  body += QStringLiteral("<h2>Status</h2>\n<div class=\"scroll\"><table>\n");
  body += Row(Caption("StatusSerialNumber"), Escape(figures::SerialNumber(r.SerialNumber)));
  body += Row(Caption("StatusName"), Escape(ProbeText(r.Name)));
  body += Row(Caption("StatusComment"), Escape(ProbeText(r.Comment)));
  body +=
      Row(Caption("StatusMissionStart"), Escape(TimeOrNone(r.MissionStart, r.MissionStartSeconds)));
  body += Row(Caption("StatusStartTime"), Escape(TimeOrNone(r.StartTime, r.StartSeconds)));
  body += Row(Caption("StatusDownloadTime"), Escape(InstantText(e.downloadSeconds)));
  body += Row(Caption("StatusMissionSamples"), QString::number(r.MissionSamples));
  body +=
      Row(Caption("StatusSampleRate"),
          QString::number(r.SampleRate) + (r.Test ? QStringLiteral(" s") : QStringLiteral(" min")));
  body += Row(Caption("StatusSamplesTotal"), QString::number(r.SamplesTotal));
  body += Row(Caption("StatusMissionInProgressLed"),
              r.MissionInProgress ? QStringLiteral("yes") : QStringLiteral("no"));
  body += Row(Caption("StatusRolloverEnableLed"),
              r.RolloverEnable ? QStringLiteral("yes") : QStringLiteral("no"));
  body += Row(Caption("StatusRolloverOccuredLed"),
              r.RolloverOccured ? QStringLiteral("yes") : QStringLiteral("no"));
  body += Row(Caption("StatusTestLed"), r.Test ? QStringLiteral("yes") : QStringLiteral("no"));
  body += QStringLiteral("</table></div>\n<h2>Archive</h2>\n<div class=\"scroll\"><table>\n");
  body += Row(QStringLiteral("Archive entry"), QString::number(id));
  body += Row(QStringLiteral("Stored by"),
              Escape(QString::fromStdString(e.provenance.user + "@" + e.provenance.workstation +
                                            ", " + e.provenance.source)));
  body += Row(QStringLiteral("Stored"), Escape(InstantText(e.storedSeconds)));
  body += Row(QStringLiteral("Adapter"), Escape(QString::fromStdString(e.provenance.adapter)));
  body += Row(QStringLiteral("Content hash"), Escape(QString::fromStdString(e.contentHash)));
  body += Row(QStringLiteral("Signatures"), Signatures(signatures));
  body += QStringLiteral("</table></div>\n<h2>Statistics</h2>\n<div class=\"scroll\"><table>\n");
  for (const figures::FigureRows& rows :
       {figures::LimitsRows(limits), figures::StatisticsRows(r, limits, statistics)}) {
    for (const figures::FigureRow& row : rows) {
      QString caption = row.caption;
      if (caption.endsWith(u':')) caption.chop(1);
      body += Row(caption.trimmed(), Escape(row.text));
    }
  }
  body += QStringLiteral("</table></div>\n<h2>Excursions</h2>\n");
  if (statistics.excursions.empty()) {
    body += QStringLiteral("<p>None.</p>\n");
  } else {
    body += QStringLiteral(
        "<div class=\"scroll\"><table>\n<thead><tr><th>Limit</th><th>From</th><th>Until</th>"
        "<th>Duration</th></tr></thead>\n<tbody>\n");
    for (const Excursion& x : statistics.excursions) {
      body += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>\n")
                  .arg(x.above ? QStringLiteral("above") : QStringLiteral("below"),
                       Escape(InstantText(x.startSeconds)), Escape(InstantText(x.endSeconds)),
                       Escape(figures::Duration(x.Seconds())));
    }
    body += QStringLiteral("</tbody></table></div>\n");
  }
  body += QStringLiteral("<h2>Graph</h2>\n") + SvgGraph(r, limits);
  Page page;
  page.body = Document(QStringLiteral("Download %1: %2").arg(id).arg(ProbeText(r.Name)),
                       Section::kNone, body);
  return page;
}

Page ProbesPage(TArchive& archive, const LimitsOf& limitsOf) {
  // The kProbeVerdicts newest downloads of each probe, asked probe by probe so that the rest of the
  // archive is not read, whatever its size; the probes in the order of their newest download.
  std::vector<std::uint64_t> serials;
  std::vector<std::vector<ArchiveEntry>> probes;
  std::string error;
  if (!archive.Serials(serials, error)) return ArchiveErrorPage(error);
  for (const std::uint64_t serial : serials) {
    ArchiveFilter filter;
    filter.serialNumber = serial;
    filter.limit = kProbeVerdicts;
    std::vector<ArchiveEntry> newest;
    if (!archive.List(filter, newest, error)) return ArchiveErrorPage(error);
    if (!newest.empty()) probes.push_back(std::move(newest));
  }
  std::sort(probes.begin(), probes.end(), [](const auto& a, const auto& b) {
    return std::pair(a.front().downloadSeconds, a.front().id) >
           std::pair(b.front().downloadSeconds, b.front().id);
  });
  QString body = QStringLiteral("<p>%1 %2</p>\n")
                     .arg(probes.size())
                     .arg(probes.size() == 1 ? QStringLiteral("probe") : QStringLiteral("probes"));
  body += QStringLiteral(
              "<div class=\"scroll\"><table>\n<thead><tr><th>%1</th><th>%2</th>"
              "<th>Last download</th><th>Mission</th><th>%3</th><th>Last verdicts</th></tr>"
              "</thead>\n<tbody>\n")
              .arg(Escape(Caption("StatusSerialNumber")), Escape(Caption("StatusName")),
                   Escape(Caption("StatusSamplesTotal")));
  auto record = std::make_unique<TProbeRecord>();
  for (const std::vector<ArchiveEntry>& newest : probes) {
    const ArchiveEntry& last = newest.front();
    QString verdicts;
    // Its mission state is the newest download's, which the listing columns do not hold.
    if (!archive.Load(last.id, *record, nullptr, error)) return ArchiveErrorPage(error);
    const bool running = record->MissionInProgress;
    const std::int32_t samplesTotal = record->SamplesTotal;
    for (const ArchiveEntry& e : newest) {
      Verdict verdict = Verdict::kNoSamples;
      if (!VerdictOf(archive, e, limitsOf(e.serialNumber), *record, verdict, error)) {
        return ArchiveErrorPage(error);
      }
      verdicts +=
          QStringLiteral("<a href=\"/entry/%1\">%2</a> ").arg(e.id).arg(VerdictBadge(verdict));
    }
    const QString serial = figures::SerialNumber(last.serialNumber);
    body += QStringLiteral(
                "<tr><td><a href=\"/?serial=%1\">%2</a></td><td>%3</td><td><a "
                "href=\"/entry/%4\">%5</a></td><td>%6</td><td class=\"num\">%7</td><td>%8</td>"
                "</tr>\n")
                .arg(QString::fromLatin1(QUrl::toPercentEncoding(serial)), Escape(serial),
                     Escape(ProbeText(last.name)), QString::number(last.id),
                     Escape(InstantText(last.downloadSeconds)),
                     running ? QStringLiteral("running") : QStringLiteral("stopped"),
                     QString::number(samplesTotal), verdicts);
  }
  body += QStringLiteral("</tbody></table></div>\n");
  Page page;
  page.body = Document(QStringLiteral("Probes"), Section::kProbes, body);
  return page;
}

Page RecordFilePage(TArchive& archive, std::int64_t id) {
  auto record = std::make_unique<TProbeRecord>();
  std::string error;
  if (!archive.Load(id, *record, nullptr, error)) {
    if (IsUnknownEntry(error)) {
      return ErrorPage(404, QStringLiteral("No such download"), QString::fromStdString(error));
    }
    return ArchiveErrorPage(error);
  }
  // The record file is written as archive export writes it, into a folder of this process's own.
  QTemporaryDir folder;
  const QString file = folder.filePath(QStringLiteral("record.omx"));
  QFile written(file);
  if (!folder.isValid() || !SaveToFile(*record, file, &error) ||
      !written.open(QIODevice::ReadOnly)) {
    return ErrorPage(500, QStringLiteral("The record file cannot be written"),
                     QString::fromStdString(error));
  }
  Page page;
  page.contentType = "application/octet-stream";
  page.body = written.readAll();
  page.fileName = "entry-" + QByteArray::number(id) + ".omx";
  return page;
}

}  // namespace ombrix::web
