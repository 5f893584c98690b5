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
// withText false: the text filter is refused (the Audit trail page has none).
bool ParseDownloadsQuery(QByteArrayView query, DownloadsQuery& downloads, QString& error,
                         bool withText = true);
// The archive's filter of that page: kPageSize entries, newest first.
ArchiveFilter FilterOf(const DownloadsQuery& downloads);
// The audit trail's filter of that page: newest first, kPageSize rows and one more, which tells
// whether an older page follows.
AuditFilter AuditFilterOf(const DownloadsQuery& downloads);
// The query text of the same filters on another page, percent-encoded ("serial=..&page=2").
QString QueryText(const DownloadsQuery& downloads, std::int64_t page);

// The part of an entry's samples its graph shows: sample numbers first to last, counted from 1,
// inclusive (query "first=K&last=M"); none given: all of them.
struct GraphWindow {
  int first = 0, last = 0;  // 0, 0: all
};
bool ParseGraphQuery(QByteArrayView query, GraphWindow& window, QString& error);

// A path "/entry/N" or "/entry/N/SUFFIX": the entry number (1 or more, at most 18 digits) and the
// suffix ("" for none). False for any other path.
bool ParseEntryPath(QStringView path, std::int64_t& id, QString& suffix);

}  // namespace ombrix::web
