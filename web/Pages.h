#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

#include "Archive.h"
#include "Statistics.h"
#include "WebQuery.h"

// The pages of the web view, each built from what the archive holds now. The archive is only read.
namespace ombrix::web {

// The limits a probe's records are judged by (the settings' [Limits] for that serial number).
using LimitsOf = std::function<TemperatureLimits(std::uint64_t serial)>;

// The verdict of a listed download where its listing columns (samples, minimum, maximum) decide
// it, equal to the verdict of its samples (ComputeStatistics); none where only its samples can
// tell: a download beyond a limit that allows a delay. The listing pages judge by it.
std::optional<Verdict> ListedVerdict(const ArchiveEntry& entry, const TemperatureLimits& limits);

// A page or file as the site answers it; HTTP is added by WebSite.
struct Page {
  int status = 200;
  QByteArray contentType = "text/html; charset=utf-8";
  QByteArray body;
  QByteArray fileName;  // a download: the name the browser saves it as
};

Page ErrorPage(int status, const QString& title, const QString& message);

// The archive list with the Archive window's filters, newest first, kPageSize a page, each
// download with its verdict in colour and its signatures.
Page DownloadsPage(TArchive& archive, const DownloadsQuery& query, const LimitsOf& limitsOf);
// The printed report of a record as a PDF document, with the signatures of its entry; false with
// the reason when it cannot be made. The report is laid out by widgets, which this layer has not.
using ReportMaker =
    std::function<bool(const TProbeRecord& record, const TemperatureLimits& limits,
                       const QStringList& signatures, QByteArray& pdf, std::string& error)>;

// One download: status fields, where it came from, statistics, excursions, the graph of the
// window's samples with its limit lines and links to zoom it, the signatures, and the links to
// its record file, CSV, text export and (when withReport) PDF report.
Page EntryPage(TArchive& archive, std::int64_t id, const LimitsOf& limitsOf,
               const GraphWindow& window = {}, bool withReport = false);
// One row per probe (serial number): its newest download, whether its mission was running then,
// its samples total then, and the verdicts of its kProbeVerdicts newest downloads, newest first.
constexpr int kProbeVerdicts = 5;
Page ProbesPage(TArchive& archive, const LimitsOf& limitsOf);
// A file of the entry, as the program writes it: the record file (.omx) as archive export does,
// the CSV, the tab-separated text export, the PDF report (made by report).
enum class EntryFile { kRecord, kCsv, kText, kReport };
Page EntryFilePage(TArchive& archive, std::int64_t id, EntryFile file, const LimitsOf& limitsOf,
                   const ReportMaker& report);
// Verification of the whole archive (every entry, signature and audit row, as archive verify
// does it): the last one done, when it began, and since when one runs now, if one does.
struct Verification {
  std::int64_t atSeconds = 0;
  TArchive::VerifyReport report;
  std::string error;  // the archive could not be read: no report
};
struct VerificationState {
  std::optional<Verification> last;
  std::optional<std::int64_t> runningSince;
};
// The audit trail, newest row first, kPageSize rows a page, filtered by probe serial number and
// date range (the query's text is refused), headed by the state of the verification and the link
// that starts one.
Page AuditPage(TArchive& archive, const DownloadsQuery& query, const VerificationState& state);
// The state of the verification with each fault and each note of the last one.
Page VerificationPage(const VerificationState& state);

}  // namespace ombrix::web
