// ombrix-cli serve, driven over HTTP as a browser would: a lab archive with a hostile probe name,
// the real program serving it in a subprocess, raw requests over a socket.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <tuple>

#include "Archive.h"
#include "ArchiveRecords.h"
#include "CliRunner.h"
#include "CodePage.h"
#include "PgServer.h"
#include "RecordFile.h"
#include "ServeProcess.h"
#include "WebUsers.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// The name and comment of one probe are written to break out of HTML text and attributes.
constexpr const char* kHostile = "<script>alert(1)</script>\"'&\xFC";  // Windows-1252 ü
constexpr const char* kHostileEscaped =
    "&lt;script&gt;alert(1)&lt;/script&gt;&quot;&#39;&amp;\xC3\xBC";  // UTF-8 ü
constexpr std::uint64_t kHostileSerial = 0x2800000000000BADULL;
constexpr std::int64_t kMissionStart = 1'780'000'000;  // June 2026
// 53 downloads of five probes: one page of 50 and a second one of 3.
constexpr int kEntries = 53;

ArchiveLocation SqliteAt(const QString& path) {
  ArchiveLocation location;
  location.path = path.toStdString();
  return location;
}

QByteArray FileHash(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

class ServeTest : public CliTest {
 protected:
  static void SetUpTestSuite() {
    // One lab archive for every test of the suite: the server only reads it.
    suiteDir_ = new QTemporaryDir;
    const QString path = suiteDir_->filePath(QStringLiteral("lab.sqlite"));
    TArchive archive(SqliteAt(path));
    std::string error;
    ASSERT_TRUE(archive.Open(error)) << error;
    for (int i = 0; i < kEntries; ++i) {
      const bool hostile = i == 7;
      auto record = MakeRecord(hostile ? kHostileSerial : 0x2800000000001230ULL + i % 4,
                               hostile ? kHostile : "Fridge " + std::to_string(i % 4),
                               kMissionStart, 100 + i, kMissionStart + 600 * (100 + i) + i, i);
      if (hostile) record->Comment = kHostile;
      StoreResult stored;
      ASSERT_TRUE(
          archive.Store(*record, CurrentProvenance("lab", "download", "2.10"), stored, error))
          << error;
    }
  }
  static void TearDownTestSuite() {
    delete suiteDir_;
    suiteDir_ = nullptr;
  }

  void SetUp() override {
    archivePath_ = suiteDir_->filePath(QStringLiteral("lab.sqlite"));
    // The probes' limits: the hostile probe's high limit cuts through its samples.
    ASSERT_TRUE(QDir().mkpath(Path("config/ombrix")));
    QFile ini(Path("config/ombrix/ombrix.INI"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        "[Properties]\nComNumber=0\n[Limits]\nLow=-50\nHigh=50\n"
        "[Limits 2800000000000BAD]\nLow=-50\nHigh=" +
        QByteArray::number(HostileMiddle(), 'f', 1) + "\nDelay=0\n");
  }

  void TearDown() override { Stop(); }

  // The middle of the hostile download's temperatures, so that it is outside a high limit there.
  static double HostileMiddle() {
    auto record = MakeRecord(kHostileSerial, kHostile, kMissionStart, 107, 0, 7);
    double low = 1e9, high = -1e9;
    for (int i = 0; i < record->HeldSamples(); ++i) {
      low = std::min<double>(low, record->Samples[i].Temperature);
      high = std::max<double>(high, record->Samples[i].Temperature);
    }
    return (low + high) / 2;
  }

  // Starts ombrix-cli serve on a free port; false when it did not say where it listens.
  bool Start(const QStringList& more = {}) {
    const QStringList arguments{QStringLiteral("--archive"), archivePath_, QStringLiteral("serve"),
                                QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")};
    const bool started = server_.Start(dir_.path(), arguments + more);
    serverErr_ = server_.Err();
    return started;
  }
  int Stop() {
    const int code = server_.Stop();
    serverErr_ = server_.Err();
    return code;
  }
  HttpAnswer Send(const QByteArray& raw) { return server_.Send(raw); }
  HttpAnswer Get(const QByteArray& target, const QByteArray& method = "GET") {
    return server_.Get(target, method);
  }
  // Starts a verification of the whole archive and asks until it is done; its page then.
  HttpAnswer Verified() {
    HttpAnswer started = Get("/audit/verify");
    EXPECT_THAT(started.body, HasSubstr("Verifying the whole archive since"));
    for (int asked = 0; asked < 10'000; ++asked) {
      HttpAnswer page = Get("/audit/verification");
      if (page.body.find("Verifying the whole archive since") == std::string::npos) return page;
    }
    ADD_FAILURE() << "the verification did not end";
    return {};
  }

  static inline QTemporaryDir* suiteDir_ = nullptr;
  QString archivePath_;
  ServeProcess server_;
  QByteArray serverErr_;
};

// What each page answers: status, what it must show and what it must never show.
TEST_F(ServeTest, PagesAnswerWithTheArchiveAndRefuseWhatTheyDoNotServe) {
  ASSERT_TRUE(Start()) << serverErr_.toStdString();
  struct Case {
    const char* method;
    std::string target;
    int status;
    std::vector<std::string> shows;
    std::vector<std::string> never;
  };
  const std::vector<Case> cases{
      // The listing: newest first, 50 a page, each with its verdict in colour.
      {"GET",
       "/",
       200,
       {"53 downloads", "Page 1 of 2", "href=\"/?page=2\"", "<a href=\"/entry/53\">53</a>",
        "<a href=\"/entry/4\">4</a>", kHostileEscaped, "verdict outside", "verdict within",
        "Outside limits", "Within limits", "30 12 00 00 00 00 00 28"},
       {"<script>", "entry/3\"", "rel=\"prev\""}},
      {"GET",
       "/?page=2",
       200,
       {"Page 2 of 2", "<a href=\"/entry/3\">3</a>", "<a href=\"/entry/1\">1</a>", "rel=\"prev\""},
       {"entry/4\"", "rel=\"next\""}},
      // The filters of the Archive window: serial number in either form, text, date range.
      {"GET", "/?serial=AD+0B+00+00+00+00+00+28", 200, {"1 download", "entry/8\""}, {"entry/9\""}},
      {"GET", "/?serial=2800000000000BAD", 200, {"1 download", "entry/8\""}, {"entry/9\""}},
      {"GET", "/?text=%3Cscript%3E", 200, {"1 download", "entry/8\""}, {"entry/9\""}},
      {"GET",
       "/?text=fridge+2&page=1",
       200,
       {"13 downloads", "Fridge 2"},
       {"Fridge 1<", "entry/8\""}},
      {"GET", "/?from=2099-01-01", 200, {"0 downloads", "Page 1 of 1"}, {"entry/"}},
      {"GET", "/?from=2026-01-01&to=2026-12-31", 200, {"53 downloads"}, {}},
      {"GET", "/?to=2026-01-01", 200, {"0 downloads"}, {}},
      // What a filter was given with comes back in the form, escaped in the attribute.
      {"GET",
       "/?text=%22%3E%3Cb%3E%27x",
       200,
       {"value=\"&quot;&gt;&lt;b&gt;&#39;x\"", "0 downloads"},
       {"\"><b>"}},
      // Filters out of bounds are refused before the archive is asked.
      {"GET", "/?page=0", 400, {"page is a whole number"}, {}},
      {"GET", "/?page=3x", 400, {}, {}},
      {"GET", "/?bogus=1", 400, {"takes no bogus"}, {}},
      {"GET", "/?text=a&text=b", 400, {"given twice"}, {}},
      {"GET", "/?text=" + std::string(101, 'a'), 400, {"longer than 100"}, {}},
      {"GET", "/?from=2026-13-01", 400, {}, {}},
      {"GET", "/?to=2026-01-01&from=2026-02-01", 400, {"ends before it begins"}, {}},
      {"GET", "/?serial=zz", 400, {"serial number"}, {}},
      // Qt reads a stray "%" as itself: it is searched for like any text.
      {"GET", "/?text=%ZZ", 200, {"0 downloads", "value=\"%ZZ\""}, {}},
      {"GET", "/?text=%FF", 400, {"malformed"}, {}},
      {"GET", "/?text=%0A", 400, {"malformed"}, {}},
      {"GET", "/?%3Cscript%3E=1", 400, {"&lt;script&gt;"}, {"<script>"}},
      // One download: status fields, statistics, excursions, the graph with its limit lines.
      {"GET",
       "/entry/8",
       200,
       {"<title>Download 8: " + std::string(kHostileEscaped),
        "Serial Number</th><td>AD 0B 00 00 00 00 00 28", "Record Samples</th><td>107",
        "Rollover Occured", "UTC+02:00", "verdict outside", "<svg class=\"graph\"",
        "class=\"limit-high\"", "class=\"limit-low\"", "<polyline", "<td>above</td>",
        "href=\"/entry/8/record.omx\"", "href=\"/entry/8/samples.csv\"",
        "href=\"/entry/8/export.txt\"", "href=\"/entry/8/report.pdf\"", "Content hash", "lab",
        "Samples 1 to 107 of 107", "href=\"/entry/8?first=27&amp;last=79\">Zoom in"},
       {"<script>", "None.</p>", "Zoom out", "Earlier", "All samples"}},
      // Zoomed: the graph of samples 11 to 20, with links to half, twice, before, after, all.
      {"GET",
       "/entry/8?first=11&last=20",
       200,
       {"Samples 11 to 20 of 107", "first=13&amp;last=17\">Zoom in",
        "first=6&amp;last=25\">Zoom out", "first=6&amp;last=15\">Earlier",
        "first=16&amp;last=25\">Later", "href=\"/entry/8\">All samples"},
       {}},
      {"GET", "/entry/8?first=20&last=10", 400, {"a first and a last sample"}, {}},
      {"GET", "/entry/8?first=5", 400, {"a first and a last sample"}, {}},
      {"GET", "/entry/8?first=0&last=5", 400, {"whole number from 1 to 8000"}, {}},
      // The audit trail, newest row first, filtered as the listing is; its verification.
      {"GET",
       "/audit",
       200,
       {"<h1>Audit trail</h1>", "<td class=\"num\">53</td>", "<a href=\"/entry/53\">53</a>",
        "rel=\"next\" href=\"/audit?page=2\"", "href=\"/audit/verify\"", "UTC+0"},
       {"<td class=\"num\">3</td>", "rel=\"prev\"", "<script>", "Verified"}},
      {"GET",
       "/audit?page=2",
       200,
       {"<td class=\"num\">3</td>", "<td class=\"num\">1</td>", "rel=\"prev\""},
       {"rel=\"next\""}},
      {"GET",
       "/audit?serial=2800000000000BAD&from=2026-01-01",
       200,
       {"<a href=\"/entry/8\">8</a>", "AD 0B 00 00 00 00 00 28"},
       {"entry/9\"", "rel=\"next\""}},
      {"GET", "/audit?to=2026-01-01", 200, {"Page 1"}, {"entry/"}},
      {"GET", "/audit?text=x", 400, {"takes no text"}, {}},
      {"GET", "/audit/verification", 200, {"Not verified since the view started."}, {"Details"}},
      {"GET", "/audit/verify?x=1", 400, {}, {}},
      {"GET",
       "/entry/9",
       200,
       {"verdict within", "<h2>Excursions</h2>\n<p>None.</p>"},
       {"<td>above</td>"}},
      // One row per probe: its newest download, its mission, its newest verdicts.
      {"GET",
       "/probes",
       200,
       {"5 probes", kHostileEscaped, "<td>running</td>",
        "href=\"/?serial=AD%200B%2000%2000%2000%2000%2000%2028\"", "<a href=\"/entry/53\">",
        "<a href=\"/entry/8\"><span class=\"verdict outside\">",
        "<a href=\"/entry/37\"><span class=\"verdict within\">"},
       {"<script>", "<a href=\"/entry/33\"><span"}},
      {"GET", "/probes?x=1", 400, {"takes no query"}, {}},
      {"GET", "/entry/999", 404, {"There is no entry 999"}, {}},
      {"GET", "/entry/8?x=1", 400, {}, {}},
      {"GET", "/entry/08", 404, {}, {}},
      {"GET", "/entry/8/other", 404, {}, {}},
      {"GET", "/entry/8/samples.csv?x=1", 400, {}, {}},
      {"GET", "/entry/-1", 404, {}, {}},
      {"GET", "/nothing", 404, {"no page at this address"}, {}},
      // The view only reads.
      {"POST", "/", 405, {"GET and HEAD"}, {}},
      {"PUT", "/entry/8", 405, {}, {}},
      {"DELETE", "/entry/8", 405, {}, {}},
      {"PATCH", "/", 405, {}, {}},
      {"OPTIONS", "/", 405, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.method) + " " + c.target.substr(0, 80));
    HttpAnswer a = Get(QByteArray::fromStdString(c.target), c.method);
    EXPECT_EQ(a.status, c.status) << a.body.substr(0, 2000);
    for (const std::string& text : c.shows) EXPECT_THAT(a.body, HasSubstr(text));
    for (const std::string& text : c.never) EXPECT_THAT(a.body, Not(HasSubstr(text)));
    // Every answer, refusals included, carries the same protections.
    EXPECT_THAT(a.headers["content-security-policy"], HasSubstr("default-src 'none'"));
    EXPECT_THAT(a.headers["content-security-policy"], HasSubstr("frame-ancestors 'none'"));
    EXPECT_THAT(a.headers["content-security-policy"], Not(HasSubstr("unsafe-inline")));
    EXPECT_THAT(a.headers["content-security-policy"], Not(HasSubstr("script-src")));
    EXPECT_EQ(a.headers["x-content-type-options"], "nosniff");
    EXPECT_EQ(a.headers["x-frame-options"], "DENY");
    EXPECT_EQ(a.headers["content-type"], "text/html; charset=utf-8");
    if (c.status == 405) {
      EXPECT_EQ(a.headers["allow"], "GET, HEAD");
    }
  }
}

// HEAD gives GET's headers without the body; a body, an overlong address and the record file.
TEST_F(ServeTest, HeadBodiesLongAddressesAndTheRecordFile) {
  ASSERT_TRUE(Start()) << serverErr_.toStdString();
  HttpAnswer get = Get("/entry/8");
  HttpAnswer head = Get("/entry/8", "HEAD");
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.body, "");
  EXPECT_EQ(head.headers["content-length"], std::to_string(get.body.size()));

  EXPECT_EQ(Send("GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello").status, 413);
  EXPECT_EQ(Get("/?text=" + QByteArray(3000, 'a')).status, 414);

  // The record file is the stored record, byte for byte the content the archive hashed.
  HttpAnswer file = Get("/entry/8/record.omx");
  ASSERT_EQ(file.status, 200);
  EXPECT_EQ(file.headers["content-type"], "application/octet-stream");
  EXPECT_THAT(file.headers["content-disposition"], HasSubstr("filename=\"entry-8.omx\""));
  TProbeRecord served;
  std::string error;
  ASSERT_TRUE(ReadRecordBytes(served, file.body, QStringLiteral("entry-8.omx"), &error)) << error;
  EXPECT_EQ(served.Name, kHostile);
  TArchive archive(SqliteAt(archivePath_));
  archive.SetReadOnly(true);
  std::vector<ArchiveEntry> entries;
  ArchiveFilter filter;
  filter.serialNumber = kHostileSerial;
  ASSERT_TRUE(archive.List(filter, entries, error)) << error;
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(ContentHash(served), entries[0].contentHash);
  EXPECT_EQ(Get("/entry/999/record.omx").status, 404);

  // The CSV and the text export are those ombrix-cli export writes of that record file; the
  // report is a PDF document.
  QFile omx(Path("entry-8.omx"));
  ASSERT_TRUE(omx.open(QIODevice::WriteOnly));
  omx.write(QByteArray::fromStdString(file.body));
  omx.close();
  for (const auto& [target, format, type] :
       {std::tuple{"/entry/8/samples.csv", "csv", "text/csv; charset=utf-8"},
        {"/entry/8/export.txt", "text", "application/octet-stream"}}) {
    SCOPED_TRACE(target);
    HttpAnswer served = Get(target);
    EXPECT_EQ(served.status, 200);
    EXPECT_EQ(served.headers["content-type"], type);
    const CliResult exported = Run({"--no-archive", "export", Path("entry-8.omx"), "-o",
                                    Path("exported"), "--format", format, "--yes"});
    ASSERT_EQ(exported.code, 0) << exported.err;
    QFile written(Path("exported"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(served.body, written.readAll().toStdString());
  }
  HttpAnswer report = Get("/entry/8/report.pdf");
  EXPECT_EQ(report.status, 200);
  EXPECT_EQ(report.headers["content-type"], "application/pdf");
  EXPECT_THAT(report.body, StartsWith("%PDF-"));
  EXPECT_THAT(report.headers["content-disposition"], HasSubstr("filename=\"entry-8.pdf\""));

  // Headers beyond the bound are refused; the server goes on serving.
  EXPECT_EQ(
      Send("GET / HTTP/1.1\r\nHost: x\r\nX-Padding: " + QByteArray(9000, 'a') + "\r\n\r\n").status,
      431);
  EXPECT_EQ(Get("/probes").status, 200);
}

// Serving leaves the archive as it was, byte for byte, and a read-only archive takes no writes.
TEST_F(ServeTest, TheArchiveIsOnlyRead) {
  const QByteArray before = FileHash(archivePath_);
  ASSERT_FALSE(before.isEmpty());
  ASSERT_TRUE(Start()) << serverErr_.toStdString();
  for (const char* target : {"/", "/?page=2", "/entry/8", "/entry/8/record.omx", "/?text=x",
                             "/audit", "/audit/verify", "/entry/8/report.pdf"}) {
    EXPECT_EQ(Get(target).status, 200) << target;
  }
  EXPECT_EQ(Stop(), 0) << serverErr_.toStdString();
  EXPECT_THAT(serverErr_.toStdString(), HasSubstr("serve stopped"));
  EXPECT_EQ(FileHash(archivePath_), before);

  TArchive archive(SqliteAt(archivePath_));
  archive.SetReadOnly(true);
  std::string error;
  ASSERT_TRUE(archive.Open(error)) << error;
  StoreResult stored;
  auto record = MakeRecord(0x28000000000000FFULL, "new", kMissionStart, 10, kMissionStart + 9000);
  EXPECT_FALSE(archive.Store(*record, CurrentProvenance("", "download", "2.10"), stored, error));
  EXPECT_FALSE(archive.Append(AuditActor{}, AuditEvent{}, error));
  EXPECT_EQ(FileHash(archivePath_), before);
}

// A copy of the archive changed behind the program's back: the verification names the change, on
// its own page and at the head of the audit trail.
TEST_F(ServeTest, VerificationShowsAnArchiveChangedBehindItsBack) {
  const QString copy = Path("changed.sqlite");
  ASSERT_TRUE(QFile::copy(archivePath_, copy));
  {
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("tamper"));
    db.setDatabaseName(copy);
    ASSERT_TRUE(db.open());
    QSqlQuery query(db);
    for (const char* sql : {"DROP TRIGGER ombrix_entries_kept_update",
                            "UPDATE ombrix_entries SET maximum = 99.5 WHERE id = 2"}) {
      EXPECT_TRUE(query.exec(QString::fromLatin1(sql))) << query.lastError().text().toStdString();
    }
  }
  QSqlDatabase::removeDatabase(QStringLiteral("tamper"));
  archivePath_ = copy;
  ASSERT_TRUE(Start()) << serverErr_.toStdString();
  const std::string fault = "entry 2: its listing columns do not match its content (maximum)";
  HttpAnswer verify = Verified();
  EXPECT_EQ(verify.status, 200);
  EXPECT_THAT(verify.body, HasSubstr("verdict outside\">1 fault</span>"));
  EXPECT_THAT(verify.body, HasSubstr(fault));
  EXPECT_THAT(Get("/audit").body, HasSubstr("1 fault</span> (53 entries"));
}

// What serve refuses before it serves anything.
TEST_F(ServeTest, RefusesWhatItCannotServeSafely) {
  struct Case {
    QStringList arguments;
    int code;
    const char* message;
  };
  const QString missing = Path("missing.sqlite");
  const std::string hash = web::HashPassword("x", true);
  for (const auto& [name, text] :
       {std::pair<const char*, std::string>{"bad-users", "# logins\nanna:plain-text-password\n"},
        {"twice-users", "anna:" + hash + "\nanna:" + hash + "\n"}}) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(text));
  }
  const std::vector<Case> cases{
      {{"serve", "--listen", "0.0.0.0:8620"}, 2, "needs --users FILE"},
      {{"serve", "--listen", "192.0.2.1:8620"}, 2, "needs --users FILE"},
      {{"serve", "--users", Path("no-users")}, 8, "cannot be read"},
      {{"serve", "--users", Path("bad-users")}, 8, "line 2 is not \"login:$argon2id$"},
      {{"serve", "--users", Path("twice-users")}, 8, "names the login \"anna\" a second time"},
      {{"serve", "--hash-password", "--listen", "127.0.0.1:1"}, 2, "takes no --listen"},
      {{"serve", "--listen", "127.0.0.1"}, 2, "serve --listen takes ADDRESS:PORT"},
      {{"serve", "--listen", "127.0.0.1:65536"}, 2, "serve --listen takes ADDRESS:PORT"},
      {{"serve", "--listen", "::1:80"}, 2, "serve --listen takes ADDRESS:PORT"},
      {{"serve", "--listen", "example.org:80"}, 2, "needs an IP address"},
      {{"serve", "--no-archive"}, 2, "serve does not take --no-archive"},
      {{"--archive", missing, "serve", "--listen", "127.0.0.1:0"}, 9, "no such file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(u' ').toStdString());
    const CliResult r = Run(c.arguments);
    EXPECT_EQ(r.code, c.code);
    EXPECT_THAT(r.err, HasSubstr(c.message));
  }
  EXPECT_FALSE(QFile::exists(missing)) << "a read-only opening creates no archive";
}

// Beyond loopback the archive is shown only to the logins of a users file: HTTP Basic against
// Argon2id hashes, as serve --hash-password makes them.
TEST_F(ServeTest, OnlyTheLoginsOfTheUsersFileSeeThePages) {
  const CliResult made =
      Run({"serve", "--hash-password", "--passphrase-fd", "0"}, "p\xC3\xA4ss 1\n");
  ASSERT_EQ(made.code, 0) << made.err;
  ASSERT_THAT(made.out, StartsWith("$argon2id$"));
  QFile file(Path("users"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray::fromStdString("# who may look\nanna:" + made.out +
                                       "\nbob:" + web::HashPassword("other", true) + "\n"));
  file.close();
  ASSERT_TRUE(Start({QStringLiteral("--users"), Path("users")})) << serverErr_.toStdString();
  const auto basic = [](const std::string& credentials) {
    return "Authorization: Basic " + QByteArray::fromStdString(credentials).toBase64() + "\r\n";
  };
  const std::vector<std::pair<QByteArray, int>> cases{
      {"", 401},
      {basic("anna:p\xC3\xA4ss 1"), 200},
      {basic("anna:p\xC3\xA4ss 1"), 200},  // remembered, and still right
      {basic("anna:p\xC3\xA4ss 2"), 401},
      {basic("bob:p\xC3\xA4ss 1"), 401},
      {basic("bob:other"), 200},
      {basic("carl:other"), 401},
      {basic("anna"), 401},
      {"Authorization: Basic !!!\r\n", 401},
      {"Authorization: Bearer " + QByteArray::fromStdString(made.out) + "\r\n", 401},
  };
  for (const auto& [header, status] : cases) {
    SCOPED_TRACE(header.toStdString());
    HttpAnswer a = Send("GET /probes HTTP/1.1\r\nHost: x\r\n" + header + "\r\n");
    EXPECT_EQ(a.status, status);
    if (status == 401) {
      EXPECT_THAT(a.headers["www-authenticate"], StartsWith("Basic realm="));
      EXPECT_THAT(a.body, Not(HasSubstr("Fridge")));
    } else {
      EXPECT_THAT(a.body, HasSubstr("Fridge"));
    }
  }
}

// A site's shared archive on PostgreSQL, signed by a person at another desk: served from a
// read-only session, with the signatures on the listing and on the download, and the audit
// trail no longer for it.
TEST_F(ServeTest, ASignedArchiveOnPostgreSQL) {
  PgServer server;
  std::string error;
  ASSERT_TRUE(server.Start(error)) << error;
  ArchiveLocation location;
  ASSERT_TRUE(server.CreateDatabase("site", location, error)) << error;
  const QString url = QString::fromStdString(location.Text());
  {
    TArchive archive(location);
    ASSERT_TRUE(archive.Open(error)) << error;
    for (int i = 0; i < 2; ++i) {
      StoreResult stored;
      auto record = MakeRecord(0x2800000000001230ULL, "Freezer", kMissionStart, 100 + i,
                               kMissionStart + 60'000 + i, i);
      ASSERT_TRUE(archive.Store(*record, CurrentProvenance("", "download", "2.10"), stored, error))
          << error;
    }
  }
  const QByteArray passphrase = "correct horse battery\n";
  CliResult r = Run({"--archive", url, "key", "create", "--administrator", "--name", "Anna <Admin>",
                     "--passphrase-fd", "0"},
                    passphrase);
  ASSERT_EQ(r.code, 0) << r.err;
  r = Run({"--archive", url, "archive", "sign", "2", "--meaning", "approved", "--comment",
           "released <b>now</b>", "--passphrase-fd", "0"},
          passphrase);
  ASSERT_EQ(r.code, 0) << r.err;
  const auto auditRows = [&] {
    const CliResult audit = Run({"--archive", url, "archive", "audit", "--format", "csv"});
    EXPECT_EQ(audit.code, 0) << audit.err;
    return std::count(audit.out.begin(), audit.out.end(), '\n');
  };
  const auto rowsBefore = auditRows();

  archivePath_ = url;
  ASSERT_TRUE(Start()) << serverErr_.toStdString();
  HttpAnswer list = Get("/");
  EXPECT_EQ(list.status, 200);
  EXPECT_THAT(list.body, HasSubstr("2 downloads"));
  EXPECT_THAT(list.body, HasSubstr("Approved by Anna &lt;Admin&gt;"));
  EXPECT_THAT(list.body, HasSubstr("released &lt;b&gt;now&lt;/b&gt;"));
  HttpAnswer entry = Get("/entry/2");
  EXPECT_EQ(entry.status, 200);
  EXPECT_THAT(entry.body, HasSubstr("Approved by Anna &lt;Admin&gt;"));
  HttpAnswer unsigned_ = Get("/entry/1");
  EXPECT_THAT(unsigned_.body, HasSubstr("Signatures</th><td><span class=\"sig\">none</span>"));
  EXPECT_EQ(Get("/probes").status, 200);
  // The trail names the signer's key and the database role of each row; all of it verifies.
  HttpAnswer audit = Get("/audit");
  EXPECT_EQ(audit.status, 200);
  EXPECT_THAT(audit.body, HasSubstr(">sign<"));
  EXPECT_THAT(audit.body, HasSubstr(", role "));
  EXPECT_THAT(Verified().body, HasSubstr("all hold</span> (2 entries, 1 signatures and"));
  EXPECT_EQ(Stop(), 0) << serverErr_.toStdString();
  EXPECT_EQ(auditRows(), rowsBefore);

  // The session serve opens refuses writes of any kind.
  TArchive reader(location);
  reader.SetReadOnly(true);
  ASSERT_TRUE(reader.Open(error)) << error;
  AuditEvent event;
  event.action = "test";
  EXPECT_FALSE(reader.Append(CurrentActor("2.10"), event, error));
  EXPECT_THAT(error, HasSubstr("read-only"));
}

}  // namespace
}  // namespace ombrix::testing
