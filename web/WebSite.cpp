#include "WebSite.h"

#include <QDateTime>
#include <QUrl>

#include "Html.h"
#include "WebQuery.h"

namespace ombrix::web {

namespace {

// Pages other than the listing take no query at all.
bool NoQuery(const QByteArray& query, QString& error) {
  std::vector<std::pair<QString, QString>> pairs;
  if (!SplitQuery(query, pairs, error)) return false;
  if (pairs.empty()) return true;
  error = QStringLiteral("This page takes no query.");
  return false;
}

}  // namespace

WebSite::WebSite(TArchive& archive, LimitsOf limitsOf)
    : archive_(archive), limitsOf_(std::move(limitsOf)) {}

WebSite::~WebSite() {
  if (verifier_.joinable()) verifier_.join();
}

VerificationState WebSite::Verifying(bool start) {
  std::lock_guard lock(verifyMutex_);
  if (start && !verification_.runningSince) {
    if (verifier_.joinable()) verifier_.join();  // done: it cleared runningSince
    const std::int64_t now = QDateTime::currentSecsSinceEpoch();
    verification_.runningSince = now;
    verifier_ = std::thread([this, now, location = archive_.Location()] {
      Verification done;
      done.atSeconds = now;
      TArchive archive(location);
      archive.SetReadOnly(true);
      if (archive.Open(done.error)) archive.Verify({}, done.report, done.error);
      std::lock_guard lock(verifyMutex_);
      verification_.last = std::move(done);
      verification_.runningSince.reset();
    });
  }
  return verification_;
}

std::vector<std::pair<QByteArray, QByteArray>> WebSite::SecurityHeaders() {
  return {{"Content-Security-Policy", ContentSecurityPolicy()},
          {"X-Content-Type-Options", "nosniff"},
          {"X-Frame-Options", "DENY"},
          {"Referrer-Policy", "no-referrer"},
          {"Cache-Control", "no-store"}};
}

Page WebSite::Route(const QByteArray& path, const QByteArray& query) {
  QString error;
  if (path == "/") {
    DownloadsQuery downloads;
    if (!ParseDownloadsQuery(query, downloads, error)) {
      return ErrorPage(400, QStringLiteral("The filter cannot be used"), error);
    }
    return DownloadsPage(archive_, downloads, limitsOf_);
  }
  if (path == "/audit") {
    DownloadsQuery audit;
    if (!ParseDownloadsQuery(query, audit, error, false)) {
      return ErrorPage(400, QStringLiteral("The filter cannot be used"), error);
    }
    return AuditPage(archive_, audit, Verifying(false));
  }
  if (path == "/probes" || path == "/audit/verify" || path == "/audit/verification") {
    if (!NoQuery(query, error)) {
      return ErrorPage(400, QStringLiteral("The request cannot be used"), error);
    }
    if (path == "/probes") return ProbesPage(archive_, limitsOf_);
    return VerificationPage(Verifying(path == "/audit/verify"));
  }
  std::int64_t id = 0;
  QString suffix;
  // Paths are matched as sent: the site's own links hold no escapes.
  if (ParseEntryPath(QString::fromLatin1(path), id, suffix)) {
    if (suffix.isEmpty()) {
      GraphWindow window;
      if (!ParseGraphQuery(query, window, error)) {
        return ErrorPage(400, QStringLiteral("The request cannot be used"), error);
      }
      return EntryPage(archive_, id, limitsOf_, window, static_cast<bool>(report_));
    }
    static const std::pair<QStringView, EntryFile> kFiles[] = {{u"record.omx", EntryFile::kRecord},
                                                               {u"samples.csv", EntryFile::kCsv},
                                                               {u"export.txt", EntryFile::kText},
                                                               {u"report.pdf", EntryFile::kReport}};
    for (const auto& [name, file] : kFiles) {
      if (suffix != name || (file == EntryFile::kReport && !report_)) continue;
      if (!NoQuery(query, error)) {
        return ErrorPage(400, QStringLiteral("The request cannot be used"), error);
      }
      return EntryFilePage(archive_, id, file, limitsOf_, report_);
    }
  }
  return ErrorPage(404, QStringLiteral("No such page"),
                   QStringLiteral("The archive view has no page at this address."));
}

const Page* WebSite::CachedPage(const QByteArray& target) {
  std::int64_t newest = 0;
  std::string error;
  if (!archive_.LastAuditRow(newest, error) || newest != cachedAt_) {
    // Changed, or not readable now: nothing kept is sure to hold.
    cache_.clear();
    cacheBytes_ = 0;
    cachedAt_ = error.empty() ? newest : -1;
    return nullptr;
  }
  for (auto it = cache_.begin(); it != cache_.end(); ++it) {
    if (it->target != target) continue;
    cache_.splice(cache_.begin(), cache_, it);
    return &cache_.front().page;
  }
  return nullptr;
}

void WebSite::Keep(const QByteArray& target, const Page& page) {
  if (cachedAt_ < 0 || page.body.size() > kCacheBytes / 16) return;
  cache_.push_front({target, page});
  cacheBytes_ += page.body.size();
  while (cacheBytes_ > kCacheBytes) {
    cacheBytes_ -= cache_.back().page.body.size();
    cache_.pop_back();
  }
}

WebResponse WebSite::Respond(const WebRequest& request) {
  const bool head = request.method == "HEAD";
  Page page;
  QByteArray allow;
  bool challenge = false;
  if (request.method != "GET" && !head) {
    page = ErrorPage(405, QStringLiteral("Not allowed"),
                     QStringLiteral("The archive view only reads: it answers GET and HEAD."));
    allow = "GET, HEAD";
  } else if (request.bodySize > 0) {
    page = ErrorPage(413, QStringLiteral("Not allowed"),
                     QStringLiteral("A request to the archive view carries no body."));
  } else if (request.headerBytes > kMaxHeaderBytes) {
    page = ErrorPage(
        431, QStringLiteral("Request headers too large"),
        QStringLiteral("The request's headers are longer than %1 bytes.").arg(kMaxHeaderBytes));
  } else if (request.target.size() > kMaxTarget) {
    page = ErrorPage(414, QStringLiteral("Address too long"),
                     QStringLiteral("The address is longer than %1 characters.").arg(kMaxTarget));
  } else if (users_ && !users_->Allows(request.authorization)) {
    page = ErrorPage(401, QStringLiteral("Login needed"),
                     QStringLiteral("The archive view needs a login of its users file."));
    challenge = true;
  } else {
    const qsizetype mark = request.target.indexOf('?');
    const QByteArray path = mark < 0 ? request.target : request.target.left(mark);
    const QByteArray query = mark < 0 ? QByteArray() : request.target.mid(mark + 1);
    if (path.startsWith("/audit")) {
      page = Route(path, query);
    } else if (const Page* cached = CachedPage(request.target)) {
      page = *cached;
    } else {
      page = Route(path, query);
      if (page.status == 200) Keep(request.target, page);
    }
  }
  WebResponse response;
  response.status = page.status;
  response.headers = SecurityHeaders();
  response.headers.emplace_back("Content-Type", page.contentType);
  response.headers.emplace_back("Content-Length", QByteArray::number(page.body.size()));
  if (!page.fileName.isEmpty()) {
    response.headers.emplace_back("Content-Disposition",
                                  "attachment; filename=\"" + page.fileName + "\"");
  }
  if (!allow.isEmpty()) response.headers.emplace_back("Allow", allow);
  if (challenge) {
    response.headers.emplace_back("WWW-Authenticate",
                                  "Basic realm=\"Ombrix archive\", charset=\"UTF-8\"");
  }
  if (!head) response.body = page.body;
  return response;
}

}  // namespace ombrix::web
