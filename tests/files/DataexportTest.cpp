#include <gtest/gtest.h>

#include "Dataexport.h"
#include "FilesTestSupport.h"

namespace ombrix::testing {
namespace {

// The fields of one export line, without their quotes.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  for (std::size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1) {
    tab = line.find('\t', start);
    const std::string field = line.substr(start, tab == std::string::npos ? tab : tab - start);
    EXPECT_TRUE(field.size() >= 2 && field.front() == '"' && field.back() == '"') << line;
    fields.push_back(field.substr(1, field.size() - 2));
  }
  return fields;
}

class DataexportTest : public FileTest {
 protected:
  std::vector<std::string> ExportLines() const {
    return Lines(TDataExport(captions, *probe).Text());
  }

  StatusPageCaptions captions;
  std::unique_ptr<TProbeRecord> probe = std::make_unique<TProbeRecord>();
};

TEST_F(DataexportTest, GoldenExportIsWrittenByteForByte) {
  LocaleGuard locale("de_DE");
  std::string error;
  ASSERT_TRUE(TDataExport(captions, *GoldenRecord()).Export(Path("export.txt"), &error)) << error;
  EXPECT_EQ(ReadBytes(Path("export.txt")),
            ReadBytes(QStringLiteral(OMBRIX_GOLDEN_DIR "/export.txt")));
}

TEST_F(DataexportTest, NoSamplesGiveSixteenLinesAndTextsStayOnTheirLines) {
  probe->Name = "say \"hi\"\nnow";
  probe->Comment = "a\rb\tc\vd\ae\bf\fg";
  const std::vector<std::string> lines = ExportLines();
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(Fields(lines[1]), (std::vector<std::string>{"Name  ", "say  hi  now"}));
  EXPECT_EQ(Fields(lines[2]), (std::vector<std::string>{"Comment  ", "a b c d e f g"}));
  EXPECT_EQ(lines[14], "\"\"\t\"\"");
  EXPECT_EQ(Fields(lines[15])[3],
            "Temperature [\xB0"
            "C]");
}

TEST_F(DataexportTest, RelativeTimesCountHoursAndMinutesFromTheFirstSample) {
  LocaleGuard locale("C");
  probe->StartTime = EncodeDateTime(2021, 7, 1, 12, 0, 0);
  probe->ReadSamples = 1001;  // 10 minutes apart
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  const std::vector<std::string> lines = ExportLines();
  ASSERT_EQ(lines.size(), 16u + 1001u);
  EXPECT_EQ(Fields(lines[16])[1], "00:00");
  EXPECT_EQ(Fields(lines[16 + 6])[1], "01:00");
  EXPECT_EQ(Fields(lines[16 + 1000]),
            (std::vector<std::string>{"1000", "166:40", "8 Jul 2021 10:40:00", "-40.0"}));
}

TEST_F(DataexportTest, TemperaturesUseTheLocalesDecimalSeparator) {
  probe->ReadSamples = 1;
  probe->LogBuffer[0] = 127;  // 23.5 degrees
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  for (const auto& [locale, text] : {std::pair{"de_DE", "23,5"}, {"en_US", "23.5"}}) {
    LocaleGuard guard(locale);
    EXPECT_EQ(Fields(ExportLines()[16])[3], text);
  }
}

TEST_F(DataexportTest, CaptionsComeFromTheSourceAsTheyStand) {
  class Renamed : public CaptionSource {
   public:
    std::string Caption(const char* component) const override {
      return std::string(component) + ": x:";
    }
    std::string Message(const char* key) const override { return std::string(key) + "\t\""; }
  } renamed;
  const std::vector<std::string> lines = Lines(TDataExport(renamed, *probe).Text());
  EXPECT_EQ(Fields(lines[0])[0], "StatusSerialNumber: x ");         // the last colon only
  EXPECT_EQ(Fields(lines[12])[0], "StatusRolloverOccuredLed: x:");  // lamps keep their colons
  EXPECT_EQ(Fields(lines[15]), (std::vector<std::string>{"MsgSample  ", "MsgRelativeTime  ",
                                                         "MsgDateTime  ", "MsgTemperatureC  "}));
}

TEST_F(DataexportTest, FailedExportsAreReportedAndKeepTheOldFile) {
  probe->ReadSamples = TProbeRecord::kLogSize;
  const TDataExport exporter(captions, *probe);
  std::string error;
  EXPECT_FALSE(exporter.Export(Path("no/folder/export.txt"), &error));
  EXPECT_NE(error.find("export.txt"), std::string::npos) << error;
  Write("export.txt", "last export");
  {
    FileSizeLimit fullDisk(4096);
    EXPECT_FALSE(exporter.Export(Path("export.txt")));
  }
  ASSERT_TRUE(QFile::setPermissions(dir.path(), kReadOnly));
  EXPECT_FALSE(AsOrdinaryUser([&] { return exporter.Export(Path("export.txt")); }));
  ASSERT_TRUE(QFile::setPermissions(dir.path(), kReadOnly | QFile::WriteOwner));
  EXPECT_EQ(ReadBytes(Path("export.txt")), "last export");
  EXPECT_EQ(Entries(), QStringList{"export.txt"});

  ASSERT_TRUE(exporter.Export(Path("export.txt"), &error)) << error;
  EXPECT_EQ(Lines(ReadBytes(Path("export.txt"))).size(), 16u + 8000u);
}

}  // namespace
}  // namespace ombrix::testing
