#include "IniFolder.h"
#include "Probeworkplace.h"
#include "files/FilesTestSupport.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace ombrix {
namespace {

class WorkplaceTest : public ::testing::Test, public ombrix::testing::IniFolder {
 protected:
  void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(WorkplaceTest, TheIniFileIsNamedLikeTheProgram) {
  EXPECT_EQ(TProbeWorkplace::IniFileNameFor("/opt/ombrix/bin/ombrix"),
            "/opt/ombrix/bin/ombrix.INI");
  EXPECT_EQ(TProbeWorkplace::IniFileNameFor("/opt/x.y/Ombrix.exe"), "/opt/x.y/Ombrix.INI");
}

TEST_F(WorkplaceTest, WithoutAnIniFileTheProgramIsNotConfigured) {
  TProbeWorkplace place(IniPath());
  EXPECT_FALSE(place.Load());
  EXPECT_EQ(place.ComNumber, -1);
  EXPECT_EQ(place.DeviceName, "Ombrix adapter");
  EXPECT_FALSE(place.NewProbe());
  EXPECT_EQ(place.ErrorCode, 4);
  EXPECT_EQ(place.ErrorText(), "Application uninitialized, change Properties !");
  ASSERT_TRUE(place.Probe);  // made all the same
  EXPECT_FALSE(place.Initialized);
  place.Save();
  EXPECT_FALSE(QFile::exists(IniPath()));
}

TEST_F(WorkplaceTest, AnUnconfiguredFileIsReadNoFurtherThanTheDeviceName) {
  WriteIni("[Properties]\nComNumber=-1\nDeviceName=Lab box\nTest=1\n[Form]\nTop=55\nWidth=1000\n");
  TProbeWorkplace place(IniPath());
  EXPECT_FALSE(place.Load());
  EXPECT_EQ(place.DeviceName, "Lab box");
  EXPECT_EQ(place.Top, 0);
  EXPECT_EQ(place.Width, 800);
  EXPECT_FALSE(place.Test);
}

TEST_F(WorkplaceTest, ReadsEveryKeyFromItsSection) {
  WriteIni(
      "[Properties]\nComNumber=$3\nDeviceName=Lab box\nTest=1\nEnableOff=7\n"
      "[Form]\nTop=10\nLeft=0x14\nWidth=900\nHeight=abc\nState=1\n"
      "[Graph]\nGraph3D=0\nGraphDate=1\nMinTemperature=-30\nMaxTemperature=60.5\n"
      "Histogram3D=0\n");
  TProbeWorkplace place(IniPath());
  ASSERT_TRUE(place.Load());
  EXPECT_EQ(place.ComNumber, 3);
  EXPECT_EQ(place.DeviceName, "Lab box");
  EXPECT_EQ(place.Top, 10);
  EXPECT_EQ(place.Left, 20);
  EXPECT_EQ(place.Width, 900);
  EXPECT_EQ(place.Height, 600);  // unreadable: the default
  EXPECT_TRUE(place.Maximized);
  EXPECT_FALSE(place.Graph3D);
  EXPECT_TRUE(place.GraphDate);
  EXPECT_TRUE(place.Histogram3D);  // its key belongs to section "Histogram"
  EXPECT_FLOAT_EQ(place.MinTemperature, -30.0f);
  EXPECT_FLOAT_EQ(place.MaxTemperature, 60.5f);
  EXPECT_TRUE(place.Test);
  EXPECT_TRUE(place.EnableOff);
}

TEST_F(WorkplaceTest, SavesTheTwelveKeysAndKeepsTheRest) {
  WriteIni("[Properties]\nComNumber=0\nCodePage=1250\n[Graph]\nMinTemperature=37.3\n");
  TProbeWorkplace place(IniPath());
  ASSERT_TRUE(place.Load());
  ASSERT_TRUE(place.NewProbe());
  // Edited while the program runs: the edits stay, only the program's own keys are written.
  WriteIni(
      "; lab settings\n[Properties]\nComNumber=0\nTest=1\nEnableOff=1\nCodePage=1250\n"
      "[Graph]\nMinTemperature=37.3\n");
  place.Top = 5;
  place.Left = -3;
  place.Width = 1024;
  place.Height = 700;
  place.Maximized = true;
  place.GraphDate = true;
  place.Save();
  EXPECT_EQ(ReadIni(),
            "; lab settings\n[Properties]\nComNumber=0\nTest=1\nEnableOff=1\nCodePage=1250\n"
            "DeviceName=Ombrix adapter\n"
            "[Graph]\nMinTemperature=37.2999992370605\nGraph3D=1\nGraphDate=1\n"
            "MaxTemperature=40\n"
            "[Form]\nTop=5\nLeft=-3\nWidth=1024\nHeight=700\nState=1\n"
            "[Histogram]\nHistogram3D=1\n");
}

// Where the settings live, for a program folder a desktop user may or may not write, in both
// orders of first start. Run as an ordinary user, for whom permissions count.
TEST_F(WorkplaceTest, SettingsLiveBesideTheProgramWhenWritableElseInTheUsersFolder) {
  const QString program = dir.filePath("ombrix");
  WriteIni("[Properties]\nComNumber=0\n[Form]\nTop=1\n");
  for (const bool readOnlyFirst : {true, false}) {
    QTemporaryDir config;
    ASSERT_TRUE(QFile::setPermissions(config.path(), QFileDevice::Permissions(0x7777)));
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString user = config.filePath("ombrix/ombrix.INI");
    const auto start = [&](bool writable, int top) {
      const auto mode =
          writable ? QFileDevice::Permissions(0x7777) : QFileDevice::Permissions(0x5555);
      EXPECT_TRUE(QFile::setPermissions(dir.path(), mode));
      EXPECT_TRUE(QFile::setPermissions(IniPath(), writable ? QFileDevice::Permissions(0x6666)
                                                            : QFileDevice::Permissions(0x4444)));
      return testing::AsOrdinaryUser([&] {
        const QString file = Settings::Prepare(TProbeWorkplace::IniFileNameFor(program));
        TProbeWorkplace place(file);
        if (file != (writable ? IniPath() : user) || !place.Load() || !place.NewProbe()) {
          return false;
        }
        place.Top = top;
        place.Save();
        return true;
      });
    };
    for (const bool writable : {!readOnlyFirst, readOnlyFirst}) {
      EXPECT_TRUE(start(writable, writable ? 10 : 20)) << readOnlyFirst << writable;
    }
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));
    EXPECT_NE(ReadIni().find("Top=10"), std::string::npos);
    QFile seeded(user);
    ASSERT_TRUE(seeded.open(QIODevice::ReadOnly));
    // Seeded from the copy beside the program as it stood at the read-only start.
    const std::string text = seeded.readAll().toStdString();
    EXPECT_NE(text.find("Top=20"), std::string::npos) << text;
    EXPECT_NE(text.find("ComNumber=0"), std::string::npos) << text;
    WriteIni("[Properties]\nComNumber=0\n[Form]\nTop=1\n");
  }
  qunsetenv("XDG_CONFIG_HOME");
}

TEST_F(WorkplaceTest, NewProbeMakesAFreshProbeWithTheConfiguredAdapterName) {
  WriteIni("[Properties]\nComNumber=0\nDeviceName=Lab box\n");
  TProbeWorkplace place(IniPath());
  ASSERT_TRUE(place.Load());
  ASSERT_TRUE(place.NewProbe());
  EXPECT_TRUE(place.Initialized);
  EXPECT_EQ(place.ErrorCode, 0);
  EXPECT_EQ(place.Probe->Adapter->Description, "Lab box");
  place.Probe->Name = "old session";
  ASSERT_TRUE(place.NewProbe());
  EXPECT_EQ(place.Probe->Name, "");
}

TEST_F(WorkplaceTest, ErrorTextsByCode) {
  TProbeWorkplace place(IniPath());
  const std::pair<int, const char*> texts[] = {
      {0, "Undefined error"},
      {1, "No error"},
      {2, "Unable open COM"},
      {3, "Unable set parameters"},
      {4, "Application uninitialized, change Properties !"},
      {5, "Undefined error"},
      {-1, "Undefined error"}};
  for (const auto& [code, text] : texts) {
    place.ErrorCode = static_cast<std::int8_t>(code);
    EXPECT_EQ(place.ErrorText(), text) << code;
  }
}

TEST_F(WorkplaceTest, TheCodePageConvertsProbeTexts) {
  WriteIni("[Properties]\nComNumber=0\nCodePage=1250\n");
  TProbeWorkplace place(IniPath());
  EXPECT_EQ(place.ToText("\xA5"), QString::fromUtf8("¥"));  // Windows-1252 until loaded
  ASSERT_TRUE(place.Load());
  EXPECT_EQ(place.ToText("\xA5"), QString::fromUtf8("Ą"));
  EXPECT_EQ(place.ToBytes(QString::fromUtf8("Ą")), "\xA5");
}

TEST_F(WorkplaceTest, FloatsFollowTheLocale) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  WriteIni("[Properties]\nComNumber=0\n[Graph]\nMinTemperature=-2,5\nMaxTemperature=60.5\n");
  TProbeWorkplace place(IniPath());
  ASSERT_TRUE(place.Load());
  EXPECT_FLOAT_EQ(place.MinTemperature, -2.5f);
  EXPECT_FLOAT_EQ(place.MaxTemperature, 40.0f);  // "60.5" does not read with a decimal comma
  ASSERT_TRUE(place.NewProbe());
  place.Save();
  EXPECT_NE(ReadIni().find("MinTemperature=-2,5\nMaxTemperature=40\n"), std::string::npos)
      << ReadIni();
}

}  // namespace
}  // namespace ombrix
