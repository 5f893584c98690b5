#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

#include "CliRunner.h"
#include "LimitsSettings.h"
#include "RecordFile.h"

namespace ombrix::testing {
namespace {

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

class LimitsTest : public CliTest {
 protected:
  void SetUp() override {
    WriteState(Path("state"), "demo", 2026, 7, 1, 12, 0, 0);
    ASSERT_EQ(Run("--virtual-state state --no-archive download -o week1.omx").code, 0);
    ASSERT_EQ(Run("--virtual-state state --no-archive --advance 7d download -o week2.omx").code, 0);
  }
  QJsonObject Json(const CliResult& r) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
  }
};

TEST_F(LimitsTest, ShowGivesStatisticsVerdictAndAnExitCodeToAlarmOn) {
  // The demo cold room stays between 2.5 and 13 °C.
  CliResult r = Run("show week1.omx --low 0 --high 14 --check");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.out, ContainsRegex("\nVerdict : +within limits\n"));
  EXPECT_THAT(r.out, ContainsRegex("\nMean kinetic temperature : +[0-9]+,[0-9][0-9] °C\n"));
  EXPECT_THAT(r.out, ContainsRegex("\nStandard deviation : +[0-9]+,[0-9][0-9] K\n"));
  // What the window shows in German stays English here, under the German locale the runner sets:
  // ombrix-cli installs no translator, and scripts read these lines.
  EXPECT_THAT(r.out, ContainsRegex("\nMinimum : +[0-9]+,[0-9] °C at [0-9.]+ [0-9:]+\n"));
  EXPECT_THAT(r.out, ContainsRegex("\nDelay before an excursion counts : +0 min\n"));
  r = Run("show week1.omx --high 5 --delay 30 --check --format json");
  EXPECT_EQ(r.code, 10) << r.err;
  EXPECT_THAT(r.err, HasSubstr("week1.omx: outside limits"));
  const QJsonObject shown = Json(r);
  const QJsonObject statistics = shown["Statistics"].toObject();
  EXPECT_EQ(statistics["Verdict"].toString(), "outside limits");
  EXPECT_EQ(statistics["HighLimit"].toDouble(), 5.0);
  EXPECT_TRUE(statistics["LowLimit"].isNull());
  EXPECT_GT(statistics["Excursions"].toInt(), 0);
  EXPECT_GE(statistics["LongestMinutes"].toInt(), 30);
  // Times for machines carry their offset; July is summer time.
  EXPECT_TRUE(shown["Record"].toObject()["StartTimeIso"].toString().endsWith("+02:00"));
  EXPECT_TRUE(statistics["LongestStartIso"].toString().startsWith("2026-0"));
  EXPECT_TRUE(shown["Summary"].toObject()["FirstIso"].toString().contains('T'));

  r = Run("show week1.omx --check");
  EXPECT_EQ(r.code, 2) << "no limits set: --check cannot pass";
  for (const char* bad : {"show week1.omx --low 9 --high 3", "show week1.omx --low cold",
                          "show week1.omx --delay 10001", "report week1.omx -o x.pdf --delay -5"}) {
    SCOPED_TRACE(bad);
    r = Run(bad);
    EXPECT_EQ(r.code, 2);
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_FALSE(QFile::exists(Path("x.pdf")));
}

TEST_F(LimitsTest, ShowSaysWhenAFileWasChangedAfterItWasSaved) {
  EXPECT_FALSE(Json(Run("show week1.omx --format json"))["Changed"].toBool(true));
  QFile file(Path("week1.omx"));
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  QByteArray bytes = file.readAll();
  const qsizetype value = bytes.indexOf("\r\nT0=") + 5;
  bytes.replace(value, bytes.indexOf("\r\n", value) - value, "0");  // -40 degrees
  file.resize(0);
  file.write(bytes);
  file.close();
  EXPECT_TRUE(Json(Run("show week1.omx --format json"))["Changed"].toBool(false));
  EXPECT_THAT(Run("show week1.omx").out, HasSubstr("\nChanged after it was saved"));
  EXPECT_THAT(Run("show week1.omx week2.omx").out, HasSubstr("  (changed after it was saved)\n"));
}

TEST_F(LimitsTest, AProbeKeepsItsLimitsInTheSettings) {
  const CliResult shown = Run("show week1.omx --format json");
  const QString serial = Json(shown)["Record"].toObject()["SerialNumber"].toString();
  QString hex;
  for (const QString& byte : serial.split(u' ')) hex.prepend(byte);
  ASSERT_TRUE(QDir().mkpath(Path("config/ombrix")));
  QFile settings(Path("config/ombrix/ombrix.INI"));
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write(QStringLiteral("[Limits]\nHigh=30\n[Limits %1]\nHigh=5\n").arg(hex).toUtf8());
  settings.close();

  CliResult r = Run("show week1.omx --check");
  EXPECT_EQ(r.code, 10) << "the probe's own limit, not the default";
  r = Run("show week1.omx --high 30 --check");
  EXPECT_EQ(r.code, 0) << "the command line goes first";
  r = Run("--virtual-state state --no-archive download -o again.omx --check");
  EXPECT_EQ(r.code, 10) << r.err;
  EXPECT_THAT(r.err, HasSubstr("limits: outside limits"));
  EXPECT_TRUE(QFile::exists(Path("again.omx"))) << "the download is kept whatever the verdict";
}

// --check names every record that does not pass and ends with the worst: outside the limits,
// then no samples (nothing to judge), then no limits set.
TEST_F(LimitsTest, CheckOfSeveralRecordsReportsEachAndEndsWithTheWorst) {
  TProbeRecord record;
  ASSERT_TRUE(LoadFromFile(record, Path("week1.omx")));
  const QString own = QString::fromStdString(LimitsSection(record.SerialNumber));
  record.SerialNumber ^= 1;  // another probe, without limits of its own
  ASSERT_TRUE(SaveToFile(record, Path("other.omx")));
  TProbeRecord empty;  // a record of a probe that had recorded nothing
  empty.SerialNumber = record.SerialNumber;
  empty.Name = record.Name;
  ASSERT_EQ(empty.HeldSamples(), 0);
  ASSERT_TRUE(SaveToFile(empty, Path("empty.omx")));
  ASSERT_TRUE(QDir().mkpath(Path("config/ombrix")));
  QFile settings(Path("config/ombrix/ombrix.INI"));
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write(QStringLiteral("[%1]\nHigh=5\n[Limits]\nLow=-30\n").arg(own).toUtf8());
  settings.close();

  const struct {
    const char* line;
    int code;
    std::vector<const char*> messages;
  } cases[] = {
      {"show other.omx --check", 0, {}},  // the defaults for other.omx
      {"show empty.omx --check", 11, {"empty.omx: no samples, nothing to judge"}},
      {"show week1.omx empty.omx other.omx --check",
       10,
       {"week1.omx: outside limits", "empty.omx: no samples"}},
      {"show empty.omx week1.omx --check --low off",
       10,
       {"empty.omx: no samples", "week1.omx: outside limits"}},
      {"show other.omx empty.omx --check --low off",
       11,
       {"no limits are set for other.omx", "empty.omx: no samples"}},
      {"show other.omx week1.omx --check --low off",
       10,
       {"no limits are set for other.omx", "week1.omx: outside limits"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const CliResult r = Run(c.line);
    EXPECT_EQ(r.code, c.code) << r.err;
    for (const char* message : c.messages) EXPECT_THAT(r.err, HasSubstr(message));
  }
  const CliResult shown = Run("show empty.omx --high 8");
  EXPECT_THAT(shown.out, ContainsRegex("\nVerdict : +nothing to judge\n"));
  EXPECT_THAT(shown.out, Not(HasSubstr("within")));
}

TEST_F(LimitsTest, SeveralRecordsAtOnce) {
  CliResult r = Run("show week1.omx week2.omx --high 30");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("week1.omx"));
  EXPECT_THAT(r.out, HasSubstr("week2.omx"));
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);
  r = Run("show week1.omx week2.omx --format json");
  EXPECT_EQ(Json(r)["Records"].toArray().size(), 2);

  r = Run("export week1.omx week2.omx --format csv -o both.csv");
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string csv = ReadFile(Path("both.csv"));
  EXPECT_EQ(csv.rfind("serial_number,", 0), 0u);
  std::size_t rows = 0;
  for (std::size_t at = 0; (at = csv.find("\r\n", at)) != std::string::npos; at += 2) ++rows;
  const QJsonArray records =
      Json(Run("show week1.omx week2.omx --format json"))["Records"].toArray();
  EXPECT_EQ(rows, 1 + records[0].toObject()["Summary"].toObject()["Samples"].toInt() +
                      records[1].toObject()["Summary"].toObject()["Samples"].toInt());

  ASSERT_TRUE(QDir().mkpath(Path("texts")));
  r = Run("export week1.omx week2.omx -o texts");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(QFile::exists(Path("texts/week1.txt")));
  EXPECT_TRUE(QFile::exists(Path("texts/week2.txt")));
  r = Run("export week1.omx week2.omx -o one.txt");
  EXPECT_EQ(r.code, 2) << "several records as text need a folder";
}

}  // namespace
}  // namespace ombrix::testing
