#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <map>
#include <regex>
#include <set>

#include "CliRunner.h"
#include "ProbeRecord.h"
#include "Scenarios.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;

// The events of a station run's JSON stream, one object per line.
std::vector<QJsonObject> Events(const std::string& out) {
  std::vector<QJsonObject> events;
  for (const QByteArray& line : QByteArray::fromStdString(out).split('\n')) {
    if (line.isEmpty()) continue;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    events.push_back(document.object());
  }
  return events;
}

std::string Text(const QJsonObject& event, const char* key) {
  return event[QLatin1String(key)].toString().toStdString();
}

// The station scenario's tray: four probes over three adapters, one taken off in the middle of
// its download and done when it comes back on another adapter, one put back after it was done,
// and one whose record file cannot be written (a plain file stands where its folder would be).
TEST_F(CliTest, StationDownloadsATrayOnceEachAndReArmsOnlyWhatIsSafe) {
  ASSERT_TRUE(QDir().mkpath(Path("config/ombrix")));
  QFile settings(Path("config/ombrix/ombrix.INI"));
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write("[Launch shelf]\nRate=15\nStart=delay\nDelay=30\nComment=Back on the shelf\n"
                 "[Limits]\nLow=-30\nHigh=12\n");
  settings.close();
  // Freezer 2 gets no folder of its own.
  ASSERT_TRUE(QDir().mkpath(Path("out")));
  const QString freezerSerial =
      QString::fromStdString(SerialNumberText(VirtualProbe::MakeSerialNumber(
                                 scenario::kProbeFamily, 0x00000B1A0004ull)))
          .remove(u' ');
  QFile blocker(Path("out/") + freezerSerial);
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();

  const CliResult r = Run(QStringList{
      "--virtual=station", "--archive", "a.sqlite", "station", "--folder", "out", "--pattern",
      "{serial}/{missionstart:yyyyMMdd-HHmm}_{download:HHmmss}.omx", "--export", "csv", "--rearm",
      "shelf", "--until", "75m", "--format", "json"});
  EXPECT_EQ(r.code, 5) << "one probe failed\n" << r.err;
  const std::vector<QJsonObject> events = Events(r.out);
  ASSERT_FALSE(events.empty()) << r.err;

  // Per adapter, each probe put on runs its steps in order; visits are split at "status".
  const std::regex visit(
      "status (download )+store save verdict export rearm done( taken-off)?|"
      "status (download )+failed taken-off|"
      "status (download )+store failed taken-off|"
      "status already-done( taken-off)?");
  std::map<std::string, std::vector<std::string>> visits;  // adapter -> its probes' step lists
  std::map<std::string, std::map<std::string, int>> steps;  // probe -> step -> count
  std::set<std::int64_t> entries;
  for (const QJsonObject& e : events) {
    const std::string adapter = Text(e, "adapter");
    const std::string step = Text(e, "step");
    if (step == "adapter") continue;
    if (step == "status") visits[adapter].emplace_back();
    ASSERT_FALSE(visits[adapter].empty()) << step << " before any probe on " << adapter;
    visits[adapter].back() += (visits[adapter].back().empty() ? "" : " ") + step;
    ++steps[Text(e, "probe")][step];
    if (step == "store") {
      EXPECT_TRUE(entries.insert(e["entry"].toInteger()).second) << "an entry twice";
    }
    if (step == "done") {
      // Files by the pattern: the probe's serial as folder, mission start and download time.
      const QString file = e["file"].toString();
      const QString serial = e["probe"].toString().remove(u' ');
      EXPECT_TRUE(QRegularExpression("out/" + serial + "/\\d{8}-\\d{4}_\\d{6}\\.omx$")
                      .match(file)
                      .hasMatch())
          << file.toStdString();
      EXPECT_TRUE(QFile::exists(dir_.filePath(file))) << file.toStdString();
      EXPECT_TRUE(QFile::exists(dir_.filePath(file.chopped(4) + ".csv")));
      EXPECT_TRUE(e["rearmed"].toBool());
    }
  }
  for (const auto& [adapter, list] : visits) {
    for (const std::string& steps : list) {
      EXPECT_TRUE(std::regex_match(steps, visit)) << adapter << ": " << steps;
    }
  }
  ASSERT_EQ(steps.size(), 4u) << "four probes in the tray";
  int downloads = 0;
  for (const auto& [probe, count] : steps) {
    SCOPED_TRACE(probe);
    const bool freezer = QString::fromStdString(probe).remove(u' ') == freezerSerial;
    // Every probe is downloaded and stored once per mission, re-armed only after success.
    EXPECT_EQ(count.count("store") ? count.at("store") : 0, 1);
    EXPECT_EQ(count.count("rearm") ? count.at("rearm") : 0, freezer ? 0 : 1);
    EXPECT_EQ(count.count("done") ? count.at("done") : 0, freezer ? 0 : 1);
    downloads += count.count("store") ? count.at("store") : 0;
  }
  // The van left in the middle of its download, and the pharmacy fridge came back.
  int failedDownloads = 0, knownAgain = 0;
  for (const QJsonObject& e : events) {
    if (Text(e, "step") == "failed" && Text(e, "message").rfind("download:", 0) == 0) {
      ++failedDownloads;
      EXPECT_EQ(Text(e, "name"), "Van 3 chiller box");
    }
    if (Text(e, "step") == "failed" && Text(e, "message").rfind("save:", 0) == 0) {
      EXPECT_EQ(Text(e, "name"), "Freezer 2");
    }
    if (Text(e, "step") == "already-done") {
      ++knownAgain;
      EXPECT_EQ(Text(e, "name"), "Pharmacy fridge");
      EXPECT_THAT(Text(e, "message"), HasSubstr("mission this station launched"));
    }
  }
  EXPECT_EQ(failedDownloads, 1);
  EXPECT_EQ(knownAgain, 1);

  // One archive entry per completed download, and the audit trail has every step.
  const CliResult listed = Run("--archive a.sqlite archive list --format json");
  ASSERT_EQ(listed.code, 0) << listed.err;
  EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(listed.out))
                .object()["Entries"]
                .toArray()
                .size(),
            downloads);
  const CliResult audit = Run("--archive a.sqlite archive audit --format csv");
  ASSERT_EQ(audit.code, 0) << audit.err;
  std::map<std::string, int> actions;
  for (const char* action : {",launch,", ",clear,", ",save,", ",export,", ",download,"}) {
    std::size_t at = 0;
    while ((at = audit.out.find(action, at)) != std::string::npos) {
      ++actions[action];
      ++at;
    }
  }
  EXPECT_EQ(actions[",launch,"], 3);
  EXPECT_EQ(actions[",clear,"], 3);
  EXPECT_EQ(actions[",save,"], 4) << "three saved, one failed";
  EXPECT_EQ(actions[",export,"], 3);
  EXPECT_EQ(actions[",download,"], 5) << "four stored, one interrupted";
}

// The same station ends after a number of downloads (finishing the probes under way and taking no
// new one), and the text form has a line per step and a summary per probe.
TEST_F(CliTest, StationEndsAfterItsProbesAndWritesLines) {
  const CliResult r = Run("--virtual=station --no-archive station --folder out --probes 2");
  EXPECT_EQ(r.code, 5) << r.err;  // the van's interrupted download is one of the two
  int summaries = 0;
  for (const QString& line : QString::fromStdString(r.out).split(u'\n', Qt::SkipEmptyParts)) {
    if (line.contains(QLatin1String(" done: ")) || line.contains(QLatin1String(" failed: "))) {
      ++summaries;
    }
  }
  EXPECT_GE(summaries, 2) << r.out;
  EXPECT_THAT(r.out, HasSubstr(" save: "));
  EXPECT_THAT(r.out, ::testing::Not(HasSubstr("Freezer 2"))) << "it comes later";
  EXPECT_EQ(Run("--virtual=station station").code, 2) << "virtual time must end";
  EXPECT_EQ(Run("--virtual=station station --probes 1 --pattern {nope}.omx").code, 2);
}

}  // namespace
}  // namespace ombrix::testing
