#include <gtest/gtest.h>

#include <sys/stat.h>

#include "ConsistencyError.h"
#include "FilesTestSupport.h"
#include "RecordFile.h"

namespace ombrix::testing {
namespace {

// The Status lines of a file up to and including StartTime, without the StartTime value.
const std::string kHead =
    "<Status>\r\nVersion=256\r\nSerialNumber=1\r\nName=\r\nComment=\r\nMemoryClear=0\r\n"
    "MisssionInProgress=0\r\nSampleRate=10\r\nRolloverEnable=0\r\nStartTime=";

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
  EXPECT_EQ(ReadBytes(Path("golden.omx")), ReadBytes(golden));

  ASSERT_TRUE(LoadFromFile(*probe, golden, &error)) << error;
  EXPECT_EQ(probe->SerialNumber, 0xA200000000000028ULL);
  EXPECT_EQ(probe->Name, "K\xFChlschrank \"3\"");
  EXPECT_EQ(probe->Comment, "Vaccines  shelf 2");  // on one line
  EXPECT_EQ(probe->MissionStart, EncodeDateTime(2021, 7, 1, 11, 55, 30));
  EXPECT_EQ(probe->GetSample(3).Time, EncodeDateTime(2021, 7, 1, 12, 30, 0));
  EXPECT_EQ(probe->GetSample(1).Temperature, 23.5f);
}

TEST_F(RecordFileTest, RecordWithoutSamplesHasSixteenLines) {
  probe->SerialNumber = 0x28;  // upper bytes zero
  ASSERT_TRUE(SaveToFile(*probe, Path("a.omx")));
  const std::vector<std::string> lines = Lines(ReadBytes(Path("a.omx")));
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[2], "SerialNumber=0000000000000028");
  EXPECT_EQ(lines[6], "MisssionInProgress=0");
}

TEST_F(RecordFileTest, ShortFilesAndEmptyValuesGiveTheDefaults) {
  probe->StartTime = probe->MissionStart = probe->DownloadTime = EncodeDateTime(2021, 1, 1);
  probe->MissionSamples = probe->ReadSamples = probe->SamplesTotal = 5;
  probe->RolloverEnable = probe->RolloverOccured = true;
  Load(kHead + "\r\n");  // empty StartTime, end of file after it
  EXPECT_EQ(probe->StartTime, 0);
  probe->SerialNumber = 0x1234;
  Load(
      "<Status>\nVersion=256\nSerialNumber=no hex\nName=n\nComment=c\nMemoryClear=0\n"
      "MisssionInProgress=1\nSampleRate=30\n");
  EXPECT_EQ(probe->SerialNumber, 0x1234u);  // not a number: kept
  EXPECT_EQ(probe->SampleRate, 30);
  EXPECT_TRUE(probe->MissionInProgress);
  EXPECT_FALSE(probe->RolloverEnable || probe->RolloverOccured);
  EXPECT_EQ(probe->MissionStart, 0);
  EXPECT_EQ(probe->DownloadTime, 0);
  EXPECT_EQ(probe->MissionSamples + probe->ReadSamples + probe->SamplesTotal, 0);
  Load("<Status>\r\n");
  EXPECT_EQ(probe->Version, 0);
  EXPECT_EQ(probe->Name, "<Noname>");
  EXPECT_EQ(probe->Comment, "<Comment>");
  EXPECT_EQ(probe->SampleRate, 10);
}

TEST_F(RecordFileTest, TheNthLineAfterAHeaderIsTheNthKeyWhateverItsName) {
  probe->Test = true;  // not in the file: decoding follows the record's own flag
  Load(
      "<Anything>\r\nA=7\r\nB=FF\r\nC=name\r\nD=comment\r\nE=0\r\nF=1\r\nG=2\r\nH=1\r\nI=\r\n"
      "J=\r\nK=12\r\nL=2\r\nM=0\r\nN=\r\nO=99\r\n<Other>\r\nX=100\r\nY=357\r\n");
  EXPECT_EQ(probe->Version, 7);
  EXPECT_EQ(probe->SerialNumber, 0xFFu);
  EXPECT_EQ(probe->Comment, "comment");
  EXPECT_EQ(probe->SampleRate, 2);
  EXPECT_EQ(probe->MissionSamples, 12);
  EXPECT_EQ(probe->SamplesTotal, 99);
  EXPECT_EQ(probe->LogBuffer[1], 357 & 0xFF);
  EXPECT_NEAR(probe->GetSample(1).Time - probe->GetSample(0).Time, 2.0 / 86400, 1e-9);
}

TEST_F(RecordFileTest, MoreThan8000SamplesReadAs8000) {
  std::string file = kHead +
                     "\r\nMissionStart=\r\nMissionSamples=9000\r\nReadSamples=9000\r\n"
                     "RolloverOccured=0\r\nDownloadTime=\r\nSamplesTotal=9000\r\n<Log>\r\n";
  for (int i = 0; i < 9000; ++i)
    file += "T" + std::to_string(i) + "=" + std::to_string(i % 251) + "\r\n";
  Load(file);
  EXPECT_EQ(probe->ReadSamples, 8000);
  EXPECT_EQ(probe->LogBuffer[7999], 7999 % 251);
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
  EXPECT_EQ(Lines(ReadBytes(Path("first.omx"))).size(), 16u + 1u + 8000u);
}

// US, German and C forms, a point between the time fields, and a form beyond ASCII.
INSTANTIATE_TEST_SUITE_P(Locales, RolloverRoundTrip,
                         ::testing::Values("C", "en_US", "de_DE", "fi_FI", "ja_JP"));

TEST_F(RecordFileTest, FilesFromOtherRegionalSettingsStillOpen) {
  const TDateTime afternoon = EncodeDateTime(2021, 7, 1, 15, 4, 5);
  probe->StartTime = afternoon;
  auto saveIn = [&](const char* locale, const char* name) {
    LocaleGuard guard(locale);
    EXPECT_TRUE(SaveToFile(*probe, Path(name)));
    return Lines(ReadBytes(Path(name)))[9];
  };
  EXPECT_EQ(saveIn("en_US", "us.omx"), "StartTime=7/1/2021 3:04:05 PM");
  EXPECT_EQ(saveIn("de_DE", "de.omx"), "StartTime=01.07.2021 15:04:05");
  EXPECT_EQ(saveIn("ja_JP", "ja.omx"), "StartTime=2021-07-01 15:04:05");  // ISO: not ASCII
  for (const auto& [locale, file] : {std::pair{"de_DE", "us.omx"}, {"en_US", "de.omx"}}) {
    LocaleGuard guard(locale);
    auto loaded = std::make_unique<TProbeRecord>();
    ASSERT_TRUE(LoadFromFile(*loaded, Path(file)));
    EXPECT_EQ(loaded->StartTime, afternoon) << file << " in " << locale;
  }
  for (const char* text : {"2021-07-01T15:04:05", " 1.7.2021 15:04:05 ", "7/1/2021 3:04:05 pm"}) {
    Load(kHead + text + "\r\n");
    EXPECT_EQ(probe->StartTime, afternoon) << text;
  }
}

TEST_F(RecordFileTest, FailedLoadsSayWhyAndChangeNothing) {
  probe->Name = "kept";
  Write("bad.omx", kHead + "\r\nMissionStart=yesterday noon\r\n");
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.omx"));
  for (const char* name : {"bad.omx", "missing.omx", "folder.omx"}) {
    std::string error;
    EXPECT_FALSE(LoadFromFile(*probe, Path(name), &error));
    EXPECT_NE(error.find(name), std::string::npos) << error;
  }
  std::string error;
  LoadFromFile(*probe, Path("bad.omx"), &error);
  EXPECT_NE(error.find("MissionStart"), std::string::npos) << error;
  EXPECT_NE(error.find("yesterday noon"), std::string::npos) << error;
  EXPECT_EQ(probe->Name, "kept");
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
  EXPECT_EQ(Lines(ReadBytes(Path("x.omx"))).size(), 16u);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace ombrix::testing
