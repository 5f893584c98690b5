#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <memory>

#include "CliRunner.h"
#include "ProbeRecord.h"
#include "RecordFile.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

VirtualProbe::State ProbeOf(const VirtualState& state) {
  return *state.adapters.front().probe;
}

std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "text after the last line end";
  return lines;
}

// The fields of an export line, each of which must stand between double quotes.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = std::min(line.find('\t', start), line.size());
    const std::string field = line.substr(start, end - start);
    EXPECT_TRUE(field.size() >= 2 && field.front() == '"' && field.back() == '"') << line;
    fields.push_back(field.size() >= 2 ? field.substr(1, field.size() - 2) : field);
    if (end == line.size()) break;
    start = end + 1;
  }
  return fields;
}

class DownloadTest : public CliTest {
 protected:
  void SetUp() override { WriteState(Path("state"), "demo", 2026, 7, 1, 12, 0, 0); }
  CliResult Download(const char* more = "") {
    return Run(Args("--virtual-state state download -o demo.omx") + Args(more));
  }
};

TEST_F(DownloadTest, RecordFileHoldsTheProbesLogWithItsTimes) {
  const CliResult r = Download();
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("Data : OK: 3024 samples saved to demo.omx"));
  EXPECT_THAT(r.err, Not(HasSubstr("\r")));  // no progress bar into a pipe

  auto record = std::make_unique<TProbeRecord>();
  std::string error;
  ASSERT_TRUE(LoadFromFile(*record, Path("demo.omx"), &error)) << error;
  const VirtualProbe::State probe = ProbeOf(ReadState(Path("state")));
  ASSERT_EQ(record->ReadSamples, 3024);
  ASSERT_EQ(probe.missionSamples, 3024u);
  EXPECT_TRUE(std::equal(record->LogBuffer.begin(), record->LogBuffer.begin() + 3024,
                         probe.memory.begin()));
  EXPECT_EQ(record->Name, "Cold room 2 - dairy");

  // Sample i was taken at the probe's first sample time plus i rates.
  const std::int64_t first =
      probe.missionStart + probe.mission.delayMinutes * 60 + probe.mission.delaySeconds + 1;
  for (int i = 0; i < record->ReadSamples; ++i) {
    const Sample sample = record->GetSample(i);
    ASSERT_NEAR(sample.Time * 86400, ProbeSecondsToDateTime(first + i * 600LL) * 86400, 0.5) << i;
    ASSERT_EQ(sample.Temperature, probe.memory[i] * 0.5f - 40) << i;
  }
  TDateTime downloaded = 0;
  ASSERT_TRUE(TextToDateTime(QStringLiteral("01.07.2026 12:00:00"), downloaded));
  EXPECT_NEAR((record->DownloadTime - downloaded) * 86400, 0, 5);
}

TEST_F(DownloadTest, ExportFollowsTheExportFormat) {
  ASSERT_EQ(Download("--export direct.txt").code, 0);
  const CliResult r = Run("export demo.omx -o demo.txt");
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string text = ReadFile(Path("demo.txt"));
  EXPECT_EQ(text, ReadFile(Path("direct.txt")));

  const std::vector<std::string> lines = CrLfLines(text);
  ASSERT_EQ(lines.size(), 16u + 3024u);
  using Row = std::vector<std::string>;
  EXPECT_EQ(Fields(lines[0]), (Row{"Serial Number  ", "5200000A3C71E24F"}));
  EXPECT_EQ(Fields(lines[1]), (Row{"Name  ", "Cold room 2 - dairy"}));
  EXPECT_EQ(Fields(lines[3]), (Row{"Sample Rate  ", "10"}));
  EXPECT_EQ(Fields(lines[5]), (Row{"First Sample  ", "10.06.2026 12:03:25"}));
  EXPECT_EQ(Fields(lines[7]), (Row{"Record Samples  ", "3024"}));
  EXPECT_EQ(Fields(lines[9]), (Row{"Memory Clear", "0"}));
  EXPECT_EQ(Fields(lines[10]), (Row{"Recording In Progress", "1"}));
  EXPECT_EQ(Fields(lines[13]), (Row{"", ""}));
  EXPECT_EQ(Fields(lines[14]), (Row{"", ""}));
  EXPECT_EQ(Fields(lines[15]), (Row{"Sample #", "Relative Time", "Date/Time",
                                    "Temperature [\xB0"
                                    "C]"}));

  auto record = std::make_unique<TProbeRecord>();
  ASSERT_TRUE(LoadFromFile(*record, Path("demo.omx")));
  for (int i : {0, 6, 1000, 3023}) {
    const Row row = Fields(lines[16 + i]);
    ASSERT_EQ(row.size(), 4u);
    EXPECT_EQ(row[0], std::to_string(i));
    EXPECT_EQ(row[2], DateTimeText(record->GetSample(i).Time).toStdString());
    // One decimal, with the German decimal comma.
    const float t = record->GetSample(i).Temperature;
    EXPECT_EQ(row[3], QLocale().toString(t, 'f', 1).toStdString());
  }
  EXPECT_EQ(Fields(lines[16])[1], "00:00");
  EXPECT_EQ(Fields(lines[22])[1], "01:00");
  EXPECT_EQ(Fields(lines[1016])[1], "166:40");
  EXPECT_EQ(Fields(lines[16])[2], "10.06.2026 12:03:25");
}

TEST_F(DownloadTest, ExistingFilesAreReplacedOnlyWithYes) {
  QFile old(Path("demo.omx"));
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("earlier download");
  old.close();

  const CliResult refused = Download();
  EXPECT_EQ(refused.code, 2);
  EXPECT_THAT(refused.err, HasSubstr("File alrady exists. Do You want to overwrite it ?"));
  EXPECT_EQ(ReadFile(Path("demo.omx")), "earlier download");

  EXPECT_EQ(Download("--yes").code, 0);
  EXPECT_THAT(ReadFile(Path("demo.omx")), HasSubstr("ReadSamples=3024"));
}

// The link stops answering halfway, or another probe is put on in the probe's place: the data
// error is reported, and nothing is saved or archived; the file from an earlier download stays as
// it was.
TEST_F(DownloadTest, DataErrorSavesNothing) {
  const struct {
    const char* what;
    Fault fault;
    int times;
    const char* error;
  } cases[] = {
      {"no answer", Fault::NoAnswer(), FaultPlan::kForever, "Data : Error"},
      {"another probe", Fault::ProbeSwap(), 1,
       "Data : Error: the probe on the adapter is not the one"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteState(Path("state"), "demo", 2026, 7, 1, 12, 0, 0, [&](VirtualState& state) {
      state.adapters.front().faults.push_back({c.fault, 300, c.times});
    });
    QFile::remove(Path("state.archive.sqlite"));
    QFile old(Path("demo.omx"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier download");
    old.close();

    const CliResult r = Download("--yes --export demo.txt");
    EXPECT_EQ(r.code, 5);
    EXPECT_THAT(r.err, HasSubstr(c.error));
    EXPECT_THAT(r.err, Not(HasSubstr("Data : OK")));
    EXPECT_EQ(ReadFile(Path("demo.omx")), "earlier download");
    EXPECT_FALSE(QFile::exists(Path("demo.txt")));
    const CliResult listed = Run("--virtual-state state archive list --format json");
    EXPECT_THAT(listed.out, HasSubstr("\"Entries\": [\n    ]")) << listed.out;
    // The audit trail keeps the failed download, with the reason the user was given.
    const QJsonArray audit =
        QJsonDocument::fromJson(
            QByteArray::fromStdString(Run("--virtual-state state archive audit --format json").out))
            .array();
    ASSERT_EQ(audit.size(), 1);
    EXPECT_EQ(audit[0]["Action"].toString() + ' ' + audit[0]["Outcome"].toString(),
              "download failed");
    const std::string message = audit[0]["Message"].toString().toStdString();
    EXPECT_FALSE(message.empty());
    EXPECT_THAT(r.err, HasSubstr(message));
  }
}

TEST_F(DownloadTest, ProgressBarOnATerminal) {
  const CliResult r =
      RunCliInTerminal(dir_.path(), Args("--virtual-state state download -o t.omx"));
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("\rReading data [........................................] 0 %"));
  EXPECT_THAT(r.err, HasSubstr("\rReading data [########################################] 100 %"));
  EXPECT_THAT(r.err, HasSubstr("Data : OK"));
  EXPECT_TRUE(QFile::exists(Path("t.omx")));
}

// A wrapped log is read whole, 8000 samples, the newest last.
TEST_F(CliTest, RolloverDownloadKeepsTheLastEightThousandSamples) {
  WriteState(Path("state"), "rollover", 2026, 1, 15, 9, 0, 0);
  const CliResult r = Run("--virtual-state state download -o van.omx");
  ASSERT_EQ(r.code, 0) << r.err;
  auto record = std::make_unique<TProbeRecord>();
  ASSERT_TRUE(LoadFromFile(*record, Path("van.omx")));
  const VirtualProbe::State probe = ProbeOf(ReadState(Path("state")));
  ASSERT_EQ(record->ReadSamples, 8000);
  EXPECT_TRUE(record->RolloverOccured);
  EXPECT_TRUE(std::equal(record->LogBuffer.begin(), record->LogBuffer.end(), probe.memory.begin()));
  const std::int64_t first = probe.missionStart + 1;
  const std::int64_t newest = first + (probe.missionSamples - 1) * 300LL;
  EXPECT_NEAR(record->GetSample(7999).Time * 86400, ProbeSecondsToDateTime(newest) * 86400, 0.5);
  EXPECT_NEAR((record->GetSample(7999).Time - record->GetSample(0).Time) * 1440, 7999 * 5, 1e-3);
}

}  // namespace
}  // namespace ombrix::testing
