// The role the help gives ombrix-cli serve on a shared PostgreSQL archive, made on a throwaway
// server by the help's own statements: serve shows the archive as that role, and the role can
// change nothing in it.
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <vector>

#include "Archive.h"
#include "ArchiveRecords.h"
#include "ArchiveSql.h"
#include "CliRunner.h"
#include "PgServer.h"
#include "ServeProcess.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::int64_t kMissionStart = 1'780'000'000;  // June 2026

// The statements of the help's block that creates the role ombrix_web.
QStringList RoleStatements(const char* helpFile) {
  QFile file(QString::fromUtf8(helpFile));
  if (!file.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "cannot read " << helpFile;
    return {};
  }
  static const QRegularExpression block(QStringLiteral("<pre>(CREATE ROLE ombrix_web .*?)</pre>"),
                                        QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch match = block.match(QString::fromUtf8(file.readAll()));
  if (!match.hasMatch()) {
    ADD_FAILURE() << helpFile << " has no statements that create the role ombrix_web";
    return {};
  }
  QStringList statements;
  for (const QString& statement : match.captured(1).split(u';')) {
    if (!statement.trimmed().isEmpty()) statements << statement.simplified();
  }
  return statements;
}

// Each statement in turn on one connection of the location's role: what the server said to each,
// "" for those it did; the rows of a SELECT, their columns joined by blanks.
struct SqlOutcome {
  std::vector<std::string> refusals;
  QStringList rows;
};
SqlOutcome Execute(const ArchiveLocation& location, const QStringList& statements) {
  const QString name = QStringLiteral("ombrix-role-test");
  SqlOutcome outcome;
  {
    std::string cause;
    if (!archive_sql::Connect(location, name, false, cause)) {
      ADD_FAILURE() << location.Text() << ": " << cause;
      return outcome;
    }
    QSqlQuery query(QSqlDatabase::database(name, false));
    for (const QString& statement : statements) {
      const bool done = query.exec(statement);
      outcome.refusals.push_back(done ? std::string() : query.lastError().text().toStdString());
      while (done && query.isSelect() && query.next()) {
        QStringList columns;
        for (int i = 0; i < query.record().count(); ++i) columns << query.value(i).toString();
        outcome.rows << columns.join(u' ');
      }
    }
    query.finish();
    QSqlDatabase::database(name, false).close();
  }
  QSqlDatabase::removeDatabase(name);
  return outcome;
}

class ServeRoleTest : public CliTest {};

TEST_F(ServeRoleTest, TheHelpsReadingRoleServesTheArchiveAndChangesNothing) {
  PgServer server;
  std::string error;
  ASSERT_TRUE(server.Start(error)) << error;
  ArchiveLocation owner;
  ASSERT_TRUE(server.CreateDatabase("ombrix", owner, error)) << error;
  {
    TArchive archive(owner);
    ASSERT_TRUE(archive.Open(error)) << error;
    for (int i = 0; i < 3; ++i) {
      auto record = MakeRecord(0x2800000000001230ULL + i, "Cold room " + std::to_string(i + 1),
                               kMissionStart, 100 + i, kMissionStart + 60'000 + i, i);
      StoreResult stored;
      ASSERT_TRUE(archive.Store(*record, CurrentProvenance("", "download", "2.10"), stored, error))
          << error;
    }
  }

  // The database administrator runs the help's statements; both languages give the same ones.
  const QStringList statements = RoleStatements(OMBRIX_HELP_FILE);
  ASSERT_FALSE(statements.isEmpty());
  const auto withoutPassword = [](QStringList list) {
    static const QRegularExpression password(QStringLiteral("PASSWORD '[^']*'"));
    for (QString& statement : list) statement.replace(password, QStringLiteral("PASSWORD ''"));
    return list.join(u'\n').toStdString();
  };
  EXPECT_EQ(withoutPassword(RoleStatements(OMBRIX_GERMAN_HELP_FILE)), withoutPassword(statements));
  const SqlOutcome made = Execute(owner, statements);
  for (std::size_t i = 0; i < made.refusals.size(); ++i) {
    EXPECT_EQ(made.refusals[i], "") << statements[i].toStdString();
  }

  // Every table of the archive is readable by the role, and none writable.
  const SqlOutcome rights = Execute(
      owner, {QStringLiteral(
                 "SELECT tablename, has_table_privilege('ombrix_web', quote_ident(tablename), "
                 "'SELECT'), has_table_privilege('ombrix_web', quote_ident(tablename), 'INSERT, "
                 "UPDATE, DELETE, TRUNCATE, REFERENCES, TRIGGER') FROM pg_tables WHERE "
                 "schemaname = 'public' ORDER BY tablename")});
  ASSERT_GE(rights.rows.size(), 6) << rights.rows.join(u',').toStdString();
  QStringList tables;
  for (const QString& row : rights.rows) {
    const QStringList columns = row.split(u' ');
    tables << columns[0];
    EXPECT_EQ(columns.mid(1).join(u' ').toStdString(), "true false") << columns[0].toStdString();
  }

  // serve, told the role by the archive location, shows the listing and an entry.
  ArchiveLocation web = owner;
  web.user = "ombrix_web";
  ServeProcess serve;
  ASSERT_TRUE(serve.Start(dir_.path(), {QStringLiteral("--archive"),
                                        QString::fromStdString(web.Text()), QStringLiteral("serve"),
                                        QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")}))
      << serve.Err().toStdString();
  EXPECT_THAT(serve.Err().toStdString(), HasSubstr("postgresql://ombrix_web@"));
  const HttpAnswer list = serve.Get("/");
  EXPECT_EQ(list.status, 200) << list.body.substr(0, 2000);
  EXPECT_THAT(list.body, HasSubstr("3 downloads"));
  for (const char* name : {"Cold room 1", "Cold room 2", "Cold room 3"}) {
    EXPECT_THAT(list.body, HasSubstr(name));
  }
  const HttpAnswer entry = serve.Get("/entry/2");
  EXPECT_EQ(entry.status, 200) << entry.body.substr(0, 2000);
  EXPECT_THAT(entry.body, HasSubstr("Cold room 2"));
  EXPECT_THAT(entry.body, Not(HasSubstr("Cold room 3")));
  EXPECT_EQ(serve.Stop(), 0) << serve.Err().toStdString();

  // The role itself, outside serve's read-only session, may neither add rows nor make tables.
  QStringList writes;
  for (const QString& table : tables) {
    writes << QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
  }
  writes << QStringLiteral("CREATE TABLE ombrix_more (x INTEGER)");
  const SqlOutcome written = Execute(web, writes);
  ASSERT_EQ(written.refusals.size(), static_cast<std::size_t>(writes.size()));
  for (std::size_t i = 0; i < written.refusals.size(); ++i) {
    EXPECT_THAT(written.refusals[i], HasSubstr("permission denied")) << writes[i].toStdString();
  }
}

}  // namespace
}  // namespace ombrix::testing
