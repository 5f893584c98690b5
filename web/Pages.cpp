#include "Pages.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "CaptionSource.h"
#include "CodePage.h"
#include "CsvExport.h"
#include "Dataexport.h"
#include "FigureTexts.h"
#include "Html.h"
#include "RecordFile.h"
#include "SignatureText.h"
#include "StatusFields.h"
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

// The entry's record, or the page that says why there is none.
std::optional<Page> LoadEntry(TArchive& archive, std::int64_t id, TProbeRecord& record,
                              ArchiveEntry* entry) {
  std::string error;
  if (archive.Load(id, record, entry, error)) return std::nullopt;
  if (IsUnknownEntry(error)) {
    return ErrorPage(404, QStringLiteral("No such download"), QString::fromStdString(error));
  }
  return ArchiveErrorPage(error);
}

// UTF-8 text of the archive (audit rows), escaped; line breaks kept.
QString Text(const std::string& utf8) {
  return Escape(QString::fromStdString(utf8));
}
QString Lines(const std::string& utf8) {
  return Text(utf8).replace(u'\n', QStringLiteral("<br>"));
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

// A status field as a row, its label without the colon; a time with its UTC offset. A field
// that is a label only (the recording state) fills the row; one without a label is for scripts.
QString FieldRow(const Field& field) {
  if (field.label.isEmpty()) return QString();
  if (field.labelOnly) {
    return QStringLiteral("<tr><td colspan=\"2\">%1</td></tr>\n").arg(Escape(field.label));
  }
  QString label = field.label;
  if (label.endsWith(u':')) label.chop(1);
  QString text = field.text;
  if (field.iso.isString()) text += QStringLiteral(" UTC") + field.iso.toString().right(6);
  return Row(label.trimmed(), Escape(text));
}

QString Input(const char* name, const char* label, const char* type, const QString& value) {
  return QStringLiteral(
             "<label>%1 <input name=\"%2\" type=\"%3\" maxlength=\"%4\" value=\"%5\"></label>\n")
      .arg(QLatin1String(label), QLatin1String(name), QLatin1String(type))
      .arg(kMaxValue)
      .arg(Escape(value));
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
  QString form = QStringLiteral("<form class=\"filter\" method=\"get\" action=\"/\">\n");
  form += Input("serial", "Serial number", "text", q.serialText);
  form += Input("text", "Text", "search", q.text);
  form +=
      Input("from", "Downloaded from", "date", q.from ? q.from->toString(Qt::ISODate) : QString());
  form += Input("to", "to", "date", q.to ? q.to->toString(Qt::ISODate) : QString());
  form += QStringLiteral("<button type=\"submit\">Filter</button> <a href=\"/\">All</a></form>\n");
  return form;
}

QString AuditFilters(const DownloadsQuery& q) {
  QString form = QStringLiteral("<form class=\"filter\" method=\"get\" action=\"/audit\">\n");
  form += Input("serial", "Serial number", "text", q.serialText);
  form += Input("from", "From", "date", q.from ? q.from->toString(Qt::ISODate) : QString());
  form += Input("to", "to", "date", q.to ? q.to->toString(Qt::ISODate) : QString());
  form +=
      QStringLiteral("<button type=\"submit\">Filter</button> <a href=\"/audit\">All</a></form>\n");
  return form;
}

// The graph of the window's samples, with links that show half of it, twice as much, the half
// before or after it and all samples. The links are plain addresses: the page runs no script.
QString GraphWithZoom(const TProbeRecord& r, const TemperatureLimits& limits, std::int64_t id,
                      const GraphWindow& window) {
  const int n = r.HeldSamples();
  if (n == 0) return SvgGraph(r, limits);
  const int first = window.first == 0 ? 1 : std::min(window.first, n);
  const int last = window.last == 0 ? n : std::clamp(window.last, first, n);
  const int length = last - first + 1;
  QString links =
      QStringLiteral("<p class=\"zoom\">Samples %1 to %2 of %3").arg(first).arg(last).arg(n);
  const auto link = [&](const char* text, int from, int to) {
    from = std::max(from, 1);
    to = std::min(to, n);
    if (to < from || (from == first && to == last)) return;
    const QString query = from == 1 && to == n
                              ? QString()
                              : QStringLiteral("?first=%1&amp;last=%2").arg(from).arg(to);
    links +=
        QStringLiteral(" <a href=\"/entry/%1%2\">%3</a>").arg(id).arg(query, QLatin1String(text));
  };
  if (length >= 4) link("Zoom in", first + length / 4, first + length / 4 + length / 2 - 1);
  link("Zoom out", first - length / 2, last + length / 2);
  const int back = std::min(length / 2, first - 1), on = std::min(length / 2, n - last);
  if (back > 0) link("Earlier", first - back, last - back);
  if (on > 0) link("Later", first + on, last + on);
  link("All samples", 1, n);
  links += QStringLiteral("</p>\n");
  return links + SvgGraph(r, limits, first - 1, last - 1);
}

// "Verified <time>: <verdict> (<counts>)", the verdict in colour; and whether one runs now.
QString VerificationText(const VerificationState& state) {
  QString text;
  if (state.runningSince) {
    text += QStringLiteral("<p>Verifying the whole archive since %1 &#8230;</p>\n")
                .arg(Escape(InstantText(*state.runningSince)));
  }
  if (!state.last) {
    if (!state.runningSince)
      text += QStringLiteral("<p>Not verified since the view started.</p>\n");
    return text;
  }
  const Verification& v = *state.last;
  if (!v.error.empty()) {
    return text + QStringLiteral("<p class=\"error\">Verification begun %1 failed: %2</p>\n")
                      .arg(Escape(InstantText(v.atSeconds)), Text(v.error));
  }
  const std::size_t faults = v.report.faults.size();
  const QString verdict =
      faults == 0 ? QStringLiteral("<span class=\"verdict within\">all hold</span>")
                  : QStringLiteral("<span class=\"verdict outside\">%1 %2</span>")
                        .arg(faults)
                        .arg(faults == 1 ? QStringLiteral("fault") : QStringLiteral("faults"));
  return text +
         QStringLiteral("<p>Verified %1: %2 (%3 entries, %4 signatures and %5 audit rows).</p>\n")
             .arg(Escape(InstantText(v.atSeconds)), verdict)
             .arg(v.report.entries)
             .arg(v.report.signatures)
             .arg(v.report.rows);
}

// The line under a paged list: the newer page, this one (of how many, where known), the older.
QString PageLinks(const char* path, const DownloadsQuery& query, bool older, const QString& of) {
  QString links = QStringLiteral("<p class=\"pages\">");
  const auto link = [&](const char* rel, std::int64_t page, const char* text) {
    links += QStringLiteral("<a rel=\"%1\" href=\"%2?%3\">%4</a>")
                 .arg(QLatin1String(rel), QLatin1String(path), Escape(QueryText(query, page)),
                      QLatin1String(text));
  };
  if (query.page > 1) link("prev", query.page - 1, "Newer");
  links += QStringLiteral("<span>Page %1%2</span>").arg(query.page).arg(of);
  if (older) link("next", query.page + 1, "Older");
  return links + QStringLiteral("</p>\n");
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
  body += QStringLiteral("</tbody></table></div>\n");
  body += PageLinks("/", query, query.page < pages, QStringLiteral(" of %1").arg(pages));
  Page page;
  page.body = Document(QStringLiteral("Downloads"), Section::kDownloads, body);
  return page;
}

Page EntryPage(TArchive& archive, std::int64_t id, const LimitsOf& limitsOf,
               const GraphWindow& window, bool withReport) {
  auto record = std::make_unique<TProbeRecord>();
  ArchiveEntry e;
  QStringList signatures;
  std::string error;
  if (std::optional<Page> failed = LoadEntry(archive, id, *record, &e)) return *failed;
  if (!SignatureTexts(archive, id, signatures, error)) return ArchiveErrorPage(error);
  const TemperatureLimits limits = limitsOf(record->SerialNumber);
  const RecordStatistics statistics = ComputeStatistics(*record, limits);
  const TProbeRecord& r = *record;

  QString body =
      QStringLiteral("<p>%1</p>\n<p class=\"links\">").arg(VerdictBadge(statistics.verdict));
  body += QStringLiteral(
              "<a href=\"/entry/%1/record.omx\">Record file (.omx)</a>"
              "<a href=\"/entry/%1/samples.csv\">CSV</a>"
              "<a href=\"/entry/%1/export.txt\">Text export</a>")
              .arg(id);
  if (withReport) {
    body += QStringLiteral("<a href=\"/entry/%1/report.pdf\">PDF report</a>").arg(id);
  }
  body += QStringLiteral("</p>\n");
  if (e.changed) {
    body += QStringLiteral(
        "<p class=\"error\">Changed after it was saved: not the readings as they were "
        "downloaded</p>\n");
  }
  body += QStringLiteral("<h2>Status</h2>\n<div class=\"scroll\"><table>\n");
  for (const Field& field : RecordFields(r)) body += FieldRow(field);
  body += QStringLiteral("</table></div>\n<h2>Archive</h2>\n<div class=\"scroll\"><table>\n");
  for (const Field& field : ArchiveEntryFields(e)) {
    if (field.key == u"ContentHash") {
      body += Row(QStringLiteral("Content hash"),
                  QStringLiteral("<span class=\"hash\">%1</span>").arg(Escape(field.text)));
      continue;
    }
    body += FieldRow(field);
    if (field.key == u"StoredBy") {
      body += Row(QStringLiteral("Stored"), Escape(InstantText(e.storedSeconds)));
    }
  }
  body += Row(QStringLiteral("Signatures"), Signatures(signatures));
  body += QStringLiteral("</table></div>\n<h2>Statistics</h2>\n<div class=\"scroll\"><table>\n");
  for (const figures::FigureRows& rows :
       {figures::LimitsRows(limits), figures::StatisticsRows(r, limits, statistics, InstantText)}) {
    for (const figures::FigureRow& row : rows) {
      QString caption = row.caption;
      if (caption.endsWith(u':')) caption.chop(1);
      body += Row(caption.trimmed(), Escape(row.text));
    }
  }
  body += QStringLiteral("</table></div>\n<h2>Graph</h2>\n") + GraphWithZoom(r, limits, id, window);
  body += QStringLiteral("<h2>Excursions</h2>\n");
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

Page EntryFilePage(TArchive& archive, std::int64_t id, EntryFile file, const LimitsOf& limitsOf,
                   const ReportMaker& report) {
  auto record = std::make_unique<TProbeRecord>();
  if (std::optional<Page> failed = LoadEntry(archive, id, *record, nullptr)) return *failed;
  const QByteArray name = "entry-" + QByteArray::number(id);
  Page page;
  std::string error;
  switch (file) {
    case EntryFile::kRecord: {
      // The record file is written as archive export writes it, into a folder of this process's
      // own.
      QTemporaryDir folder;
      const QString path = folder.filePath(QStringLiteral("record.omx"));
      QFile written(path);
      if (!folder.isValid() || !SaveToFile(*record, path, &error) ||
          !written.open(QIODevice::ReadOnly)) {
        return ErrorPage(500, QStringLiteral("The record file cannot be written"),
                         QString::fromStdString(error));
      }
      page.contentType = "application/octet-stream";
      page.body = written.readAll();
      page.fileName = name + ".omx";
      break;
    }
    case EntryFile::kCsv:
      page.contentType = "text/csv; charset=utf-8";
      page.body = QByteArray::fromStdString(CsvText({record.get()}, DefaultCodePage()));
      page.fileName = name + ".csv";
      break;
    case EntryFile::kText: {
      // Bytes of the program's code page, as the window's export writes them.
      static const StatusPageCaptions captions;
      page.contentType = "application/octet-stream";
      page.body = QByteArray::fromStdString(TDataExport(captions, *record).Text());
      page.fileName = name + ".txt";
      break;
    }
    case EntryFile::kReport: {
      QStringList signatures;
      if (!SignatureTexts(archive, id, signatures, error)) return ArchiveErrorPage(error);
      if (!report ||
          !report(*record, limitsOf(record->SerialNumber), signatures, page.body, error)) {
        return ErrorPage(500, QStringLiteral("The report cannot be made"),
                         QString::fromStdString(error));
      }
      page.contentType = "application/pdf";
      page.fileName = name + ".pdf";
      break;
    }
  }
  return page;
}

Page AuditPage(TArchive& archive, const DownloadsQuery& query, const VerificationState& state) {
  std::vector<AuditRow> rows;
  std::string error;
  if (!archive.Audit(AuditFilterOf(query), rows, error)) return ArchiveErrorPage(error);
  const bool older = rows.size() > static_cast<std::size_t>(kPageSize);
  if (older) rows.pop_back();
  QString body = AuditFilters(query);
  body += VerificationText(state);
  body += QStringLiteral("<p class=\"links\">");
  if (state.last) body += QStringLiteral("<a href=\"/audit/verification\">Details</a> ");
  if (!state.runningSince) {
    body += QStringLiteral("<a href=\"/audit/verify\">Verify the whole archive now</a>");
  }
  body += QStringLiteral("</p>\n");
  body += QStringLiteral(
      "<div class=\"scroll\"><table>\n<thead><tr><th>No.</th><th>Time</th><th>User</th>"
      "<th>Workstation</th><th>Action</th><th>Probe</th><th>Entry</th><th>Outcome</th>"
      "<th>Was</th><th>Now</th><th>Message</th><th>Row hash</th></tr></thead>\n<tbody>\n");
  for (const AuditRow& row : rows) {
    const AuditEvent& e = row.event;
    QString who = Text(row.actor.user);
    if (!row.actor.fullName.empty()) who += QStringLiteral(" (%1)").arg(Text(row.actor.fullName));
    QString where =
        Text(row.actor.workstation) + QStringLiteral(", Ombrix ") + Text(row.actor.programVersion);
    if (!row.databaseRole.empty()) where += QStringLiteral(", role ") + Text(row.databaseRole);
    body += QStringLiteral(
                "<tr><td class=\"num\">%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td>"
                "<td>%6</td><td>%7</td><td>%8</td>")
                .arg(QString::number(row.seq), Escape(InstantText(row.instantSeconds)), who, where,
                     Text(e.action), Text(e.probeSerial),
                     e.entryId != 0 ? QStringLiteral("<a href=\"/entry/%1\">%1</a>").arg(e.entryId)
                                    : QString(),
                     e.done ? QStringLiteral("done")
                            : QStringLiteral("<span class=\"error\">failed</span>"));
    body += QStringLiteral(
                "<td class=\"kv\">%1</td><td class=\"kv\">%2</td><td>%3</td>"
                "<td class=\"hash\">%4</td></tr>\n")
                .arg(Lines(e.oldValue), Lines(e.newValue), Lines(e.message), Text(row.rowHash));
  }
  body += QStringLiteral("</tbody></table></div>\n");
  body += PageLinks("/audit", query, older, QString());
  Page page;
  page.body = Document(QStringLiteral("Audit trail"), Section::kAudit, body);
  return page;
}

Page VerificationPage(const VerificationState& state) {
  QString body = VerificationText(state);
  body += QStringLiteral("<p class=\"links\"><a href=\"/audit\">Audit trail</a></p>\n");
  const TArchive::VerifyReport& report = state.last ? state.last->report : TArchive::VerifyReport{};
  if (!report.faults.empty()) {
    body += QStringLiteral("<ul>\n");
    for (const std::string& fault : report.faults) {
      body += QStringLiteral("<li class=\"error\">%1</li>\n").arg(Text(fault));
    }
    body += QStringLiteral("</ul>\n");
  }
  if (!report.notes.empty()) {
    body += QStringLiteral("<h2>Notes</h2>\n<ul>\n");
    for (const std::string& note : report.notes) {
      body += QStringLiteral("<li>%1</li>\n").arg(Text(note));
    }
    body += QStringLiteral("</ul>\n");
  }
  Page page;
  page.body = Document(QStringLiteral("Verification of the archive"), Section::kAudit, body);
  return page;
}

}  // namespace ombrix::web
