#include "ArchiveTesting.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

#include "ArchiveSql.h"
#include "PgServer.h"

namespace ombrix::testing {

namespace {

class PgEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { server.Stop(); }
  PgServer server;
  std::string startError;
};

PgEnvironment* const environment =
    static_cast<PgEnvironment*>(::testing::AddGlobalTestEnvironment(new PgEnvironment));

}  // namespace

ArchiveLocation ArchiveTest::NewLocation() {
  static int count = 0;
  ++count;
  if (GetParam() == Backend::kSqlite) {
    ArchiveLocation location;
    location.path = dir_.filePath(QStringLiteral("archive%1/a.sqlite").arg(count)).toStdString();
    return location;
  }
  ArchiveLocation location;
  std::string error = environment->startError;
  if (error.empty() && !environment->server.Start(error)) environment->startError = error;
  if (error.empty())
    environment->server.CreateDatabase("archive" + std::to_string(count), location, error);
  if (!error.empty()) ADD_FAILURE() << "No PostgreSQL server for the test: " << error;
  return location;
}

QVariant ArchiveTest::Sql(const QStringList& statements) {
  const QString name = QStringLiteral("ombrix-test-sql");
  QVariant value;
  {
    std::string cause;
    if (!archive_sql::Connect(location_, name, false, cause)) ADD_FAILURE() << cause;
    QSqlQuery query(QSqlDatabase::database(name, false));
    for (const QString& statement : statements) {
      if (!query.exec(statement))
        ADD_FAILURE() << statement.toStdString() << ": " << query.lastError().text().toStdString();
    }
    if (query.isSelect() && query.next()) value = query.value(0);
    query.finish();
    QSqlDatabase::database(name, false).close();
  }
  QSqlDatabase::removeDatabase(name);
  return value;
}

std::string ArchiveTest::SqlRefusal(const QString& statement) {
  const QString name = QStringLiteral("ombrix-test-sql");
  std::string refusal;
  {
    std::string cause;
    if (!archive_sql::Connect(location_, name, false, cause)) ADD_FAILURE() << cause;
    QSqlQuery query(QSqlDatabase::database(name, false));
    if (!query.exec(statement)) refusal = query.lastError().text().toStdString();
    query.finish();
    QSqlDatabase::database(name, false).close();
  }
  QSqlDatabase::removeDatabase(name);
  return refusal;
}

QStringList ArchiveTest::DropGuards() const {
  QStringList statements;
  for (const char* table : {"ombrix_entries", "ombrix_audit", "ombrix_keys", "ombrix_key_events",
                            "ombrix_signatures"}) {
    if (location_.kind == ArchiveLocation::Kind::kPostgres) {
      statements << QStringLiteral("DROP TRIGGER %1_kept ON %1").arg(table)
                 << QStringLiteral("DROP TRIGGER %1_not_emptied ON %1").arg(table);
    } else {
      statements << QStringLiteral("DROP TRIGGER %1_kept_update").arg(table)
                 << QStringLiteral("DROP TRIGGER %1_kept_delete").arg(table);
    }
  }
  return statements;
}

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kSqlite ? "SQLite" : "PostgreSQL";
}

void ExpectSameRecord(const TProbeRecord& a, const TProbeRecord& e) {
  // The canonical form holds every status field (each one changes it, as its own test shows) but
  // the local times, which it holds to the second; those must be the very same doubles.
  EXPECT_EQ(CanonicalRecord(a), CanonicalRecord(e));
  EXPECT_EQ(a.CurrentClock, e.CurrentClock);
  EXPECT_EQ(a.DownloadTime, e.DownloadTime);
  EXPECT_EQ(a.StartTime, e.StartTime);
  EXPECT_EQ(a.MissionStart, e.MissionStart);
  EXPECT_TRUE(a.LogBuffer == e.LogBuffer) << "log bytes differ";
  EXPECT_TRUE(std::equal(a.Samples.begin(), a.Samples.end(), e.Samples.begin(),
                         [](const Sample& x, const Sample& y) {
                           return x.Time == y.Time && x.Temperature == y.Temperature;
                         }))
      << "decoded samples differ";
  for (int j = 0; j < TProbeRecord::kHistogramBins; ++j)
    EXPECT_EQ(a.Histogram[j].Count, e.Histogram[j].Count) << "histogram bin " << j;
}

}  // namespace ombrix::testing
