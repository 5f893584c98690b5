#pragma once

// A site's archive for the benchmarks: a series of full downloads from 40 probes, stored as the
// program stores them.
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "Archive.h"
#include "ArchiveRecords.h"

namespace ombrix::bench {

constexpr int kSiteProbes = 40;
constexpr std::int64_t kSiteFirstDownload = 1'700'000'000;  // November 2023

// The index-th download of a site's series: one of 40 probes, each download a full log read
// about five minutes after the one before, its log differing from every other.
inline std::unique_ptr<TProbeRecord> SiteRecord(int index) {
  const int probe = index % kSiteProbes;
  const std::int64_t downloaded = kSiteFirstDownload + 300LL * index;
  auto record =
      ombrix::testing::MakeRecord(0x2800000000004000ULL + static_cast<std::uint64_t>(probe),
                                  "Cold room " + std::to_string(probe), downloaded - 8000 * 600,
                                  TProbeRecord::kLogSize, downloaded, probe);
  for (int i = 0; i < 3; ++i) record->LogBuffer[i] = static_cast<std::uint8_t>(index >> (8 * i));
  record->DecodeLog();
  return record;
}

// Stores the first `entries` downloads of the series, one transaction each, without waiting for
// the disk on SQLite; progress on stderr every 10,000.
inline bool FillSite(TArchive& archive, int entries, const char* program, std::string& error) {
  if (!archive.Open(error)) return false;
  if (archive.Location().kind == ArchiveLocation::Kind::kSqlite) {
    QSqlQuery pragma(QSqlDatabase::database(QString::fromStdString(archive.ConnectionName())));
    if (!pragma.exec(QStringLiteral("PRAGMA synchronous = OFF"))) {
      error = "PRAGMA synchronous = OFF failed";
      return false;
    }
  }
  const ArchiveProvenance provenance =
      CurrentProvenance("Ombrix adapter (USB serial OMX1)", "download", program);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < entries; ++i) {
    StoreResult result;
    if (!archive.Store(*SiteRecord(i), provenance, result, error)) return false;
    if (result.duplicate) {
      error = "download " + std::to_string(i) + " was taken for a duplicate";
      return false;
    }
    if ((i + 1) % 10'000 == 0) {
      const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
      std::fprintf(stderr, "  %d stored, %.0f s\n", i + 1, spent.count());
    }
  }
  return true;
}

// The site's archive of `entries` downloads at location: the one kept there from an earlier run
// (read only, and only when it holds that many: a filling cut short is refused, not timed), else
// filled anew. False with a message on stderr.
inline bool KeptOrFilledSite(const ArchiveLocation& location, bool keep, int entries,
                             const char* program) {
  std::string error;
  if (keep && QFileInfo::exists(QString::fromStdString(location.path))) {
    TArchive archive(location);
    archive.SetReadOnly(true);
    std::int64_t count = 0;
    if (archive.Count({}, count, error) && count == entries) return true;
    std::fprintf(stderr, "%s holds %lld entries, not %d: remove it to fill it anew. %s\n",
                 location.path.c_str(), static_cast<long long>(count), entries, error.c_str());
    return false;
  }
  std::fprintf(stderr, "Filling %s with %d downloads\n", location.path.c_str(), entries);
  TArchive archive(location);
  if (FillSite(archive, entries, program, error)) return true;
  std::fprintf(stderr, "%s\n", error.c_str());
  return false;
}

}  // namespace ombrix::bench
