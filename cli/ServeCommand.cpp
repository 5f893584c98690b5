// serve: the archive as web pages, read-only, through Qt HttpServer. What the pages say and which
// requests are answered is decided by the web layer (WebSite); this file only carries its answers
// over HTTP.
#include <QAbstractHttpServer>
#include <QApplication>
#include <QFile>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <memory>

#include "Commands.h"
#include "ExitCode.h"
#include "InterruptGuard.h"
#include "Passphrase.h"
#include "Printform.h"
#include "ReportPdf.h"
#include "WebSite.h"
#include "WebUsers.h"

namespace ombrix::cli {

namespace {

QByteArray MethodName(QHttpServerRequest::Method method) {
  switch (method) {
    case QHttpServerRequest::Method::Get:
      return "GET";
    case QHttpServerRequest::Method::Head:
      return "HEAD";
    case QHttpServerRequest::Method::Post:
      return "POST";
    case QHttpServerRequest::Method::Put:
      return "PUT";
    case QHttpServerRequest::Method::Delete:
      return "DELETE";
    case QHttpServerRequest::Method::Options:
      return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
      return "PATCH";
    case QHttpServerRequest::Method::Trace:
      return "TRACE";
    case QHttpServerRequest::Method::Connect:
      return "CONNECT";
    default:
      break;
  }
  return "UNKNOWN";
}

// Every request goes to the site; there is no routing of Qt's own in between.
class ArchiveServer : public QAbstractHttpServer {
 public:
  explicit ArchiveServer(web::WebSite& site) : site_(site) {}

 protected:
  bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
    web::WebRequest r;
    r.method = MethodName(request.method());
    const QUrl url = request.url();
    r.target = url.path(QUrl::FullyEncoded).toUtf8();
    if (url.hasQuery()) r.target += '?' + url.query(QUrl::FullyEncoded).toUtf8();
    r.bodySize = request.body().size();
    for (const auto& [name, value] : request.headers()) {
      r.headerBytes += name.size() + value.size();
      if (name.compare("Authorization", Qt::CaseInsensitive) == 0) r.authorization = value;
    }
    const web::WebResponse response = site_.Respond(r);
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(response.status));
    for (const auto& [name, value] : response.headers) responder.writeHeader(name, value);
    responder.writeBody(response.body);
    return true;
  }
  void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override {
    makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
  }

 private:
  web::WebSite& site_;
};

// The line of a users file for a password read from the terminal or --passphrase-fd.
int HashPassword(const Options& options, const Console& console) {
  TSecret password;
  std::string error;
  if (!ReadPassphrase(options.passphraseFd, "Password: ", password, error)) {
    console.Message(error);
    return kUsage;
  }
  const std::string hash = web::HashPassword(
      std::string_view(reinterpret_cast<const char*>(password.Data()), password.Size()));
  if (hash.empty()) {
    console.Message("the password hash cannot be made: not enough memory");
    return kDataError;
  }
  console.out << hash << '\n';
  return kSuccess;
}

// The report as ombrix-cli report writes it, through a file in a folder of this process's own.
bool MakeReport(const TProbeRecord& record, const TemperatureLimits& limits,
                const QStringList& signatures, QByteArray& pdf, std::string& error) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("report.pdf"));
  ReportRecord report;
  report.record = &record;
  report.limits = limits;
  report.signatures = signatures;
  TPrintPreview layout;
  if (!folder.isValid() ||
      !WriteReportsPdf(layout, {report}, path, QString::fromStdString(record.SerialNumberText()),
                       &error)) {
    return false;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = file.errorString().toStdString();
    return false;
  }
  pdf = file.readAll();
  return true;
}

}  // namespace

int RunServe(const Options& options, const Request& request, const Console& console) {
  if (options.hashPassword) return HashPassword(options, console);
  QHostAddress address;
  const QString host = QString::fromStdString(options.listenAddress);
  if (host == u"localhost") {
    address = QHostAddress(QHostAddress::LocalHost);
  } else if (!address.setAddress(host)) {
    console.Message("serve --listen needs an IP address, not \"" + options.listenAddress + "\"");
    return kUsage;
  }
  // Beyond this computer, every request must name a login of the users file.
  web::WebUsers users;
  if (!options.usersFile.empty()) {
    std::string error;
    if (!users.Load(QFile::decodeName(options.usersFile.c_str()), error)) {
      console.Message(error);
      return kFileError;
    }
  } else if (!address.isLoopback()) {
    console.Message("serve on " + options.listenAddress +
                    ", which other computers reach, needs --users FILE: the logins that may see "
                    "the archive (see serve --hash-password)");
    return kUsage;
  }
  auto archive = std::make_unique<TArchive>(request.archive);
  archive->SetReadOnly(true);
  std::string error;
  if (!archive->Open(error)) return ArchiveFailure(console, error);

  const Settings& settings = request.settings;
  web::WebSite site(*archive,
                    [&settings](std::uint64_t serial) { return settings.LimitsFor(serial); });
  if (!options.usersFile.empty()) site.RequireUsers(users);
  // The report is laid out by widgets: there are none without the widget application.
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) site.OfferReports(MakeReport);
  ArchiveServer server(site);
  const quint16 port = server.listen(address, static_cast<quint16>(options.listenPort));
  if (port == 0) {
    console.Message("serve cannot listen on " + options.listenAddress + ":" +
                    std::to_string(options.listenPort) + " (the port is taken or may not be used)");
    return kUsage;
  }
  const QString url = QStringLiteral("http://%1:%2/")
                          .arg(address.protocol() == QAbstractSocket::IPv6Protocol
                                   ? u'[' + address.toString() + u']'
                                   : address.toString())
                          .arg(port);
  console.Message(
      "serving the archive \"" + archive->Location().Text() + "\" read-only at " +
      url.toStdString() +
      (options.usersFile.empty() ? std::string() : " to the logins of " + options.usersFile) +
      " until Ctrl+C");
  InterruptGuard guard;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [] {
    if (InterruptGuard::Interrupted()) QCoreApplication::quit();
  });
  poll.start(100);
  QCoreApplication::exec();
  console.Message("serve stopped");
  return kSuccess;
}

}  // namespace ombrix::cli
