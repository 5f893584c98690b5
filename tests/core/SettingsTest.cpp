#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace ombrix {
namespace {

void Write(const QString& path, const QByteArray& text) {
  ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
}

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// An installed tree (bin/ and share/ombrix/ombrix.INI) and the user's configuration folder.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toLocal8Bit());
    ASSERT_TRUE(QDir().mkpath(dir_.filePath("prefix/bin")));
  }
  void TearDown() override { qputenv("XDG_CONFIG_HOME", previousConfig_); }

  QString Beside() const { return dir_.filePath("prefix/bin/ombrix.INI"); }
  QString Shipped() const { return dir_.filePath("prefix/share/ombrix/ombrix.INI"); }
  QString User() const { return dir_.filePath("config/ombrix/ombrix.INI"); }

  QTemporaryDir dir_;

 private:
  QByteArray previousConfig_;
};

TEST_F(SettingsTest, TheUsersFileIsSeededOnceAndNeverReplacedByTheShippedOne) {
  Write(Shipped(), "[Properties]\nComNumber=0\n");
  // A second start of the installed program, of either program, finds the user's file as the
  // user left it.
  ASSERT_EQ(Settings::Prepare(Beside()), User());
  EXPECT_EQ(Read(User()), "[Properties]\nComNumber=0\n");
  Write(User(), "[Properties]\nComNumber=0\n[Archive]\nDatabase=/srv/site.sqlite\n");
  for (int start = 0; start < 2; ++start) {
    EXPECT_EQ(Settings::Prepare(Beside()), User());
    EXPECT_EQ(Read(User()), "[Properties]\nComNumber=0\n[Archive]\nDatabase=/srv/site.sqlite\n");
  }
  // A file beside the programs that can be written is theirs instead (a portable copy).
  Write(Beside(), "[Properties]\nComNumber=0\n");
  EXPECT_EQ(Settings::Locate(Beside()).file, Beside());
  EXPECT_TRUE(Settings::Locate(Beside()).seedFrom.isEmpty());
}

TEST_F(SettingsTest, ArchiveAndLimitsEachComeFromOnePlace) {
  Write(User(),
        "[Archive]\nEnabled=0\nDatabase=/srv/site.sqlite\nFullDownload=1\n"
        "[Limits]\nHigh=8\nDelay=30\n[Limits A200000000000028]\nLow=2\nHigh=6\n");
  Settings settings(std::make_shared<const TIniFile>(User()));
  EXPECT_FALSE(settings.archiveEnabled);
  EXPECT_TRUE(settings.fullDownload);
  EXPECT_EQ(settings.ArchiveName(), "/srv/site.sqlite");
  settings.archiveOverride = "/tmp/given.sqlite";
  EXPECT_EQ(settings.ArchiveName(), "/tmp/given.sqlite");
  EXPECT_EQ(Settings().ArchiveName(), DefaultArchivePath());
  EXPECT_TRUE(Settings().archiveEnabled);

  struct Case {
    std::optional<std::uint64_t> serial;
    Settings::GivenLimits given;
    std::optional<double> low, high;
    int delay;
  };
  const Case cases[] = {
      {0xA200000000000028ULL, {}, 2, 6, 0},  // the probe's own
      {0x1ULL, {}, std::nullopt, 8, 30},     // the defaults
      {std::nullopt, {}, std::nullopt, 8, 30},
      {0xA200000000000028ULL,
       {.low = {}, .high = std::optional<double>{}, .delayMinutes = 5},
       2,
       std::nullopt,
       5},  // the command line over both
  };
  for (const Case& c : cases) {
    TemperatureLimits limits;
    std::string error;
    ASSERT_TRUE(settings.LimitsFor(c.serial, c.given, limits, error)) << error;
    EXPECT_EQ(limits.low, c.low);
    EXPECT_EQ(limits.high, c.high);
    EXPECT_EQ(limits.delayMinutes, c.delay);
  }
  TemperatureLimits limits;
  std::string error;
  EXPECT_FALSE(settings.LimitsFor(0xA200000000000028ULL,
                                  {.low = {}, .high = 1.0, .delayMinutes = {}}, limits, error));
  EXPECT_NE(error.find("ombrix.INI"), std::string::npos) << error;
}

}  // namespace
}  // namespace ombrix
