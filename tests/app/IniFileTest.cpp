#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace ombrix {
namespace {

class IniFileTest : public ::testing::Test {
 protected:
  QString Path() const { return dir_.filePath("test.INI"); }
  void Write(const std::string& text) {
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
  }
  std::string Read() const {
    QFile file(Path());
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return file.readAll().toStdString();
  }

  QTemporaryDir dir_;
};

TEST_F(IniFileTest, ReadsSectionsAndKeysWithoutRegardToCaseAndBlanks) {
  Write(
      "; settings\n[Properties]\n  comnumber = 3 \nDeviceName=\"Ombrix adapter\"\n"
      "[properties]\nComNumber=9\n[Form]\nTop=12\nbroken line\n");
  const TIniFile ini(Path());
  EXPECT_TRUE(ini.Exists());
  EXPECT_EQ(ini.ReadInteger("PROPERTIES", "ComNumber", -1), 3);  // the first section counts
  EXPECT_EQ(ini.ReadString("Properties", "DeviceName", ""), "Ombrix adapter");
  EXPECT_EQ(ini.ReadInteger("Form", "Top", 0), 12);
  EXPECT_EQ(ini.ReadInteger("Form", "Left", 7), 7);
  EXPECT_EQ(ini.ReadString("Graph", "Top", "none"), "none");
  EXPECT_FALSE(ini.Value("Properties", "; settings"));
}

TEST_F(IniFileTest, StringsAreCutAt2047Bytes) {
  Write("[S]\nK=" + std::string(3000, 'x') + "\n");
  EXPECT_EQ(TIniFile(Path()).ReadString("S", "K", "").size(), 2047u);
}

TEST_F(IniFileTest, IntegersReadAsDecimalOrHexadecimal) {
  EXPECT_EQ(TIniFile::ParseInteger("12"), 12);
  EXPECT_EQ(TIniFile::ParseInteger("-5"), -5);
  EXPECT_EQ(TIniFile::ParseInteger("+7"), 7);
  EXPECT_EQ(TIniFile::ParseInteger("$FF"), 255);
  EXPECT_EQ(TIniFile::ParseInteger("0x1f"), 31);
  EXPECT_EQ(TIniFile::ParseInteger("-$10"), -16);
  EXPECT_EQ(TIniFile::ParseInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(TIniFile::ParseInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(TIniFile::ParseInteger("2147483647"), INT32_MAX);
  for (const char* bad : {"", "2147483648", "-2147483649", "12abc", "0x", "$", "$123456789", "1 2",
                          "abc", "--1", "0x-1"}) {
    EXPECT_FALSE(TIniFile::ParseInteger(bad)) << bad;
  }
}

TEST_F(IniFileTest, BooleansAreIntegersAndBadTextGivesTheDefault) {
  Write("[S]\nA=1\nB=0\nC=2\nD=yes\nE=\n");
  const TIniFile ini(Path());
  EXPECT_TRUE(ini.ReadBool("S", "A", false));
  EXPECT_FALSE(ini.ReadBool("S", "B", true));
  EXPECT_TRUE(ini.ReadBool("S", "C", false));
  EXPECT_TRUE(ini.ReadBool("S", "D", true));
  EXPECT_FALSE(ini.ReadBool("S", "D", false));
  EXPECT_TRUE(ini.ReadBool("S", "E", true));
  EXPECT_FALSE(ini.ReadBool("S", "Missing", false));
}

TEST_F(IniFileTest, FloatsReadAsDecimalText) {
  EXPECT_FLOAT_EQ(TIniFile::ParseFloat("37.3").value(), 37.3f);
  EXPECT_FLOAT_EQ(TIniFile::ParseFloat("-12.5").value(), -12.5f);
  EXPECT_FLOAT_EQ(TIniFile::ParseFloat("1E2").value(), 100.0f);
  for (const char* bad : {"", "abc", "37,3", "1,000.5", "1e400", "nan", "inf"}) {
    EXPECT_FALSE(TIniFile::ParseFloat(bad)) << bad;
  }
}

TEST_F(IniFileTest, FloatsAreWrittenWithFifteenSignificantDigits) {
  EXPECT_EQ(TIniFile::FloatText(37.3f), "37.2999992370605");
  EXPECT_EQ(TIniFile::FloatText(40.0f), "40");
  EXPECT_EQ(TIniFile::FloatText(0.0f), "0");
  EXPECT_EQ(TIniFile::FloatText(-12.25f), "-12.25");
  EXPECT_EQ(TIniFile::FloatText(1e20f), "1.00000002004088E20");
  EXPECT_EQ(TIniFile::FloatText(1e-5f), "9.99999974737875E-6");
  // What is written reads back to the same float.
  for (float value : {37.3f, -0.1f, 1e20f, 1e-5f, 123456.789f}) {
    EXPECT_EQ(TIniFile::ParseFloat(TIniFile::FloatText(value)), value);
  }
}

TEST_F(IniFileTest, WritingKeepsEveryOtherLineInPlace) {
  Write(
      "; Ombrix settings\r\n[Properties]\r\nComNumber=0\r\nTest=1\r\n\r\n"
      "[Custom]\r\nOwn=x\r\n");
  TIniFile ini(Path());
  ini.WriteInteger("properties", "comnumber", 2);      // the line is replaced
  ini.WriteString("Properties", "DeviceName", "Box");  // before the blank line
  ini.WriteBool("Form", "State", true);                // a new section at the end
  ini.WriteFloat("Form", "Min", 37.3f);
  ini.Commit();
  EXPECT_EQ(Read(),
            "; Ombrix settings\r\n[Properties]\r\ncomnumber=2\r\nTest=1\r\nDeviceName=Box\r\n\r\n"
            "[Custom]\r\nOwn=x\r\n[Form]\r\nState=1\r\nMin=37.2999992370605\r\n");
  EXPECT_EQ(TIniFile(Path()).ReadInteger("Properties", "ComNumber", -1), 2);
}

TEST_F(IniFileTest, ANewFileUsesLineFeedsAndEndsWithOne) {
  TIniFile ini(Path());
  ini.WriteString("A", "K", "V");
  ini.Commit();
  EXPECT_EQ(Read(), "[A]\nK=V\n");
}

TEST_F(IniFileTest, AFailedWriteThrowsAndLeavesTheFileAlone) {
  TIniFile ini(dir_.filePath("no-such-folder/test.INI"));
  ini.WriteString("A", "K", "V");
  try {
    ini.Commit();
    FAIL() << "no error";
  } catch (const IniWriteError& error) {
    EXPECT_NE(std::string(error.what()).find("test.INI"), std::string::npos) << error.what();
  }
}

// What is written reads back the same, and a second save changes nothing: values that reading
// would trim or unquote are written in quotes, and a file keeps its kind of line end.
TEST_F(IniFileTest, SavedValuesReadBackAsTheyWereAndASecondSaveChangesNothing) {
  for (const std::string value : {"Ombrix adapter ", "\tlead", "\"quoted\"", "'single'", "plain"}) {
    TIniFile ini(Path(), "");
    ini.WriteString("Properties", "DeviceName", value);
    EXPECT_EQ(TIniFile(Path(), ini.Text()).ReadString("Properties", "DeviceName", "-"), value);
  }
  for (const std::string text : {"[Extra]\nKey=kept\r\r", "[Extra]\r\nKey=kept\r\r\n", "[A]\r"}) {
    TIniFile first(Path(), text);
    first.WriteInteger("Form", "Top", 1);
    TIniFile second(Path(), first.Text());
    second.WriteInteger("Form", "Top", 1);
    EXPECT_EQ(second.Text(), first.Text()) << text;
  }
}

// A FIFO, a device or an oversized file in the settings' place reads as no settings, says why, and
// is never replaced.
TEST_F(IniFileTest, OnlyRegularFilesOfASaneSizeAreReadAndOnlyThoseAreWritten) {
  const QString fifo = dir_.filePath("fifo.INI");
  ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  Write("[Properties]\nComNumber=1\n" + std::string(TIniFile::kMaxFileSize, ';'));
  for (const auto& [path, expected] : {std::pair{fifo, "is not a regular file"},
                                       {QStringLiteral("/dev/zero"), "is not a regular file"},
                                       {Path(), "is too large"}}) {
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Properties", "ComNumber", -1), -1);
    EXPECT_NE(ini.ReadError().find(expected), std::string::npos) << ini.ReadError();
    ini.WriteInteger("Properties", "ComNumber", 2);
    EXPECT_THROW(ini.Commit(), IniWriteError);
  }
  EXPECT_EQ(Read().size(), 25 + TIniFile::kMaxFileSize);
  EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
}

}  // namespace
}  // namespace ombrix
