#include <gmock/gmock.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <functional>

#include "ArchiveRecords.h"
#include "ArchiveTesting.h"
#include "PgServer.h"

namespace ombrix::testing {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

constexpr std::int64_t kT0 = 1'655'000'000;

std::string FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// Files that are not archives are refused with the reason and left exactly as they were.
TEST(ArchiveFaults, SqliteFilesThatAreNotArchives) {
  QTemporaryDir dir;
  struct Case {
    const char* what;
    std::function<void(const QString&)> make;
    const char* says;
  };
  const Case cases[] = {
      {"garbage",
       [](const QString& path) {
         QByteArray bytes(8192, '\0');
         for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 % 251);
         QFile file(path);
         ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
       },
       "it is not an Ombrix archive: the file is not an SQLite database"},
      {"another program's database",
       [](const QString& path) {
         auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
         db.setDatabaseName(path);
         ASSERT_TRUE(db.open());
         QSqlQuery(db).exec(QStringLiteral("CREATE TABLE patients (id INTEGER)"));
         db.close();
         db = QSqlDatabase();
         QSqlDatabase::removeDatabase(QStringLiteral("other"));
       },
       "is not an Ombrix archive: it holds other tables (patients)"},
      {"a folder", [](const QString& path) { QDir().mkpath(path); }, "cannot be opened"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString path = dir.filePath(QStringLiteral("%1/a.sqlite").arg(++n));
    QDir().mkpath(QFileInfo(path).absolutePath());
    c.make(path);
    const std::string before = FileBytes(path);
    ArchiveLocation location;
    location.path = path.toStdString();
    TArchive archive(location);
    std::string error;
    EXPECT_FALSE(archive.Open(error));
    EXPECT_THAT(error, AllOf(HasSubstr("\"" + location.path + "\""), HasSubstr(c.says)));
    EXPECT_EQ(FileBytes(path), before);
  }
}

// The disk fills up (the archive's size limit, for SQLite the same error): the store fails with
// the reason, nothing of it remains, and the archive goes on once there is room again.
TEST(ArchiveFaults, FullDiskStoresNothingAndSaysSo) {
  QTemporaryDir dir;
  ArchiveLocation location;
  location.path = dir.filePath(QStringLiteral("a.sqlite")).toStdString();
  TArchive archive(location);
  std::string error;
  StoreResult result;
  ASSERT_TRUE(archive.Store(*MakeRecord(1, "a", kT0, 100, kT0 + 600), {}, result, error)) << error;
  QSqlQuery pragma(QSqlDatabase::database(QString::fromStdString(archive.ConnectionName())));
  ASSERT_TRUE(pragma.exec(QStringLiteral("PRAGMA page_count")) && pragma.next());
  const int pages = pragma.value(0).toInt();
  ASSERT_TRUE(pragma.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages)));

  const auto big = MakeRecord(1, "b", kT0, 8000, kT0 + 86'400);
  EXPECT_FALSE(archive.Store(*big, {}, result, error));
  EXPECT_THAT(error, AllOf(HasSubstr("\"" + location.path + "\""), HasSubstr("disk is full")));
  std::vector<ArchiveEntry> entries;
  ASSERT_TRUE(archive.List({}, entries, error)) << error;
  EXPECT_EQ(entries.size(), 1u);

  ASSERT_TRUE(pragma.exec(QStringLiteral("PRAGMA max_page_count = 1000000")));
  ASSERT_TRUE(archive.Store(*big, {}, result, error)) << error;
  EXPECT_FALSE(result.duplicate);
}

TEST(ArchiveFaults, ServerThatIsDown) {
  TArchive archive(PgServer::Unreachable());
  std::string error;
  EXPECT_FALSE(archive.Open(error));
  EXPECT_THAT(error, AllOf(HasSubstr("\"" + archive.Location().Text() + "\""),
                           HasSubstr("Connection refused")));
}

using DroppedConnection = ArchiveTest;

// An administrator ends the archive's session: the next call connects again. A store cut off in
// the middle (its row written, its commit not reached) leaves no row.
TEST_P(DroppedConnection, NextCallReconnectsAndACutStoreLeavesNoRow) {
  TArchive archive(location_);
  std::string error;
  StoreResult result;
  ASSERT_TRUE(archive.Store(*MakeRecord(1, "a", kT0, 100, kT0 + 600), {}, result, error)) << error;
  const QString others = QStringLiteral(
      "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity "
      "WHERE application_name = 'ombrix' AND pid <> pg_backend_pid()");
  EXPECT_EQ(Sql({others}).toInt(), 1);
  std::vector<ArchiveEntry> entries;
  ASSERT_TRUE(archive.List({}, entries, error)) << error;
  EXPECT_EQ(entries.size(), 1u);

  Sql(
      {"CREATE FUNCTION cut() RETURNS trigger LANGUAGE plpgsql AS "
       "$$BEGIN PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END$$",
       "CREATE TRIGGER cut AFTER INSERT ON ombrix_entries FOR EACH ROW EXECUTE FUNCTION cut()"});
  const auto second = MakeRecord(1, "b", kT0, 200, kT0 + 1200);
  EXPECT_FALSE(archive.Store(*second, {}, result, error));
  EXPECT_THAT(error, AllOf(HasSubstr("Cannot store the download in the archive \"" +
                                     location_.Text() + "\""),
                           HasSubstr("terminating connection")));
  Sql({"DROP TRIGGER cut ON ombrix_entries"});
  EXPECT_EQ(Sql({"SELECT count(*) FROM ombrix_entries"}).toInt(), 1);
  ASSERT_TRUE(archive.Store(*second, {}, result, error)) << error;
  EXPECT_FALSE(result.duplicate);
}

INSTANTIATE_TEST_SUITE_P(Backends, DroppedConnection, ::testing::Values(Backend::kPostgres),
                         BackendName);

}  // namespace
}  // namespace ombrix::testing
