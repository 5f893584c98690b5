// ombrix-cli report: the printed report of a record file as PDF, without a display, and the file
// errors around it.
#include <QProcess>

#include <memory>

#include "CliRunner.h"
#include "ProbeRecord.h"
#include "RecordFile.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;

// The output of a poppler tool run on the file (text of the page, or the document's properties).
std::string Poppler(const QString& tool, const QStringList& arguments) {
  QProcess process;
  process.start(tool, arguments);
  if (!process.waitForFinished(30'000) || process.exitCode() != 0) {
    ADD_FAILURE() << tool.toStdString() << " did not run (package poppler-utils)";
    return {};
  }
  return process.readAllStandardOutput().toStdString();
}

class ReportTest : public CliTest {
 protected:
  void SetUp() override {
    TProbeRecord record;
    record.SerialNumber = 0x4F00000012345678ULL;
    record.Name = "K\xFChlschrank 3";  // Windows-1252
    record.StartTime = EncodeDateTime(2026, 7, 1, 12, 0, 0);
    record.MissionSamples = record.ReadSamples = record.SamplesTotal = 144;
    record.LogBuffer.fill((5 + 40) * 2);
    record.DecodeLog();
    ASSERT_TRUE(SaveToFile(record, Path("fridge.omx")));
  }
};

TEST_F(ReportTest, ReportIsAOneLandscapePagePdfOfTheRecord) {
  const CliResult r = Run("report fridge.omx -o fridge.pdf");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");  // not a word about displays or runtime folders
  EXPECT_EQ(ReadFile(Path("fridge.pdf")).substr(0, 5), "%PDF-");

  const std::string info = Poppler("pdfinfo", {Path("fridge.pdf")});
  EXPECT_THAT(info, HasSubstr("Pages:           2\n"));  // the record's page and its summary
  EXPECT_THAT(info, HasSubstr("842 x 595 pts (A4)"));    // landscape; de_DE measures in metres
  EXPECT_THAT(info, HasSubstr("Title:           fridge\n"));

  const std::string text = Poppler("pdftotext", {Path("fridge.pdf"), "-"});
  EXPECT_THAT(text, HasSubstr("Temperature probe"));
  EXPECT_THAT(text, HasSubstr("Kühlschrank 3"));
  EXPECT_THAT(text, HasSubstr("78 56 34 12 00 00 00 4F"));
  EXPECT_THAT(text, HasSubstr("01.07.2026 12:00:00"));  // first sample, in the locale's form
  EXPECT_THAT(text, HasSubstr("Temperature [°C]"));
}

TEST_F(ReportTest, FileErrorsExitEight) {
  const CliResult missing = Run("report missing.omx -o missing.pdf");
  EXPECT_EQ(missing.code, 8);
  EXPECT_THAT(missing.err, HasSubstr("does not exist"));
  EXPECT_FALSE(QFile::exists(Path("missing.pdf")));
  EXPECT_EQ(Run("report fridge.omx -o no/such/folder/r.pdf").code, 8);
  EXPECT_EQ(Run("report fridge.omx -o fridge.omx --yes").code, 2);  // would replace the record
  EXPECT_EQ(ReadFile(Path("fridge.omx")).substr(0, 8), "<Status>");
}

}  // namespace
}  // namespace ombrix::testing
