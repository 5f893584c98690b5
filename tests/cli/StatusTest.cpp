#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "CliRunner.h"
#include "TimeConversion.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST_F(CliTest, StatusOfEachScenario) {
  struct Case {
    const char* scenario;
    int code;
    const char* out;  // a line status prints
    const char* err;  // the message, where one is due
  };
  const Case cases[] = {
      {"demo", 0, "Recording In Progress\n", nullptr},
      {"clear", 0, "Memory Clear :      yes\n", nullptr},
      {"rollover", 0, "Rollover Occured :  yes\n", nullptr},
      {"empty", 4, "Adapter Serial :    OMX10001\n", "Probe : NO"},
      {"none", 3, nullptr, "NO ADAPTER CONNECTED"},
      {"two", 3, nullptr, "MORE ADAPTERS FOUND !"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    const CliResult r = Run(("--virtual=" + std::string(c.scenario) + " status").c_str());
    EXPECT_EQ(r.code, c.code) << r.err;
    if (c.out) {
      EXPECT_THAT(r.out, HasSubstr(c.out));
    } else {
      EXPECT_THAT(r.out, IsEmpty());
    }
    if (c.err) {
      EXPECT_THAT(r.err, HasSubstr(c.err));
    } else {
      EXPECT_THAT(r.err, IsEmpty());
    }
  }
  // Every field of the Status page is there.
  const CliResult demo = Run("--virtual status");
  for (const char* label :
       {"Adapter :           Ombrix adapter 2.1", "Serial Number :     4F E2 71 3C 0A 00 00 52",
        "Name :              Cold room 2 - dairy", "Comment :", "Current Clock :", "PC Clock :",
        "Record Start :", "First Sample :", "Download Time :", "Record Samples :    3024",
        "Sample Rate :       10 min", "Samples Total :", "Memory Clear :      no",
        "Enable Rollover :", "Test mode :         no", "Probe OFF :         no"}) {
    EXPECT_THAT(demo.out, HasSubstr(label));
  }
}

// The times a script reads are the probe's, in the program's time: summer time in July.
TEST_F(CliTest, StatusAsJsonForScripts) {
  WriteState(Path("state"), "demo", 2026, 7, 1, 12, 0, 0);
  const CliResult r = Run("--virtual-state state status --format json");
  ASSERT_EQ(r.code, 0) << r.err;
  const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
  const QJsonObject adapter = json[QStringLiteral("Adapter")].toObject();
  const QJsonObject probe = json[QStringLiteral("Probe")].toObject();
  EXPECT_EQ(adapter[QStringLiteral("Description")].toString(), QStringLiteral("Ombrix adapter"));
  EXPECT_EQ(adapter[QStringLiteral("Version")].toString(), QStringLiteral("2.1"));
  EXPECT_EQ(adapter[QStringLiteral("SerialNumber")].toString(), QStringLiteral("OMX10001"));
  EXPECT_EQ(probe[QStringLiteral("Name")].toString(), QStringLiteral("Cold room 2 - dairy"));
  EXPECT_TRUE(probe[QStringLiteral("PcClock")].toString().startsWith(u"01.07.2026 12:00:0"));
  // Launched three weeks ago by the probe's clock (4 s ahead), first sample 3 min 21 s later.
  EXPECT_EQ(probe[QStringLiteral("MissionStart")].toString(),
            QStringLiteral("10.06.2026 12:00:04"));
  EXPECT_EQ(probe[QStringLiteral("StartTime")].toString(), QStringLiteral("10.06.2026 12:03:25"));
  EXPECT_EQ(probe[QStringLiteral("MissionSamples")].toInt(), 3024);
  EXPECT_EQ(probe[QStringLiteral("SampleRate")].toInt(), 10);
  EXPECT_TRUE(probe[QStringLiteral("MissionInProgress")].toBool());
  EXPECT_FALSE(probe[QStringLiteral("MemoryClear")].toBool());
  TDateTime clock = 0, pc = 0;
  ASSERT_TRUE(TextToDateTime(probe[QStringLiteral("CurrentClock")].toString(), clock));
  ASSERT_TRUE(TextToDateTime(probe[QStringLiteral("PcClock")].toString(), pc));
  EXPECT_NEAR((clock - pc) * 86400, 4, 1);

  // An adapter without a probe still names the adapter.
  const CliResult empty = Run("--virtual=empty status --format=json");
  EXPECT_EQ(empty.code, 4);
  const QJsonObject none = QJsonDocument::fromJson(QByteArray::fromStdString(empty.out)).object();
  EXPECT_TRUE(none[QStringLiteral("Probe")].isNull());
  EXPECT_EQ(none[QStringLiteral("Adapter")][QStringLiteral("SerialNumber")].toString(),
            QStringLiteral("OMX10001"));
}

TEST_F(CliTest, DeviceNamesTheAdapterToLookFor) {
  const CliResult r = Run(Args("--virtual status --device") << QStringLiteral("Lab adapter"));
  EXPECT_EQ(r.code, 3);
  EXPECT_THAT(r.err, HasSubstr("NO ADAPTER CONNECTED"));
  EXPECT_THAT(r.err, HasSubstr("\"Lab adapter\""));
}

// An adapter that is there but cannot be opened: exit 3, with the reason and what helps.
TEST_F(CliTest, AnAdapterThatCannotBeOpenedSaysWhy) {
  ASSERT_EQ(Run("--virtual-state lab status").code, 0);
  std::string state = ReadFile(Path("lab"));
  const std::size_t end = state.find('\n', state.find("\nadapter ") + 1);
  for (const auto& [setting, reason] :
       {std::pair{" refuses-open=busy", "the adapter is in use by another program"},
        {" refuses-open=no-permission", "no permission to open the adapter. Install the udev"}}) {
    std::string refusing = state;
    refusing.insert(end, setting);
    QFile file(Path("lab"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(refusing.data(), static_cast<qint64>(refusing.size()));
    file.close();
    const CliResult r = Run("--virtual-state lab status");
    EXPECT_EQ(r.code, 3);
    EXPECT_THAT(r.err, HasSubstr("NO ADAPTER CONNECTED"));
    EXPECT_THAT(r.err, HasSubstr(reason));
    EXPECT_THAT(ReadFile(Path("lab")), HasSubstr(setting));  // kept for the next run
  }
}

}  // namespace
}  // namespace ombrix::testing
