#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>

#include "ConsistencyError.h"
#include "FilesTestSupport.h"
#include "OmFile.h"
#include "RecordFile.h"

namespace ombrix::testing {
namespace {

// The Status lines of a file up to and including StartTime, without the StartTime value.
const std::string kHead =
    "<Status>\r\nVersion=256\r\nSerialNumber=1\r\nName=\r\nComment=\r\nMemoryClear=0\r\n"
    "MisssionInProgress=0\r\nSampleRate=10\r\nRolloverEnable=0\r\nStartTime=";

// The bytes above the Instants section, which older readers take for the whole file.
std::string AboveInstants(const std::string& bytes) {
  return bytes.substr(0, bytes.find("<Instants>\r\n"));
}

class RecordFileTest : public FileTest {
 protected:
  void Load(const std::string& contents) {
    Write("in.omx", contents);
    std::string error;
    ASSERT_TRUE(LoadFromFile(*probe, Path("in.omx"), &error)) << error;
  }
  // Saving a loaded record again gives the same bytes when every field survived; the samples are
  // compared one by one.
  void ExpectRoundTrip(const TProbeRecord& record) {
    std::string error;
    ASSERT_TRUE(SaveToFile(record, Path("first.omx"), &error)) << error;
    auto loaded = std::make_unique<TProbeRecord>();
    ASSERT_TRUE(LoadFromFile(*loaded, Path("first.omx"), &error)) << error;
    ASSERT_TRUE(SaveToFile(*loaded, Path("second.omx"), &error)) << error;
    EXPECT_EQ(ReadBytes(Path("first.omx")), ReadBytes(Path("second.omx")));
    EXPECT_EQ(loaded->ReadSamples, record.ReadSamples);
    for (int i = 0; i < record.ReadSamples; ++i) {
      ASSERT_EQ(loaded->GetSample(i).Time, record.GetSample(i).Time) << i;
      ASSERT_EQ(loaded->GetSample(i).Temperature, record.GetSample(i).Temperature) << i;
    }
  }

  std::unique_ptr<TProbeRecord> probe = std::make_unique<TProbeRecord>();
};

TEST_F(RecordFileTest, GoldenRecordIsWrittenByteForByteAndReadBack) {
  LocaleGuard locale("C");
  const QString golden = QStringLiteral(OMBRIX_GOLDEN_DIR "/record.omx");
  std::string error;
  ASSERT_TRUE(SaveToFile(*GoldenRecord(), Path("golden.omx"), &error)) << error;
  const std::string saved = ReadBytes(Path("golden.omx"));
  EXPECT_EQ(AboveInstants(saved), ReadBytes(golden));
  // The hash is sha256sum's of the golden file followed by the section's lines above the hash.
  EXPECT_EQ(saved.substr(AboveInstants(saved).size()),
            "<Instants>\r\nStartTime=2021-07-01T10:00:00Z\r\nMissionStart=2021-07-01T09:55:30Z\r\n"
            "DownloadTime=\r\nTest=0\r\nChanged=0\r\n"
            "Sha256=5dcba286d22dfb6fe05f2ffc8c25c8a8709b91b513060e867f9ef06be4b10343\r\n");

  ASSERT_TRUE(LoadFromFile(*probe, golden, &error)) << error;
  EXPECT_EQ(probe->SerialNumber, 0xA200000000000028ULL);
  EXPECT_EQ(probe->Name, "K\xFChlschrank \"3\"");
  EXPECT_EQ(probe->Comment, "Vaccines  shelf 2");  // on one line
  EXPECT_EQ(probe->MissionStart, EncodeDateTime(2021, 7, 1, 11, 55, 30));
  EXPECT_EQ(probe->GetSample(3).Time, EncodeDateTime(2021, 7, 1, 12, 30, 0));
  EXPECT_EQ(probe->GetSample(1).Temperature, 23.5f);
}

TEST_F(RecordFileTest, RecordWithoutSamplesHasSixteenLinesBeforeItsInstants) {
  probe->SerialNumber = 0x28;  // upper bytes zero
  ASSERT_TRUE(SaveToFile(*probe, Path("a.omx")));
  const std::vector<std::string> lines = Lines(ReadBytes(Path("a.omx")));
  ASSERT_EQ(lines.size(), 16u + 7u);
  EXPECT_EQ(lines[16], "<Instants>");
  EXPECT_EQ(lines[17], "StartTime=");
  EXPECT_EQ(lines[2], "SerialNumber=0000000000000028");
  EXPECT_EQ(lines[6], "MisssionInProgress=0");
}

TEST_F(RecordFileTest, KeysAreFoundByNameAndShortFilesGiveTheDefaults) {
  probe->StartTime = probe->MissionStart = probe->DownloadTime = EncodeDateTime(2021, 1, 1);
  probe->MissionSamples = probe->ReadSamples = probe->SamplesTotal = 5;
  probe->RolloverEnable = probe->RolloverOccured = true;
  Load(kHead + "\r\n");  // empty StartTime, end of file after it
  EXPECT_EQ(probe->StartTime, 0);
  EXPECT_EQ(probe->SerialNumber, 1u);
  Load(
      "<Status>\nVersion=256\nName=n\nComment=c\nMemoryClear=0\nMisssionInProgress=1\n"
      "SampleRate=30\n");
  EXPECT_EQ(probe->SerialNumber, 1u);  // missing: its default
  EXPECT_EQ(probe->SampleRate, 30);
  EXPECT_TRUE(probe->MissionInProgress);
  EXPECT_FALSE(probe->RolloverEnable || probe->RolloverOccured);
  EXPECT_EQ(probe->MissionStart, 0);
  EXPECT_EQ(probe->DownloadTime, 0);
  EXPECT_EQ(probe->MissionSamples + probe->ReadSamples + probe->SamplesTotal, 0);

  // Keys a later version adds, blank lines and another order change nothing.
  LocaleGuard locale("C");
  std::string golden = ReadBytes(QStringLiteral(OMBRIX_GOLDEN_DIR "/record.omx"));
  golden.replace(golden.find("Name="), 0, "BatteryLevel=3\r\n\r\n");
  golden.replace(golden.find("SamplesTotal="), 0, "Sensor=<Log>\r\n");
  const std::size_t version = golden.find("Version=256\r\n");
  golden.erase(version, 13);
  golden.insert(golden.find("SampleRate="), "Version=256\r\n");
  Load(golden);
  EXPECT_EQ(probe->Name, GoldenRecord()->Name);
  EXPECT_EQ(probe->SamplesTotal, 1234);
  EXPECT_EQ(probe->GetSample(3).Time, EncodeDateTime(2021, 7, 1, 12, 30, 0));
  EXPECT_EQ(probe->GetSample(3).Temperature, 87.5f);
}

// Every damaged or foreign file is refused with the file and the line named, and the record stays
// as it was.
TEST_F(RecordFileTest, FilesThatCannotBeReadFaithfullyAreRefused) {
  LocaleGuard locale("C");
  const std::string golden = ReadBytes(QStringLiteral(OMBRIX_GOLDEN_DIR "/record.omx"));
  const auto with = [&](const std::string& from, const std::string& to) {
    std::string text = golden;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  const std::string log = golden.substr(golden.find("<Log>"));
  const struct {
    std::string content;
    std::string expected;
  } cases[] = {
      {"", "does not begin with \"<Status>\""},
      {"Fridge temperatures, July\r\n", "Line 1 of"},
      {std::string("\x7f"
                   "ELF\x02\x01\x01\0\0\0",
                   10) +
           "\n",
       "Line 1 of"},
      {golden.substr(0, golden.size() - 8), "ends before the log value T3"},
      {golden.substr(0, golden.size() - 2), "Line 21 of"},  // the last line without its end
      {with("SampleRate=10", "SampleRate=ten"), "Line 8 of"},
      {with("SampleRate=10", "SampleRate=10 min"), "not a whole number"},
      {with("SampleRate=10", "SampleRate=-7"), "Sample rate out of range 1..255 min"},
      {with("SampleRate=10", "SampleRate=2147483647"), "Sample rate out of range"},
      {with("SampleRate=10", "SampleRate=0"), "SampleRate 0: Sample rate out of range"},
      {with("T1=127", "T1=abc"), "Line 19 of"},
      {with("T1=127", "T1=300"), "T1 300 is not a log value"},
      {with("T1=127", "T1=256"), "T1 256 is not a log value"},
      {with("T1=127", "T1="), "T1 \"\" is not a whole number"},
      {with("Version=256", "Version=999"), "needs a newer version"},
      {with("Version=256", "Version=7"), "not a record file version"},
      {with("Version=256\r\n", ""), "has no Version"},
      {with("ReadSamples=4", "ReadSamples=99999999999999"), "Line 13 of"},
      {with("ReadSamples=4", "ReadSamples=8001"), "outside 0..8000"},
      {with("ReadSamples=4", "ReadSamples=-1"), "outside 0..8000"},
      {with("ReadSamples=4", "ReadSamples=5"), "ends before the log value T4"},
      {with("ReadSamples=4", "ReadSamples=3"), "Line 21 of"},
      {golden + log, "the section header \"<Log>\" is out of place"},
      {with("<Log>", "<Status>"), "Line 17 of"},
      {with("<Log>", "<Extra>"), "out of place"},
      {"\r\n<Log>\r\n" + golden, "Line 2 of"},
      {with("T1=127\r\nT2=0", "T2=0\r\nT1=127"), "the log value T1 is expected here"},
      {with("Name=", "Firmware 2\r\nName="), "\"Firmware 2\" is not a line of the form"},
      {with("Comment=", "Name=again\r\nComment="), "the key Name is given twice"},
      {with("SerialNumber=A2", "SerialNumber=Z2"), "not a hexadecimal number"},
      {with("SerialNumber=A2", "SerialNumber=1A2"), "has more than 16 hexadecimal digits"},
      {with("SerialNumber=A2", "SerialNumber=0A2"), "has more than 16 hexadecimal digits"},
      {with("StartTime=1 Jul 2021 12:00:00", "StartTime=soon"),
       "the date/time \"soon\" of StartTime cannot be read"},
      {with("StartTime=1 Jul 2021 12:00:00", "StartTime=4/3/2021 3:04:05 PM"),
       "and nothing in the file tells which"},
      // Control bytes and long runs of the file are not copied into messages.
      {with("SampleRate=10", "SampleRate=\x1b]2;pwned\x07\x1b[2J" + std::string(1000, '9')),
       "SampleRate \"?]2;pwned??[2J" + std::string(40 - 14, '9') + "...\" is not"},
  };
  for (const auto& [content, expected] : cases) {
    Write("bad.omx", content);
    probe->Name = "kept";
    std::string error;
    EXPECT_FALSE(LoadFromFile(*probe, Path("bad.omx"), &error)) << expected;
    EXPECT_NE(error.find(expected), std::string::npos) << error;
    EXPECT_NE(error.find(Path("bad.omx").toStdString()), std::string::npos) << error;
    EXPECT_LT(error.size(), 300u + Path("bad.omx").size()) << error;
    EXPECT_EQ(probe->Name, "kept");
  }

  // Nothing but regular files of a sane size is read: a FIFO or a device would block or stream
  // without end.
  ASSERT_EQ(mkfifo(Path("fifo.omx").toStdString().c_str(), 0600), 0);
  ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), Path("zero.omx")));
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.omx"));
  Write("huge.omx", golden + std::string(TOmInFile::kMaxFileSize, '\n'));
  for (const auto& [name, expected] : {std::pair{"fifo.omx", "is not a regular file"},
                                       {"zero.omx", "is not a regular file"},
                                       {"folder.omx", "is not a regular file"},
                                       {"huge.omx", "is too large"},
                                       {"missing.omx", "does not exist"}}) {
    std::string error;
    EXPECT_FALSE(LoadFromFile(*probe, Path(name), &error));
    EXPECT_NE(error.find(expected), std::string::npos) << error;
    EXPECT_NE(error.find(name), std::string::npos) << error;
  }
}

class RolloverRoundTrip : public RecordFileTest,
                          public ::testing::WithParamInterface<const char*> {};

TEST_P(RolloverRoundTrip, FullRolloverRecordSurvivesSaveAndLoadUnchanged) {
  LocaleGuard locale(GetParam());
  probe->SerialNumber = 0xD4000001234567A2ULL;
  probe->Name =
      "Fridge \xB0"
      "4";
  probe->Comment = std::string(152, 'c');
  probe->SampleRate = 255;
  probe->RolloverEnable = probe->RolloverOccured = probe->MissionInProgress = true;
  probe->StartTime = EncodeDateTime(2020, 12, 24, 23, 59, 59);
  probe->MissionStart = EncodeDateTime(2020, 12, 24, 23, 58, 7);
  probe->DownloadTime = EncodeDateTime(2021, 7, 14, 13, 5, 1);  // summer time
  probe->MissionSamples = 12345;
  probe->ReadSamples = TProbeRecord::kLogSize;
  probe->SamplesTotal = 2'000'000;
  for (int i = 0; i < 8000; ++i) probe->LogBuffer[i] = static_cast<std::uint8_t>(i * 7);
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  ExpectRoundTrip(*probe);
  EXPECT_EQ(Lines(ReadBytes(Path("first.omx"))).size(), 16u + 1u + 8000u + 7u);
}

// US, German and C forms, a point between the time fields, day first with AM/PM, and a form
// beyond ASCII.
INSTANTIATE_TEST_SUITE_P(Locales, RolloverRoundTrip,
                         ::testing::Values("C", "en_US", "de_DE", "fi_FI", "en_AU", "en_IN",
                                           "ja_JP"));

// Dates from every locale and from other programs: one reading where only one exists, two where
// day and month could be either, none where the hour or the form cannot be told.
TEST(DateTimeTexts, AreReadOnlyWhenOneReadingExists) {
  LocaleGuard locale("C");
  const TDateTime afternoon = EncodeDateTime(2021, 7, 1, 15, 4, 5);
  const TDateTime julyFirst = EncodeDateTime(2021, 1, 7, 15, 4, 5);
  const struct {
    const char* text;
    DateOrder order;
    DateReading state;
    TDateTime value;  // kRead: the value; kOrderUnknown: the day-first reading
  } cases[] = {
      {"2021-07-01T15:04:05", DateOrder::kUnknown, DateReading::kRead, afternoon},
      {" 1.7.2021 15:04:05 ", DateOrder::kUnknown, DateReading::kRead, afternoon},
      {"Jul 1, 2021 3:04:05 PM", DateOrder::kUnknown, DateReading::kRead, afternoon},
      {"1 July 2021 15.04.05", DateOrder::kUnknown, DateReading::kRead, afternoon},
      {"2021/7/1 3:04:05 p.m.", DateOrder::kUnknown, DateReading::kRead, afternoon},
      {"01-07-2021 15 h 04 min 05 s", DateOrder::kUnknown, DateReading::kRead, afternoon},
      {"7/1/2021 3:04:05 PM", DateOrder::kUnknown, DateReading::kOrderUnknown, julyFirst},
      {"7/1/2021 3:04:05 PM", DateOrder::kMonthFirst, DateReading::kRead, afternoon},
      {"1/7/2021 15:04:05", DateOrder::kDayFirst, DateReading::kRead, afternoon},
      {"7/7/2021 15:04:05", DateOrder::kUnknown, DateReading::kRead,
       EncodeDateTime(2021, 7, 7, 15, 4, 5)},
      {"17/11/2026 12:04:05 AM", DateOrder::kMonthFirst, DateReading::kRead,
       EncodeDateTime(2026, 11, 17, 0, 4, 5)},
      {"11/17/2026 12:04:05 PM", DateOrder::kDayFirst, DateReading::kRead,
       EncodeDateTime(2026, 11, 17, 12, 4, 5)},
      {"13/13/2026 15:04:05", DateOrder::kUnknown, DateReading::kNoForm, 0},
      {"1/7/21 15:04:05", DateOrder::kUnknown, DateReading::kNoForm, 0},  // two-digit year
      {"1.7.2021 3:04:05 ZZ", DateOrder::kUnknown, DateReading::kNoForm, 0},  // unknown marker
      {"1.7.2021 13:04:05 PM", DateOrder::kUnknown, DateReading::kNoForm, 0},
      {"1.7.2021", DateOrder::kUnknown, DateReading::kNoForm, 0},
      {"Smarch 1, 2021 15:04:05", DateOrder::kUnknown, DateReading::kNoForm, 0},
  };
  for (const auto& c : cases) {
    const DateTextReading reading = ReadDateTimeText(c.text, c.order);
    EXPECT_EQ(reading.state, c.state) << c.text;
    EXPECT_EQ(reading.state == DateReading::kOrderUnknown ? reading.dayFirst : reading.value,
              c.value)
        << c.text;
  }

  // What every locale writes reads back under another as itself, or as two readings of which one
  // is itself when its day and month are both 12 or less and its form is written both ways.
  for (const QLocale& writer : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                        QLocale::AnyTerritory)) {
    for (const TDateTime value :
         {EncodeDateTime(2026, 11, 17, 0, 4, 5), EncodeDateTime(2026, 3, 4, 23, 4, 5),
          EncodeDateTime(2026, 3, 3, 12, 59, 5)}) {
      std::string text;
      {
        LocaleGuard guard(writer.name().toLatin1().constData());
        text = DateTimeBytes(value);
      }
      const DateTextReading reading = ReadDateTimeText(text);
      const bool read = reading.state == DateReading::kRead && reading.value == value;
      const bool open = reading.state == DateReading::kOrderUnknown &&
                        (reading.dayFirst == value || reading.monthFirst == value);
      EXPECT_TRUE(read || open) << writer.name().toStdString() << ": " << text;
    }
  }
}

// A dozen regional settings, each with its own time zone, chosen for their date forms: month
// first, day first, year first, with "/", ".", "-", month names, AM/PM markers, 24-hour words and
// forms beyond ASCII. Every file written under one opens under every other with the same instants
// and test mode, and so does a copy with an edited log value, marked changed, its dates read from
// its lines; stripped of its Instants section (as older versions wrote it) it opens with the
// same local times, or - only where its numeric dates could be day first or month first - is
// refused with both readings of each such date, and opens right once the order is given.
TEST_F(RecordFileTest, EveryWriterAndReaderAgreeOnTheDates) {
  const struct {
    const char* locale;
    const char* zone;
    DateOrder twoReadings;  // the writer's order where its dates have two readings
  } locales[] = {
      {"C", "UTC", DateOrder::kUnknown},
      {"en_US", "America/New_York", DateOrder::kMonthFirst},
      {"en_PH", "Asia/Manila", DateOrder::kMonthFirst},
      {"en_AU", "Australia/Sydney", DateOrder::kDayFirst},
      {"en_GB", "Europe/London", DateOrder::kDayFirst},
      {"en_IN", "Asia/Kolkata", DateOrder::kDayFirst},
      {"en_CA", "America/Toronto", DateOrder::kUnknown},
      {"fr_CA", "America/Montreal", DateOrder::kUnknown},
      {"de_DE", "Europe/Berlin", DateOrder::kUnknown},
      {"fi_FI", "Europe/Helsinki", DateOrder::kUnknown},
      {"nl_NL", "Europe/Amsterdam", DateOrder::kUnknown},
      {"ja_JP", "Asia/Tokyo", DateOrder::kUnknown},
  };
  // UTC seconds of the mission start; the first sample follows 65 s later.
  const struct {
    const char* name;
    std::int64_t missionStart;
    bool test;
    bool twoReadings;  // no date with a day above 12
  } records[] = {
      {"autumn", 1'792'888'200 - 65, true, false},  // 2026-10-25 02:30 local, the first pass
      {"spring", 1'774'745'970 - 65, false, false},  // 2026-03-29 01:59:30, samples across 03:00
      {"december", 1'796'725'601 - 65, false, true},  // 2026-12-08 11:26:41
  };
  const QByteArray zone = qgetenv("TZ");
  int opened = 0, refused = 0;
  for (const auto& r : records) {
    auto record = std::make_unique<TProbeRecord>();
    record->Test = r.test;
    record->SampleRate = 1;
    record->SetMissionStartSeconds(r.missionStart);
    record->SetStartSeconds(r.missionStart + 65);
    record->DownloadTime = ProbeSecondsToDateTime(r.missionStart + 4 * 3600);
    record->MissionSamples = record->ReadSamples = 3;
    record->DecodeLog();
    for (const auto& writer : locales) {
      {
        LocaleGuard guard(writer.locale);
        ASSERT_TRUE(SaveToFile(*record, Path("sealed.omx")));
      }
      const std::string sealed = ReadBytes(Path("sealed.omx"));
      Write("lines.omx", AboveInstants(sealed));
      // An edited log value: read from its lines, the instants choosing between two readings.
      std::string edited = sealed;
      Write("edited.omx", edited.replace(edited.find("\r\nT1=0\r\n"), 8, "\r\nT1=9\r\n"));
      for (const auto& reader : locales) {
        if (&reader == &writer) continue;
        LocaleGuard guard(reader.locale);
        qputenv("TZ", reader.zone);
        tzset();
        const std::string pair = std::string(r.name) + " " + writer.locale + " -> " + reader.locale;
        auto loaded = std::make_unique<TProbeRecord>();
        std::string error;
        ASSERT_TRUE(LoadFromFile(*loaded, Path("sealed.omx"), &error)) << pair << ": " << error;
        EXPECT_EQ(loaded->MissionStartSeconds, r.missionStart) << pair;
        EXPECT_EQ(loaded->DownloadTime, record->DownloadTime) << pair;
        EXPECT_EQ(loaded->Test, r.test) << pair;
        EXPECT_EQ(loaded->SampleSeconds(2), record->SampleSeconds(2)) << pair;
        EXPECT_FALSE(loaded->ChangedAfterSave) << pair;
        ASSERT_TRUE(LoadFromFile(*loaded, Path("edited.omx"), &error)) << pair << ": " << error;
        EXPECT_TRUE(loaded->ChangedAfterSave) << pair;
        EXPECT_EQ(loaded->MissionStart, record->MissionStart) << pair;
        EXPECT_EQ(loaded->Test, r.test) << pair;

        DateQuestion question;
        const bool expectRefusal = r.twoReadings && writer.twoReadings != DateOrder::kUnknown;
        const bool read = LoadFromFile(*loaded, Path("lines.omx"), &error, DateOrder::kUnknown,
                                       &question);
        EXPECT_EQ(read, !expectRefusal) << pair << ": " << error;
        if (!read) {
          ++refused;
          ASSERT_EQ(question.dates.size(), 3u) << pair;
          EXPECT_EQ(question.dates[1].key, "MissionStart");
          const TDateTime asWritten = writer.twoReadings == DateOrder::kDayFirst
                                          ? question.dates[1].dayFirst
                                          : question.dates[1].monthFirst;
          EXPECT_EQ(asWritten, record->MissionStart) << pair;
          ASSERT_TRUE(LoadFromFile(*loaded, Path("lines.omx"), &error, writer.twoReadings))
              << pair << ": " << error;
        } else {
          ++opened;
        }
        EXPECT_EQ(loaded->StartTime, record->StartTime) << pair;
        EXPECT_EQ(loaded->MissionStart, record->MissionStart) << pair;
        EXPECT_EQ(loaded->DownloadTime, record->DownloadTime) << pair;
      }
    }
  }
  qputenv("TZ", zone);
  tzset();
  // 3 records x 132 pairs: the December one is refused for the 5 writers whose dates have two
  // readings.
  EXPECT_EQ(refused, 5 * 11);
  EXPECT_EQ(opened, 3 * 132 - 5 * 11);
}

// A time before 1970 has no instant: the sealed file gives its local text back.
TEST_F(RecordFileTest, ATimeWithoutAnInstantKeepsItsLocalText) {
  LocaleGuard locale("de_DE");
  probe->StartTime = EncodeDateTime(1965, 3, 1, 8, 0, 0);
  ASSERT_TRUE(SaveToFile(*probe, Path("old.omx")));
  auto loaded = std::make_unique<TProbeRecord>();
  ASSERT_TRUE(LoadFromFile(*loaded, Path("old.omx")));
  EXPECT_EQ(loaded->StartTime, probe->StartTime);
  EXPECT_FALSE(loaded->ChangedAfterSave);
}

// An edit anywhere above the hash, or of the hash, opens the file from its lines, marked; the
// mark is kept when the record is saved again.
TEST_F(RecordFileTest, EditedFilesOpenMarkedChanged) {
  LocaleGuard locale("C");
  ASSERT_TRUE(SaveToFile(*GoldenRecord(), Path("sealed.omx")));
  const std::string sealed = ReadBytes(Path("sealed.omx"));
  const auto with = [&](const std::string& from, const std::string& to) {
    std::string text = sealed;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  const struct {
    std::string content;
    bool changed;
  } cases[] = {
      {sealed, false},
      {AboveInstants(sealed), false},  // a file without the section reads as it always did
      {with("T1=127", "T1=128"), true},
      {with("StartTime=1 Jul 2021 12:00:00", "StartTime=1 Jul 2021 12:00:01"), true},
      {with("Sha256=5dcb", "Sha256=0dcb"), true},
      {with("StartTime=2021-07-01T10:00:00Z", "StartTime=2021-07-01T11:00:00Z"), true},
      {with("Test=0", "Test=1"), true},
  };
  for (const auto& [content, changed] : cases) {
    Load(content);
    EXPECT_EQ(probe->ChangedAfterSave, changed) << content;
    if (content.find("T1=128") != std::string::npos) {
      EXPECT_EQ(probe->LogBuffer[1], 128);
    }
    if (content.find("12:00:01") != std::string::npos) {
      EXPECT_EQ(probe->StartTime, EncodeDateTime(2021, 7, 1, 12, 0, 1));
    }
  }
  ASSERT_TRUE(probe->ChangedAfterSave);
  ASSERT_TRUE(SaveToFile(*probe, Path("resaved.omx")));
  auto loaded = std::make_unique<TProbeRecord>();
  ASSERT_TRUE(LoadFromFile(*loaded, Path("resaved.omx")));
  EXPECT_TRUE(loaded->ChangedAfterSave);
}

TEST_F(RecordFileTest, TheNoFileMarkFailsTheConsistencyCheck) {
  EXPECT_THROW(SaveToFile(*probe, QStringLiteral("0")), ConsistencyError);
  EXPECT_THROW(LoadFromFile(*probe, QStringLiteral("0")), ConsistencyError);
}

TEST_F(RecordFileTest, FailedSavesAreReportedAndKeepTheOldFile) {
  Write("kept.omx", "last week's download");
  probe->ReadSamples = TProbeRecord::kLogSize;
  std::string error;
  {
    FileSizeLimit fullDisk(1000);
    EXPECT_FALSE(SaveToFile(*probe, Path("kept.omx"), &error));
  }
  EXPECT_NE(error.find("kept.omx"), std::string::npos) << error;
  EXPECT_FALSE(SaveToFile(*probe, Path("no/folder/x.omx"), &error));
  ASSERT_TRUE(QDir(dir.path()).mkdir("taken.omx"));  // a folder where the file would go
  EXPECT_FALSE(SaveToFile(*probe, Path("taken.omx"), &error));

  ASSERT_TRUE(QFile::setPermissions(dir.path(), kReadOnly));
  EXPECT_FALSE(AsOrdinaryUser([&] { return SaveToFile(*probe, Path("kept.omx")); }));
  ASSERT_TRUE(QFile::setPermissions(dir.path(), kReadOnly | QFile::WriteOwner));
  EXPECT_EQ(ReadBytes(Path("kept.omx")), "last week's download");
  EXPECT_EQ(Entries(), (QStringList{"kept.omx", "taken.omx"}));
}

TEST_F(RecordFileTest, SaveReplacesTheOldFileAndKeepsItsPermissions) {
  Write("x.omx", "old");
  const std::string path = Path("x.omx").toStdString();
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(SaveToFile(*probe, Path("x.omx")));
  EXPECT_EQ(Lines(ReadBytes(Path("x.omx"))).size(), 16u + 7u);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace ombrix::testing
