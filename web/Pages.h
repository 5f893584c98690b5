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
// One download: status fields, where it came from, statistics, excursions, the graph with its
// limit lines, the signatures, and the link to its record file.
Page EntryPage(TArchive& archive, std::int64_t id, const LimitsOf& limitsOf);
// One row per probe (serial number): its newest download, whether its mission was running then,
// its samples total then, and the verdicts of its kProbeVerdicts newest downloads, newest first.
constexpr int kProbeVerdicts = 5;
Page ProbesPage(TArchive& archive, const LimitsOf& limitsOf);
// The entry's record file (.omx) as archive export writes it.
Page RecordFilePage(TArchive& archive, std::int64_t id);

}  // namespace ombrix::web
