#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

#include "ArchiveRecords.h"
#include "CliRunner.h"
#include "PgServer.h"
#include "RecordFile.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class ArchiveTest : public CliTest {
 protected:
  void SetUp() override { WriteState(Path("state"), "demo", 2026, 7, 1, 12, 0, 0); }

  QJsonArray ListEntries(const QStringList& more = {}) {
    const CliResult r =
        Run(Args("--archive state.archive.sqlite archive list --format json") + more);
    EXPECT_EQ(r.code, 0) << r.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out))
        .object()
        .value(QStringLiteral("Entries"))
        .toArray();
  }
};

// The [Archive] keys of the settings file the window uses count for ombrix-cli as well.
TEST_F(ArchiveTest, TheSettingsNameTheArchiveAndHowDownloadsUseIt) {
  const auto settings = [this](const QString& archive) {
    ASSERT_TRUE(QDir().mkpath(Path("config/ombrix")));
    QFile file(Path("config/ombrix/ombrix.INI"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        ("[Properties]\nComNumber=0\n[Archive]\nDatabase=" + Path("site.sqlite") + "\n" + archive)
            .toUtf8());
  };
  settings("");
  // The virtual lab keeps its downloads in an archive of its own; everything else goes to the
  // archive the settings name.
  CliResult r = Run("--virtual-state state download -o first.omx");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("stored as archive entry 1"));
  EXPECT_EQ(ListEntries().size(), 1);
  r = Run("archive import first.omx");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(QFile::exists(Path("site.sqlite")));
  EXPECT_FALSE(QFile::exists(Path("data/ombrix/archive.sqlite"))) << "not the default archive";
  r = Run("archive list");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("Cold room 2"));
  EXPECT_THAT(r.out, Not(HasSubstr("virtual"))) << "the imported file, not the lab's download";

  settings("FullDownload=1\n");
  r = Run("--virtual-state state --advance 1d download -o second.omx");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("stored as archive entry 2"));
  EXPECT_THAT(r.err, Not(HasSubstr("incremental")));

  settings("Enabled=0\n");
  r = Run("--virtual-state state download -o third.omx");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.err, Not(HasSubstr("archive")));
  EXPECT_EQ(ListEntries().size(), 2);
  EXPECT_EQ(ListEntries({"--archive", Path("other.sqlite")}).size(), 0) << "the command line first";
}

TEST_F(ArchiveTest, DownloadsAreKeptFoundExportedAndReadOnlyWhatIsNewTheNextTime) {
  CliResult r = Run("--virtual-state state download -o first.omx");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("stored as archive entry 1"));
  EXPECT_THAT(r.err, Not(HasSubstr("incremental")));
  // The lab keeps its downloads beside its state, never in the user's own archive.
  ASSERT_TRUE(QFile::exists(Path("state.archive.sqlite")));
  EXPECT_FALSE(QFile::exists(Path("data/ombrix/archive.sqlite")));

  // A day later (144 samples at 10 minutes) only the new blocks are read.
  r = Run("--virtual-state state --advance 1d download -o second.omx");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("stored as archive entry 2"));
  EXPECT_THAT(r.err, HasSubstr("incremental download: 11 log blocks read"))
      << "144 new samples in 9 blocks, and the first and the last block held";
  r = Run("--virtual-state state download --full -o third.omx");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("stored as archive entry 3"));
  EXPECT_THAT(r.err, Not(HasSubstr("incremental")));
  r = Run("--virtual-state state --no-archive download -o fourth.omx");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.err, Not(HasSubstr("archive")));

  QJsonArray entries = ListEntries();
  ASSERT_EQ(entries.size(), 3);
  EXPECT_EQ(entries[0].toObject()["Id"].toInt(), 3) << "newest first";
  EXPECT_TRUE(entries[0].toObject()["DownloadTimeIso"].toString().endsWith("+02:00"));
  EXPECT_EQ(entries[2].toObject()["Samples"].toInt(), 3024);
  EXPECT_EQ(entries[1].toObject()["Samples"].toInt(), 3024 + 144);
  const QString serial = entries[0].toObject()["SerialNumber"].toString();
  EXPECT_EQ(ListEntries({"--serial", serial}).size(), 3);
  EXPECT_EQ(ListEntries({"--serial", "0000000000000001"}).size(), 0);
  EXPECT_EQ(ListEntries({"--since", "2026-07-02T12:00:00"}).size(), 2);
  EXPECT_EQ(ListEntries({"--since", "2027-01-01T00:00:00"}).size(), 0);
  r = Run("--virtual-state state archive list");
  EXPECT_EQ(r.code, 0);
  EXPECT_THAT(r.out, HasSubstr("3168"));

  // An entry comes back as the very file its download wrote.
  r = Run("--virtual-state state archive export 2 -o copy.omx");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFile(Path("copy.omx")), ReadFile(Path("second.omx")));
  r = Run("--virtual-state state archive audit --format csv");
  EXPECT_THAT(r.out, HasSubstr(",export,"));
  EXPECT_THAT(r.out, HasSubstr(",2,,file=copy.omx,done,"));
  r = Run("--virtual-state state archive show 2");
  EXPECT_EQ(r.code, 0);
  EXPECT_THAT(r.out, HasSubstr("Archive entry :"));

  // Files already in the archive are not stored again; another one is.
  r = Run("--virtual-state state archive import second.omx first.omx fourth.omx");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("second.omx: already in the archive as entry 2"));
  EXPECT_THAT(r.err, HasSubstr("first.omx: already in the archive as entry 1"));
  EXPECT_THAT(r.err, HasSubstr("fourth.omx: stored as archive entry 4"));
  EXPECT_EQ(ListEntries().size(), 4);
}

// A record's test mode and the mark of a file edited after it was saved go into the archive with
// the record, show in its listing and come back out in the file export writes.
TEST_F(ArchiveTest, TestModeAndTheChangedMarkSurviveTheArchive) {
  CliResult r = Run("--virtual-state state --no-archive download -o clean.omx");
  ASSERT_EQ(r.code, 0) << r.err;
  auto record = std::make_unique<TProbeRecord>();
  std::string error;
  ASSERT_TRUE(LoadFromFile(*record, Path("clean.omx"), &error)) << error;
  record->Test = true;
  record->DecodeLog();
  ASSERT_TRUE(SaveToFile(*record, Path("test.omx"), &error)) << error;
  // clean.omx with one log value changed by hand.
  std::string bytes = ReadFile(Path("clean.omx"));
  const std::size_t at = bytes.find("\r\nT3=") + 5;
  bytes.replace(at, bytes.find("\r\n", at) - at, "0");
  QFile edited(Path("edited.omx"));
  ASSERT_TRUE(edited.open(QIODevice::WriteOnly));
  edited.write(bytes.data(), static_cast<qint64>(bytes.size()));
  edited.close();

  const struct {
    std::string file;
    bool test, changed;
  } cases[] = {{"clean.omx", false, false}, {"test.omx", true, false}, {"edited.omx", false, true}};
  const CliResult imported =
      Run("--virtual-state state archive import clean.omx test.omx edited.omx");
  ASSERT_EQ(imported.code, 0) << imported.err;
  const QJsonArray entries = ListEntries();  // newest first: the same download, so by id
  const QStringList lines = QString::fromStdString(Run("--virtual-state state archive list").out)
                                .split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(entries.size(), 3);
  ASSERT_EQ(lines.size(), 4);
  for (int i = 0; i < 3; ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.file);
    const std::string id = std::to_string(i + 1);
    EXPECT_THAT(imported.err, HasSubstr(c.file + ": stored as archive entry " + id));
    EXPECT_EQ(entries[2 - i].toObject()["Changed"].toBool(!c.changed), c.changed);
    EXPECT_EQ(lines[3 - i].endsWith("  (changed after it was saved)"), c.changed)
        << lines[3 - i].toStdString();
    const std::string shown = Run(("--virtual-state state archive show " + id).c_str()).out;
    EXPECT_EQ(shown.find("\nChanged after it was saved: ") != std::string::npos, c.changed);

    r = Run(("--virtual-state state archive export " + id + " -o copy.omx --yes").c_str());
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_TRUE(LoadFromFile(*record, Path("copy.omx"), &error)) << error;
    EXPECT_EQ(record->Test, c.test);
    EXPECT_EQ(record->ChangedAfterSave, c.changed);
    EXPECT_EQ(record->LogBuffer[3] == 0, c.changed) << "the edited value is kept";
  }
}

// archive list writes its entries as the archive gives them: a window of the listing with --limit
// and --offset, as text and as JSON with the same entries, the JSON one document, exactly as
// QJsonDocument writes it although it is written an entry at a time.
TEST_F(ArchiveTest, ListsWindowsOfTheArchiveAsTextAndAsOneJsonDocument) {
  // Texts JSON has to escape (the name, the archive's file name), and a letter beyond ASCII.
  const char* kName = "Fridge \"2\"\t\xFC";
  ArchiveLocation location;
  location.path = Path("fi\"ve.sqlite").toStdString();
  {
    TArchive archive(location);
    std::string error;
    // Downloaded at these seconds: the listing runs 4, 3, 2, 5, 1 (of one second, the higher id
    // first).
    const std::int64_t seconds[] = {100, 300, 300, 500, 200};
    for (int i = 0; i < 5; ++i) {
      // Entry 5 is of a clear probe: no samples, no mission start, null in the JSON.
      auto record =
          MakeRecord(0x28A1, kName, 1'655'000'000, i == 4 ? 0 : 10 + i, 1'655'000'000 + seconds[i]);
      if (i == 4) record->MissionStart = 0;
      StoreResult result;
      ASSERT_TRUE(archive.Store(*record, {}, result, error)) << error;
    }
  }
  const struct {
    const char* window;
    std::vector<int> ids;
  } cases[] = {
      {"", {4, 3, 2, 5, 1}}, {"--limit 2", {4, 3}},        {"--offset=1 --limit 3", {3, 2, 5}},
      {"--offset 4", {1}},   {"--limit 1 --offset 5", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.window);
    const QStringList list = Args("--archive fi\"ve.sqlite archive list") + Args(c.window);
    const CliResult text = Run(list);
    ASSERT_EQ(text.code, 0) << text.err;
    const CliResult json = Run(list + Args("--format json"));
    ASSERT_EQ(json.code, 0) << json.err;

    std::vector<int> fromText, fromJson;
    const QStringList lines = QString::fromStdString(text.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines[0].trimmed().startsWith(u"Id  Serial number")) << "the header, always";
    for (qsizetype i = 1; i < lines.size(); ++i)
      fromText.push_back(lines[i].section(u' ', 0, 0, QString::SectionSkipEmpty).toInt());
    QJsonParseError parse;
    const QByteArray bytes = QByteArray::fromStdString(json.out);
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parse);
    ASSERT_EQ(parse.error, QJsonParseError::NoError) << parse.errorString().toStdString();
    EXPECT_EQ(document.toJson(QJsonDocument::Indented), bytes);
    EXPECT_TRUE(document.object()["Archive"].toString().endsWith(u"fi\"ve.sqlite"));
    for (const QJsonValue entry : document.object()["Entries"].toArray()) {
      fromJson.push_back(entry.toObject()["Id"].toInt());
      EXPECT_EQ(entry.toObject()["Name"].toString(), QStringLiteral("Fridge \"2\"\t\u00FC"));
    }
    EXPECT_EQ(fromText, c.ids);
    EXPECT_EQ(fromJson, c.ids);
  }
}

// Demo downloads never reach the user's archive: without a state they go to one that lasts as long
// as the run, and wherever they are kept, the entry names the adapter as virtual.
TEST_F(ArchiveTest, VirtualDownloadsStayOutOfTheUsersArchiveAndSaySo) {
  for (int run = 0; run < 2; ++run) {
    const CliResult r = Run("--virtual download -o demo.omx --yes");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("stored as archive entry 1")) << "a fresh archive each run";
  }
  EXPECT_FALSE(QFile::exists(Path("data/ombrix/archive.sqlite")));

  CliResult r = Run("--virtual --archive demo.sqlite download -o named.omx");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_FALSE(QFile::exists(Path("data/ombrix/archive.sqlite")));
  const char* kVirtualAdapter = "Ombrix adapter (USB serial OMX10001, virtual)";
  r = Run("--archive demo.sqlite archive list --format json");
  ASSERT_EQ(r.code, 0) << r.err;
  const QJsonArray entries = QJsonDocument::fromJson(QByteArray::fromStdString(r.out))
                                 .object()
                                 .value(QStringLiteral("Entries"))
                                 .toArray();
  ASSERT_EQ(entries.size(), 1);
  EXPECT_EQ(entries[0].toObject()["Adapter"].toString(), kVirtualAdapter);
  for (const char* line :
       {"--archive demo.sqlite archive list", "--archive demo.sqlite archive show 1"}) {
    r = Run(line);
    EXPECT_EQ(r.code, 0) << line;
    EXPECT_THAT(r.out, HasSubstr(kVirtualAdapter)) << line;
  }
}

TEST_F(ArchiveTest, AnArchiveThatFailsLosesNoDownload) {
  QFile damaged(Path("damaged.sqlite"));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write(QByteArray(4096, 'x'));
  damaged.close();

  CliResult r = Run("--virtual-state state --archive damaged.sqlite download -o kept.omx");
  EXPECT_EQ(r.code, 9) << r.err;
  EXPECT_THAT(r.err, HasSubstr("samples saved to kept.omx"));
  EXPECT_THAT(r.err, HasSubstr("the download was not stored in the archive"));
  EXPECT_TRUE(QFile::exists(Path("kept.omx")));

  for (const char* line :
       {"--archive damaged.sqlite archive list", "archive show 7", "archive export 7 -o x.omx"}) {
    SCOPED_TRACE(line);
    r = Run(line);
    EXPECT_EQ(r.code, 9);
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_FALSE(QFile::exists(Path("x.omx")));
  r = Run("archive import missing.omx kept.omx");
  EXPECT_EQ(r.code, 8) << "the file that cannot be read is the first failure";
  EXPECT_THAT(r.err, HasSubstr("kept.omx: stored as archive entry 1"));
}

// Two workstations, each with its own probe lab, share one archive on a PostgreSQL server: the
// second downloads the same mission a day later and reads only what is new since the first.
TEST_F(ArchiveTest, WorkstationsShareOneArchiveOnPostgreSQL) {
  PgServer server;
  std::string error;
  ASSERT_TRUE(server.Start(error)) << error;
  ArchiveLocation location;
  ASSERT_TRUE(server.CreateDatabase("site", location, error)) << error;
  const QString url = QString::fromStdString(location.Text());
  ASSERT_TRUE(url.startsWith("postgresql://")) << url.toStdString();
  QFile::copy(Path("state"), Path("desk2"));

  CliResult r = Run({"--archive", url, "--virtual-state", "state", "download", "-o", "a.omx"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("stored as archive entry 1"));
  r = Run(
      {"--archive", url, "--virtual-state", "desk2", "--advance", "1d", "download", "-o", "b.omx"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("stored as archive entry 2"));
  EXPECT_THAT(r.err, HasSubstr("incremental download"));
  r = Run({"--archive", url, "archive", "list"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3) << r.out;
  // The local archive has none of them.
  EXPECT_EQ(ListEntries().size(), 0);
}

// A person makes a key, signs, mistypes the passphrase, and a second key of the same person
// waits in vain for confirmation until it is revoked; the archive shows and verifies it all.
TEST_F(ArchiveTest, KeysAndSignaturesFromTheCommandLine) {
  ASSERT_EQ(Run("--virtual-state state download -o first.omx").code, 0);
  const QStringList archive = Args("--virtual-state state");
  const QByteArray passphrase = "correct horse battery\n";
  const auto run = [&](const char* line, const QByteArray& input = {}) {
    return Run(archive + Args(line) + Args("--passphrase-fd 0"), input);
  };
  CliResult r = Run(archive + QStringList{"key", "create", "--administrator", "--name",
                                          "Anna Admin", "--passphrase-fd", "0"},
                    passphrase);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("enrolled as the archive's first administrator key"));
  const std::string login =
      r.out.substr(r.out.find(" of ") + 4, r.out.find(" (") - r.out.find(" of ") - 4);
  EXPECT_TRUE(QFile::exists(Path(("data/ombrix/keys/" + login + ".key").c_str())));
  r = run("key create", passphrase);
  EXPECT_EQ(r.code, 8);
  EXPECT_THAT(r.err, HasSubstr("already; it is not replaced"));

  const struct {
    const char* line;
    QByteArray input;
    int code;
    const char* text;  // in stdout, else in stderr
  } steps[] = {
      {"archive sign 1 --meaning approved --comment shipped", "wrong horse\n", 12,
       "does not unlock the key file"},
      {"archive sign 1 --meaning approved --comment shipped", passphrase, 0, ": shipped"},
      {"key create --key short.key", "short\n", 2, "at least 8 characters"},
      {"key create --key second.key --name Second", passphrase, 0,
       "until an administrator other than you confirms it"},
      {"archive sign 1 --meaning reviewed --key second.key", passphrase, 12,
       "has not been confirmed by an administrator yet"},
      {"key confirm second.key", passphrase, 12, "No key \"second.key\" is enrolled"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.line);
    r = run(step.line, step.input);
    EXPECT_EQ(r.code, step.code) << r.err;
    EXPECT_THAT(
        step.code == 0 && std::string(step.line).find("sign") != std::string::npos ? r.out : r.err,
        HasSubstr(step.text));
  }
  // Both keys are the same person's: the second is the newest of that login.
  r = run(("key confirm " + login).c_str(), passphrase);
  EXPECT_EQ(r.code, 12);
  EXPECT_THAT(r.err, HasSubstr("Nobody confirms their own key"));
  r = Run(archive + QStringList{"key", "revoke", QString::fromStdString(login), "--reason",
                                "made by mistake", "--passphrase-fd", "0"},
          passphrase);
  EXPECT_EQ(r.code, 0) << r.err;
  r = Run(archive + Args("key list"));
  EXPECT_THAT(r.out, HasSubstr("(Anna Admin)  administrator  the first administrator key"));
  EXPECT_THAT(r.out, HasSubstr("(Second)  signer  revoked"));

  r = Run(archive + Args("archive show 1"));
  EXPECT_THAT(r.out, HasSubstr("Signature :         Approved by Anna Admin (" + login + "), "));
  EXPECT_THAT(r.out, HasSubstr("UTC+0"));
  r = Run(archive + Args("archive show 1 --format json"));
  const QJsonArray signatures = QJsonDocument::fromJson(QByteArray::fromStdString(r.out))
                                    .object()
                                    .value(QStringLiteral("Signatures"))
                                    .toArray();
  ASSERT_EQ(signatures.size(), 1);
  EXPECT_EQ(signatures[0].toObject().value(QStringLiteral("Meaning")).toString(),
            QStringLiteral("approved"));
  r = Run(archive + Args("archive verify"));
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_THAT(r.out, HasSubstr("a failed signing of entry 1 by " + login));
  EXPECT_THAT(r.err, HasSubstr("1 entries, 1 signatures and"));
  // Every step, refusals included, is in the audit trail.
  r = Run(archive + Args("archive audit --format csv"));
  int failed = 0;
  for (std::size_t at = 0; (at = r.out.find(",failed,", at)) != std::string::npos; ++at) ++failed;
  EXPECT_EQ(failed, 4);
}

}  // namespace
}  // namespace ombrix::testing
