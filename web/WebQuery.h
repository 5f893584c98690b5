#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Archive.h"

// What a request may ask, read from its query text and checked before the archive is asked:
// known keys only, each once, each value of bounded length and of its own form.
namespace ombrix::web {

// The longest request target (path and query) served, and the longest value of one query key.
constexpr int kMaxTarget = 2048;
constexpr int kMaxValue = 100;
constexpr std::int64_t kPageSize = 50;
constexpr std::int64_t kMaxPage = 1'000'000;

// The query "a=1&b=x%20y" as its pairs, percent-decoded ('+' is a blank), as UTF-8. False with
// the reason for a malformed escape, text that is not UTF-8 or holds control characters, an
// empty key, a value longer than kMaxValue characters or a key given twice.
bool SplitQuery(QByteArrayView query, std::vector<std::pair<QString, QString>>& pairs,
                QString& error);

// The filters of the Downloads page, as the Archive window has them: a serial number (either form
// people write it in), a text in name, comment or serial number, and a download date range
// (inclusive days in the program's time, yyyy-MM-dd as a date field sends it); and the page.
struct DownloadsQuery {
  QString serialText;  // as given, for the form
  std::optional<std::uint64_t> serial;
  QString text;
  std::optional<QDate> from, to;
  std::int64_t page = 1;
};
bool ParseDownloadsQuery(QByteArrayView query, DownloadsQuery& downloads, QString& error);
// The archive's filter of that page: kPageSize entries, newest first.
ArchiveFilter FilterOf(const DownloadsQuery& downloads);
// The query text of the same filters on another page, percent-encoded ("serial=..&page=2").
QString QueryText(const DownloadsQuery& downloads, std::int64_t page);

// A path "/entry/N" or "/entry/N/SUFFIX": the entry number (1 or more, at most 18 digits) and the
// suffix ("" for none). False for any other path.
bool ParseEntryPath(QStringView path, std::int64_t& id, QString& suffix);

}  // namespace ombrix::web
