#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <memory>

#include "CliRunner.h"
#include "ProbeRecord.h"
#include "RecordFile.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;

class MissionTest : public CliTest {
 protected:
  // A run that continues the virtual probe kept in the folder's state file.
  CliResult Virtual(const QStringList& arguments) {
    return Run(Args("--virtual-state state") + arguments);
  }
  CliResult Virtual(const char* line) { return Virtual(Args(line)); }
  VirtualProbe::State Probe() { return *ReadState(Path("state")).adapters.front().probe; }
};

TEST_F(MissionTest, LaunchThenTwoHoursLaterDownloadGivesTheSamplesOfThoseHours) {
  WriteState(Path("state"), "clear", 2026, 1, 15, 9, 0, 30);
  const CliResult launch = Virtual("launch --rate 1 --next-minute");
  ASSERT_EQ(launch.code, 0) << launch.err;
  EXPECT_THAT(launch.err, HasSubstr("Cmd : OK"));
  EXPECT_THAT(launch.out, HasSubstr("First Sample :      15.01.2026 09:01:00"));

  // Two hours in two steps, in both forms of a duration.
  ASSERT_EQ(Virtual("--advance 1h30m status").code, 0);
  const CliResult download = Virtual("--advance 30m download -o m.omx");
  ASSERT_EQ(download.code, 0) << download.err;
  auto record = std::make_unique<TProbeRecord>();
  ASSERT_TRUE(LoadFromFile(*record, Path("m.omx")));
  ASSERT_EQ(record->ReadSamples, 120);
  EXPECT_EQ(record->GetSample(0).Time, EncodeDateTime(2026, 1, 15, 9, 1, 0));
  EXPECT_NEAR(record->GetSample(119).Time * 86400, EncodeDateTime(2026, 1, 15, 11, 0, 0) * 86400,
              0.5);
  EXPECT_TRUE(record->MissionInProgress);
}

// A test-mode mission samples every rate seconds, not minutes; its record keeps that through the
// file, the export of the file, show, and the archive's entry and its export.
TEST_F(MissionTest, ATestModeRecordStaysOneEverywhere) {
  WriteState(Path("state"), "clear", 2026, 1, 15, 9, 0, 30);
  ASSERT_EQ(Virtual("launch --rate 2 --next-minute --test").code, 0);
  const CliResult download = Virtual("--advance 10m download -o t.omx --export d.txt");
  ASSERT_EQ(download.code, 0) << download.err;
  ASSERT_EQ(Virtual("archive export 1 -o back.omx").code, 0);
  std::int64_t last = 0;
  for (const char* file : {"t.omx", "back.omx"}) {
    auto record = std::make_unique<TProbeRecord>();
    ASSERT_TRUE(LoadFromFile(*record, Path(file))) << file;
    EXPECT_TRUE(record->Test) << file;
    EXPECT_EQ(record->SampleSeconds(1) - record->SampleSeconds(0), 2) << file;
    EXPECT_EQ(record->GetSample(0).Time, EncodeDateTime(2026, 1, 15, 9, 1, 0)) << file;
    last = record->SampleSeconds(record->ReadSamples - 1);
    EXPECT_LT(last - record->SampleSeconds(0), 600) << file;
  }
  ASSERT_EQ(Run("export t.omx -o f.txt").code, 0);
  EXPECT_EQ(ReadFile(Path("f.txt")), ReadFile(Path("d.txt")));
  for (const char* record : {"t.omx", "archive:1"}) {
    const CliResult shown = Virtual(Args("show --format json") << QString::fromLatin1(record));
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(shown.out)).object();
    EXPECT_TRUE(json["Record"].toObject()["Test"].toBool()) << record;
    EXPECT_EQ(json["Summary"].toObject()["LastIso"].toString(), IsoDateTimeText(last)) << record;
  }
}

TEST_F(MissionTest, LaunchRefusesFirstSampleTooEarlyOrTooLate) {
  // The probe's clock runs 4 s ahead: 09:00:04.
  WriteState(Path("state"), "clear", 2026, 1, 15, 9, 0, 0);
  auto launch = [&](const char* start) {
    return Virtual(Args("launch --rate 10 --start") << QString::fromLatin1(start));
  };
  const CliResult early = launch("15.01.2026 09:00:00");
  EXPECT_EQ(early.code, 7);
  EXPECT_THAT(early.err, HasSubstr("First Sample time must be greater than current time"));
  const CliResult late = launch("2026-01-15T13:12:00");  // 251 min 55 s ahead
  EXPECT_EQ(late.code, 7);
  EXPECT_THAT(late.err,
              HasSubstr("First Sample time must not be greater than current time + 4:00 hour"));
  EXPECT_TRUE(Probe().memoryClear);

  // An instant with a zone is shown in the program's time.
  const CliResult accepted = launch("2026-01-15T08:30:00Z");
  ASSERT_EQ(accepted.code, 0) << accepted.err;
  EXPECT_THAT(accepted.out, HasSubstr("First Sample :      15.01.2026 09:30:00"));
  EXPECT_TRUE(Probe().missionInProgress);

  const CliResult again = launch("2026-01-15T10:00:00");
  EXPECT_EQ(again.code, 6);
  EXPECT_THAT(again.err, HasSubstr("Probe must be clear to start"));
}

TEST_F(MissionTest, IrreversibleCommandsNeedYesAndChangeNothingWithout) {
  WriteState(Path("state"), "demo", 2026, 1, 15, 9, 0, 0);
  const std::string before = ReadFile(Path("state"));
  for (const char* command : {"stop", "clear", "switch-off", "set-clock", "write-text --name X"}) {
    SCOPED_TRACE(command);
    const CliResult r = Virtual(Args("--advance 1h") + Args(command));
    EXPECT_EQ(r.code, 2);
    EXPECT_THAT(r.err, HasSubstr("runs only with --yes"));
    EXPECT_EQ(ReadFile(Path("state")), before);
  }
}

TEST_F(MissionTest, StopClearAndSwitchOffFollowTheProbesState) {
  WriteState(Path("state"), "demo", 2026, 1, 15, 9, 0, 0);
  const CliResult recording = Virtual("clear --yes");
  EXPECT_EQ(recording.code, 6);
  EXPECT_THAT(recording.err, HasSubstr("recording is in progress"));
  EXPECT_EQ(Virtual("stop --yes").code, 0);
  EXPECT_EQ(Virtual("stop --yes").code, 6);
  EXPECT_EQ(Probe().missionSamples, 3024u);
  EXPECT_EQ(Virtual("clear --yes").code, 0);
  EXPECT_TRUE(Probe().memoryClear);

  const CliResult nothing = Virtual("download -o x.omx");
  EXPECT_EQ(nothing.code, 6);
  EXPECT_THAT(nothing.err, HasSubstr("Data : Error: the probe holds no data"));
  EXPECT_FALSE(QFile::exists(Path("x.omx")));

  EXPECT_EQ(Virtual("switch-off --yes").code, 0);
  EXPECT_TRUE(Probe().stoppedClockMs.has_value());
  EXPECT_THAT(Virtual("status").out, HasSubstr("Probe OFF :         yes\n"));

  // Each command that changes the probe is in the lab archive's audit trail, done or failed,
  // and the chain holds.
  QStringList actions;
  for (const QJsonValue row :
       QJsonDocument::fromJson(
           QByteArray::fromStdString(Virtual("archive audit --format json").out))
           .array()) {
    actions << row["Action"].toString() + ' ' + row["Outcome"].toString();
    // A clear names what it erased.
    if (row["Action"] == "clear" && row["Outcome"] == "done") {
      EXPECT_EQ(row["Old"].toString(), "samples=3024");
    }
    EXPECT_EQ(row["SerialNumber"].toString().size(), 23) << row["Action"].toString().toStdString();
  }
  EXPECT_EQ(actions.join(", "),
            "clear failed, stop done, stop failed, clear done, download failed, switch off done");
  EXPECT_EQ(Virtual("archive verify").code, 0);
}

TEST_F(MissionTest, SetClockAndWriteTextOnAClearProbe) {
  // A probe whose clock has fallen an hour behind.
  WriteState(Path("state"), "clear", 2026, 1, 15, 9, 0, 0,
             [](VirtualState& state) { state.adapters.front().probe->clockOffsetMs -= 3'600'000; });
  const CliResult clock = Virtual("set-clock --yes");
  ASSERT_EQ(clock.code, 0) << clock.err;
  EXPECT_THAT(clock.out, HasSubstr("Current Clock :     15.01.2026 09:0"));
  EXPECT_LT(std::llabs(Probe().clockOffsetMs), 2000);

  const CliResult text = Virtual("write-text --name Kühlraum --yes");
  ASSERT_EQ(text.code, 0) << text.err;
  EXPECT_THAT(text.out, HasSubstr("Name :              Kühlraum\n"));
  // The probe holds the name in its 8-bit code page, the comment as it was.
  const VirtualProbe::State probe = Probe();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&probe.memory[8008])), "K\xFChlraum");
  EXPECT_THAT(Virtual("status").out, HasSubstr("Comment :           Walk-in cooler"));

  const CliResult tooLong = Virtual(Args("write-text --yes --name") << QString(33, u'x'));
  EXPECT_EQ(tooLong.code, 2);
  EXPECT_THAT(tooLong.err, HasSubstr("longer than the probe's 32 characters"));

  ASSERT_EQ(Virtual("launch --rate 10 --next-minute").code, 0);
  const CliResult recording = Virtual("set-clock --yes");
  EXPECT_EQ(recording.code, 6);
  EXPECT_THAT(recording.err, HasSubstr("only on a clear probe"));
}

}  // namespace
}  // namespace ombrix::testing
