#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <cstdio>
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

// A tray probe's serial number as the pattern's {serial} and the settings' [Limits SERIAL] have
// it.
std::string PatternSerial(std::uint64_t number) {
  return QString::fromStdString(
             SerialNumberText(VirtualProbe::MakeSerialNumber(scenario::kProbeFamily, number)))
      .remove(u' ')
      .toStdString();
}
std::string LimitsSerial(std::uint64_t number) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llX",
                static_cast<unsigned long long>(
                    VirtualProbe::MakeSerialNumber(scenario::kProbeFamily, number)));
  return text;
}

// Runs ombrix-cli with `folder` on a file system of its own that is full at once, where the
// system lets an ordinary process mount one (a user namespace); else with a plain file where the
// folder would be, which fails the save as well.
QStringList FullFolder(const QString& folder, bool& reallyFull) {
  QProcess probe;
  probe.start(QStringLiteral("unshare"), {"-rm", "true"});
  reallyFull = probe.waitForFinished(10'000) && probe.exitStatus() == QProcess::NormalExit &&
               probe.exitCode() == 0;
  if (!reallyFull) {
    QFile blocker(folder);
    EXPECT_TRUE(blocker.open(QIODevice::WriteOnly));
    return {};
  }
  EXPECT_TRUE(QDir().mkpath(folder));
  return {
      "unshare", "-rm", "sh", "-c", "mount -t tmpfs -o size=4k ombrix-full \"$0\" && exec \"$@\"",
      folder};
}

// The station scenario's tray: twelve probes over three adapters at moments of their own. Two
// are taken off in the middle of their downloads and done when they come back, one is put back
// after it was done, one is outside its own limits, and one's record file finds its folder
// full.
TEST_F(CliTest, StationDownloadsATrayOnceEachAndReArmsOnlyWhatIsSafe) {
  ASSERT_TRUE(QDir().mkpath(Path("config/ombrix")));
  QFile settings(Path("config/ombrix/ombrix.INI"));
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  const std::string bloodBank = PatternSerial(0x00000B1A0008ull);
  settings.write(("[Launch shelf]\nRate=15\nStart=delay\nDelay=30\nComment=Back on the shelf\n"
                  "[Limits " +
                  LimitsSerial(0x00000B1A0008ull) + "]\nLow=2\nHigh=3\n")
                     .c_str());
  settings.close();
  const std::string freezer = PatternSerial(0x00000B1A0004ull);
  bool reallyFull = false;
  const QStringList wrapper =
      FullFolder(Path("out/") + QString::fromStdString(freezer), reallyFull);

  const CliResult r = RunCli(
      dir_.path(),
      {"--virtual=station", "--archive", "a.sqlite", "station", "--folder", "out", "--pattern",
       "{serial}/{missionstart:yyyyMMdd-HHmm}_{download:HHmmss}.omx", "--export", "csv", "--report",
       "--rearm", "shelf", "--until", "75m", "--format", "json"},
      {}, wrapper);
  EXPECT_EQ(r.code, 5) << "probes failed\n" << r.err;
  const std::vector<QJsonObject> events = Events(r.out);
  ASSERT_FALSE(events.empty()) << r.err;

  // Per adapter, each probe put on runs its steps in order; visits are split at "status".
  const std::regex visit(
      "status (download )+store save verdict report export rearm done( taken-off)?|"
      "status (download )+failed taken-off|"
      "status (download )+store failed taken-off|"
      "status already-done( taken-off)?");
  std::map<std::string, std::vector<std::string>> visits;   // adapter -> its probes' step lists
  std::map<std::string, std::map<std::string, int>> steps;  // probe folder -> step -> count
  std::map<std::string, std::string> verdicts;
  std::set<std::int64_t> entries;
  std::map<std::string, int> failures;  // the failed step's name -> probes
  for (const QJsonObject& e : events) {
    const std::string adapter = Text(e, "adapter");
    const std::string step = Text(e, "step");
    if (step == "adapter") continue;
    if (step == "status") visits[adapter].emplace_back();
    ASSERT_FALSE(visits[adapter].empty()) << step << " before any probe on " << adapter;
    visits[adapter].back() += (visits[adapter].back().empty() ? "" : " ") + step;
    const std::string probe = QString::fromStdString(Text(e, "probe")).remove(u' ').toStdString();
    ++steps[probe][step];
    if (step == "store") {
      EXPECT_TRUE(entries.insert(e["entry"].toInteger()).second) << "an entry twice";
    }
    if (step == "failed") ++failures[Text(e, "message").substr(0, Text(e, "message").find(':'))];
    if (step == "verdict") verdicts[probe] = Text(e, "verdict");
    if (step == "save" && probe == freezer) ADD_FAILURE() << "saved into a full folder";
    if (step == "failed" && probe == freezer && reallyFull) {
      EXPECT_THAT(Text(e, "message"), HasSubstr("No space left")) << Text(e, "message");
    }
    if (step == "done") {
      // Files by the pattern: the probe's serial as folder, mission start and download time;
      // the report and the export beside it.
      const QString file = e["file"].toString();
      EXPECT_TRUE(QRegularExpression(QString::fromStdString("out/" + probe) +
                                     "/\\d{8}-\\d{4}_\\d{6}\\.omx$")
                      .match(file)
                      .hasMatch())
          << file.toStdString();
      for (const QString& beside : {file, file.chopped(4) + ".csv", file.chopped(4) + ".pdf"}) {
        EXPECT_TRUE(QFile::exists(dir_.filePath(beside))) << beside.toStdString();
      }
      EXPECT_TRUE(e["rearmed"].toBool());
    }
  }
  for (const auto& [adapter, list] : visits) {
    for (const std::string& steps : list) {
      EXPECT_TRUE(std::regex_match(steps, visit)) << adapter << ": " << steps;
    }
  }
  ASSERT_EQ(steps.size(), 12u) << "twelve probes in the tray";
  for (const auto& [probe, count] : steps) {
    SCOPED_TRACE(probe);
    const auto times = [&count](const char* step) {
      return count.count(step) ? count.at(step) : 0;
    };
    // Every probe is downloaded and stored once per mission, re-armed only after success.
    EXPECT_EQ(times("store"), 1);
    EXPECT_EQ(times("rearm"), probe == freezer ? 0 : 1);
    EXPECT_EQ(times("done"), probe == freezer ? 0 : 1);
    if (probe != freezer) {
      EXPECT_EQ(verdicts[probe], probe == bloodBank ? "outside limits" : "no limits set");
    }
  }
  // The two vans left in the middle of their downloads, the freezer's folder was full, and the
  // pharmacy fridge came back with the mission the station gave it.
  EXPECT_EQ(failures, (std::map<std::string, int>{{"download", 2}, {"save", 1}}));
  int knownAgain = 0;
  for (const QJsonObject& e : events) {
    if (Text(e, "step") != "already-done") continue;
    ++knownAgain;
    EXPECT_EQ(Text(e, "name"), "Pharmacy fridge");
    EXPECT_THAT(Text(e, "message"), HasSubstr("mission this station launched"));
  }
  EXPECT_EQ(knownAgain, 1);

  // One archive entry per completed download, and the audit trail has every step.
  const CliResult listed = Run("--archive a.sqlite archive list --format json");
  ASSERT_EQ(listed.code, 0) << listed.err;
  EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(listed.out))
                .object()["Entries"]
                .toArray()
                .size(),
            12);
  const CliResult audit = Run("--archive a.sqlite archive audit --format csv");
  ASSERT_EQ(audit.code, 0) << audit.err;
  std::map<std::string, int> actions;
  for (const char* action :
       {",launch,", ",clear,", ",save,", ",report,", ",export,", ",download,"}) {
    std::size_t at = 0;
    while ((at = audit.out.find(action, at)) != std::string::npos) {
      ++actions[action];
      ++at;
    }
  }
  EXPECT_EQ(actions, (std::map<std::string, int>{{",launch,", 11},
                                                 {",clear,", 11},
                                                 {",save,", 12},  // one of them failed
                                                 {",report,", 11},
                                                 {",export,", 11},
                                                 {",download,", 14}}))  // two interrupted
      << audit.out;
}

// The same station ends after a number of downloads (finishing the probes under way and taking no
// new one), and the text form has a line per step and a summary per probe; a clear probe.
TEST_F(CliTest, StationEndsAfterItsProbesAndWritesLines) {
  const CliResult r = Run("--virtual=station --no-archive station --folder out --probes 2");
  EXPECT_EQ(r.code, 0) << r.err;  // the first two are done before the van is taken off
  int summaries = 0;
  for (const QString& line : QString::fromStdString(r.out).split(u'\n', Qt::SkipEmptyParts)) {
    if (line.contains(QLatin1String(" done: ")) || line.contains(QLatin1String(" failed: "))) {
      ++summaries;
    }
  }
  EXPECT_GE(summaries, 2) << r.out;
  EXPECT_THAT(r.out, HasSubstr(" save: "));
  EXPECT_THAT(r.out, ::testing::Not(HasSubstr("Freezer 5"))) << "it comes later";
  // A clear probe has nothing to download: it is launched when the station re-arms, else left
  // alone; neither is a failure.
  ASSERT_TRUE(QDir().mkpath(Path("config/ombrix")));
  QFile settings(Path("config/ombrix/ombrix.INI"));
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write("[Launch shelf]\nRate=15\n");
  settings.close();
  const CliResult armed =
      Run("--virtual=clear --no-archive station --rearm shelf --until 1m --format json");
  EXPECT_EQ(armed.code, 0) << armed.err;
  std::string steps;
  for (const QJsonObject& e : Events(armed.out)) steps += Text(e, "step") + " ";
  EXPECT_EQ(steps, "adapter status rearm done ") << armed.out;
  EXPECT_THAT(armed.out, HasSubstr("clear, re-armed"));
  const CliResult left = Run("--virtual=clear --no-archive station --until 1m");
  EXPECT_EQ(left.code, 0) << left.err;
  EXPECT_THAT(left.out, HasSubstr("already-done: the probe is clear: nothing to download"));

  EXPECT_EQ(Run("--virtual=station station").code, 2) << "virtual time must end";
  EXPECT_EQ(Run("--virtual=station station --probes 1 --pattern {nope}.omx").code, 2);
}

}  // namespace
}  // namespace ombrix::testing
