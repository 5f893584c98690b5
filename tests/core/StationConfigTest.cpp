#include "StationConfig.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "TimeConversion.h"

namespace ombrix {
namespace {

// A station names its files by the pattern: placeholders in the program's time, names that a
// file system can hold, and nothing outside the station's folder.
TEST(StationConfigTest, PatternsNameFilesInsideTheFolder) {
  TProbeRecord record;
  record.SerialNumber = 0x3C00000B1A00044Full;
  record.Name = "Freezer 2/door: left";
  // 2026-07-01 12:00:00 in the program's summer time is 10:00 UTC.
  record.SetMissionStartSeconds(LocalTimeToSeconds(2026, 7, 1, 12, 0, 0));
  record.DownloadTime = EncodeDateTime(2026, 7, 15, 9, 5, 7);
  struct Case {
    const char* pattern;
    const char* expanded;  // nullptr: refused
  };
  const Case cases[] = {
      {kDefaultStationPattern, "4F04001A0B00003C_20260701-1200_20260715-090507.omx"},
      {"{name}/{adapter}-{entry}-{samples}.omx", "Freezer 2_door_ left/OMX10002-17-0.omx"},
      {"{download:yyyy}/{download:MM-dd HH.mm.ss}.omx", "2026/07-15 09.05.07.omx"},
      {"{serial", nullptr},
      {"{owner}.omx", nullptr},
      {"{download:hh:mm}.omx", nullptr},
      {"{download}.omx", nullptr},
      {"../{serial}.omx", nullptr},
      {"a/../../{serial}.omx", nullptr},
      {"/tmp/{serial}.omx", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    std::string error;
    EXPECT_EQ(CheckStationPattern(c.pattern, error), c.expanded != nullptr) << error;
    if (c.expanded) {
      EXPECT_EQ(ExpandStationPattern(c.pattern, record, "OMX10002", 17), c.expanded);
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(StationConfigTest, ReArmPlansComeFromTheSettings) {
  const TIniFile ini(QStringLiteral("ombrix.INI"),
                     "[Launch shelf]\nRate=15\nStart=delay\nDelay=30\nName=Tray\n"
                     "[Launch fast]\nRate=1\nRollover=1\nStart=immediately\n"
                     "[Launch plain]\nRate=10\n"
                     "[Launch zero]\nRate=0\n"
                     "[Launch late]\nRate=10\nStart=delay\nDelay=251\n"
                     "[Launch odd]\nRate=10\nStart=tomorrow\n");
  struct Case {
    const char* name;
    bool read;
    int rate = 0;
    RearmPlan::Start start = RearmPlan::Start::kNextMinute;
    int delay = 0;
    bool rollover = false;
  };
  using Start = RearmPlan::Start;
  const Case cases[] = {
      {"shelf", true, 15, Start::kDelay, 30, false},
      {"fast", true, 1, Start::kImmediately, 0, true},
      {"plain", true, 10, Start::kNextMinute, 0, false},
      {"zero", false},
      {"late", false},
      {"odd", false},
      {"missing", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RearmPlan plan;
    std::string error;
    ASSERT_EQ(ReadRearmPlan(&ini, c.name, plan, error), c.read) << error;
    if (!c.read) {
      EXPECT_NE(error.find(std::string("[Launch ") + c.name + "]"), std::string::npos) << error;
      continue;
    }
    EXPECT_EQ(plan.rate, c.rate);
    EXPECT_EQ(plan.start, c.start);
    EXPECT_EQ(plan.delayMinutes, c.delay);
    EXPECT_EQ(plan.rollover, c.rollover);
    EXPECT_EQ(plan.comment, std::nullopt) << "the probe keeps its own";
  }
  RearmPlan shelf;
  std::string error;
  ASSERT_TRUE(ReadRearmPlan(&ini, "shelf", shelf, error));
  EXPECT_EQ(shelf.probeName, "Tray");
}

// The station's settings as the settings dialog writes them: refused settings leave the file as
// it was, accepted ones are read back as written, beside the keys that were there.
TEST(StationConfigTest, StationSettingsAreWrittenOnlyWhenAccepted) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("ombrix.INI"));
  const std::string before =
      "; kept\n[Limits]\nHigh=8\n[Launch shelf]\nRate=15\n"
      "[Launch odd]\nRate=0\n";
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(before.c_str());
  }
  TIniFile ini(path);
  EXPECT_EQ(LaunchConfigurationNames(&ini), (std::vector<std::string>{"shelf", "odd"}));
  struct Case {
    const char* pattern;
    const char* rearm;
    const char* refusal;  // nullptr: written
  };
  const Case cases[] = {
      {"{serial}/{nope}.omx", "", "unknown placeholder {nope}"},
      {"../{serial}.omx", "", "must not leave the folder"},
      {"{serial}.omx", "missing", "[Launch missing]"},
      {"{serial}.omx", "odd", "[Launch odd] Rate"},
      {"{serial}_{download:yyyyMMdd}.omx", "shelf", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern + std::string(" ") + c.rearm);
    StationSettings settings;
    settings.folder = "/srv/tray";
    settings.pattern = c.pattern;
    settings.exportForm = StationExport::kCsv;
    settings.report = true;
    settings.rearm = c.rearm;
    std::string error;
    const bool written = WriteStationSettings(ini, settings, error);
    EXPECT_EQ(written, c.refusal == nullptr) << error;
    const TIniFile onDisk(path);
    if (c.refusal) {
      EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
      EXPECT_EQ(onDisk.Text(), before);
      EXPECT_EQ(ini.Text(), before);
      continue;
    }
    StationSettings read;
    ASSERT_TRUE(ReadStationSettings(&onDisk, read, error)) << error;
    EXPECT_EQ(read.folder, "/srv/tray");
    EXPECT_EQ(read.pattern, c.pattern);
    EXPECT_EQ(read.exportForm, StationExport::kCsv);
    EXPECT_TRUE(read.report);
    EXPECT_EQ(read.rearm, "shelf");
    EXPECT_EQ(onDisk.Text().rfind(before, 0), 0u) << "the keys that were there stay";
  }
  const TIniFile wrong(path, "[Station]\nExport=pdf\n");
  StationSettings read;
  std::string error;
  EXPECT_FALSE(ReadStationSettings(&wrong, read, error));
  EXPECT_EQ(error, "[Station] Export is none, text or csv");
}

}  // namespace
}  // namespace ombrix
