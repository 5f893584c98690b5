#include "ArchiveTesting.h"

#include <QSqlError>
#include <QSqlQuery>

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
    if (!archive_sql::Connect(location_, name, cause)) ADD_FAILURE() << cause;
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

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kSqlite ? "SQLite" : "PostgreSQL";
}

void ExpectSameRecord(const TProbeRecord& a, const TProbeRecord& e) {
  EXPECT_EQ(a.Version, e.Version);
  EXPECT_EQ(a.SerialNumber, e.SerialNumber);
  EXPECT_EQ(a.Name, e.Name);
  EXPECT_EQ(a.Comment, e.Comment);
  EXPECT_EQ(a.CurrentClock, e.CurrentClock);
  EXPECT_EQ(a.MemoryClear, e.MemoryClear);
  EXPECT_EQ(a.MissionInProgress, e.MissionInProgress);
  EXPECT_EQ(a.SampleRate, e.SampleRate);
  EXPECT_EQ(a.RolloverEnable, e.RolloverEnable);
  EXPECT_EQ(a.StartTime, e.StartTime);
  EXPECT_EQ(a.MissionStart, e.MissionStart);
  EXPECT_EQ(a.MissionSamples, e.MissionSamples);
  EXPECT_EQ(a.ReadSamples, e.ReadSamples);
  EXPECT_EQ(a.RolloverOccured, e.RolloverOccured);
  EXPECT_EQ(a.DownloadTime, e.DownloadTime);
  EXPECT_EQ(a.SamplesTotal, e.SamplesTotal);
  EXPECT_EQ(a.Test, e.Test);
  EXPECT_EQ(a.ProbeOff, e.ProbeOff);
  EXPECT_EQ(a.StartSeconds, e.StartSeconds);
  EXPECT_EQ(a.MissionStartSeconds, e.MissionStartSeconds);
  EXPECT_TRUE(a.LogBuffer == e.LogBuffer) << "log bytes differ";
  for (int i = 0; i < TProbeRecord::kLogSize; ++i) {
    if (a.Samples[i].Time != e.Samples[i].Time ||
        a.Samples[i].Temperature != e.Samples[i].Temperature) {
      ADD_FAILURE() << "sample " << i << " differs";
      break;
    }
  }
  for (int j = 0; j < TProbeRecord::kHistogramBins; ++j)
    EXPECT_EQ(a.Histogram[j].Count, e.Histogram[j].Count) << "histogram bin " << j;
}

}  // namespace ombrix::testing
