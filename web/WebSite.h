#pragma once

#include <QByteArray>

#include <list>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "Archive.h"
#include "Pages.h"
#include "WebUsers.h"

namespace ombrix::web {

// A request as the HTTP server hands it over.
struct WebRequest {
  QByteArray method;         // "GET", "HEAD", ...
  QByteArray target;         // path and query as sent: "/entry/3?x=1"
  QByteArray authorization;  // the Authorization header, empty when none
  qint64 bodySize = 0;
  qint64 headerBytes = 0;  // names and values of all headers together
};

// The most header bytes a request may carry (431 beyond).
constexpr qint64 kMaxHeaderBytes = 8192;

// The answer, with every header it needs; for HEAD the body is left out and Content-Length
// still gives the size of the one GET would get.
struct WebResponse {
  int status = 200;
  std::vector<std::pair<QByteArray, QByteArray>> headers;
  QByteArray body;
};

// The read-only site over one archive: routes a request to its page and adds the headers every
// answer carries. Only GET and HEAD are served (405 otherwise, with Allow); a request with a body
// (413), headers beyond kMaxHeaderBytes (431), a target longer than kMaxTarget (414) or a query out
// of bounds (400) is refused before the archive is asked. The archive should be opened read-only
// (TArchive::SetReadOnly): this class never writes, and a read-only archive makes sure nothing
// else does.
class WebSite {
 public:
  WebSite(TArchive& archive, LimitsOf limitsOf);
  // Waits for a verification that runs.
  ~WebSite();
  WebSite(const WebSite&) = delete;
  WebSite& operator=(const WebSite&) = delete;
  // From now on every request must name a login of users with its password (HTTP Basic), else
  // 401. users must outlive the site.
  void RequireUsers(WebUsers& users) { users_ = &users; }
  // Entry pages offer the PDF report made by report; without one they have no report link.
  void OfferReports(ReportMaker report) { report_ = std::move(report); }
  WebResponse Respond(const WebRequest& request);

  // The headers of every answer: the content security policy, no sniffing, no framing, no
  // referrer, and no caching of archive data by shared caches.
  static std::vector<std::pair<QByteArray, QByteArray>> SecurityHeaders();

 private:
  Page Route(const QByteArray& path, const QByteArray& query);

  TArchive& archive_;
  LimitsOf limitsOf_;
  WebUsers* users_ = nullptr;
  // Pages answered before, kept while the archive's newest audit row stays the same: every change
  // of the archive appends one. At most kCacheBytes of them, the least recently asked dropped
  // first. The audit pages are always made afresh (they show the last verification).
  static constexpr qsizetype kCacheBytes = 64 * 1024 * 1024;
  struct Cached {
    QByteArray target;
    Page page;
  };
  const Page* CachedPage(const QByteArray& target);
  void Keep(const QByteArray& target, const Page& page);
  std::int64_t cachedAt_ = -1;  // the newest audit row when the pages were made
  std::list<Cached> cache_;     // most recently asked first
  qsizetype cacheBytes_ = 0;

  ReportMaker report_;
  // The verification of the whole archive runs on a thread of its own, with a connection of its
  // own, so that the pages are answered meanwhile; one at a time.
  VerificationState Verifying(bool start);
  std::mutex verifyMutex_;
  VerificationState verification_;  // guarded by verifyMutex_
  std::thread verifier_;
};

}  // namespace ombrix::web
