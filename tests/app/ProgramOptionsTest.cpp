#include "ProgramOptions.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

const QStringList kScenarios = {"demo", "empty", "none"};

TEST(ProgramOptionsTest, VirtualTakesTheDefaultOrANamedScenario) {
  ProgramOptions options;
  ASSERT_TRUE(ParseProgramOptions({}, kScenarios, options, nullptr));
  EXPECT_FALSE(options.virtualAdapter);  // real adapters
  ASSERT_TRUE(ParseProgramOptions({"--virtual"}, kScenarios, options, nullptr));
  EXPECT_TRUE(options.virtualAdapter);
  EXPECT_EQ(options.scenario, "demo");
  ASSERT_TRUE(ParseProgramOptions({"--virtual=none"}, kScenarios, options, nullptr));
  EXPECT_EQ(options.scenario, "none");
  for (const QStringList& arguments : {QStringList{"--virtual-state", "lab"},
                                       QStringList{"--virtual-state=lab", "--virtual=empty"}}) {
    ASSERT_TRUE(ParseProgramOptions(arguments, kScenarios, options, nullptr));
    EXPECT_TRUE(options.virtualAdapter);
    EXPECT_EQ(options.virtualStateFile, "lab");
    EXPECT_EQ(options.scenario, arguments.size() == 2 && arguments[1] == "lab" ? "demo" : "empty");
  }
  // The station window goes with real adapters or with a scenario, and changes neither.
  for (const QStringList& arguments :
       {QStringList{"--station"}, QStringList{"--virtual=none", "--station"}}) {
    ASSERT_TRUE(ParseProgramOptions(arguments, kScenarios, options, nullptr));
    EXPECT_TRUE(options.station);
    EXPECT_EQ(options.virtualAdapter, arguments.size() == 2);
  }
  ASSERT_TRUE(ParseProgramOptions({"--virtual"}, kScenarios, options, nullptr));
  EXPECT_FALSE(options.station);
  EXPECT_EQ(options.virtualSpeed, 4.0);
  EXPECT_TRUE(options.file.isEmpty());
  // The link's pace and a record file the desktop hands over.
  ASSERT_TRUE(ParseProgramOptions({"--virtual", "--virtual-speed=1", "/home/u/fridge week.omx"},
                                  kScenarios, options, nullptr));
  EXPECT_EQ(options.virtualSpeed, 1.0);
  EXPECT_EQ(options.file, "/home/u/fridge week.omx");
}

TEST(ProgramOptionsTest, UnknownArgumentsAndScenariosAreRefused) {
  ProgramOptions options;
  QString error;
  EXPECT_FALSE(ParseProgramOptions({"--virtual=fridge"}, kScenarios, options, &error));
  EXPECT_TRUE(error.contains("fridge") && error.contains("empty")) << error.toStdString();
  EXPECT_FALSE(ParseProgramOptions({"--virtual="}, kScenarios, options, &error));
  EXPECT_FALSE(ParseProgramOptions({"--verbose"}, kScenarios, options, &error));
  EXPECT_TRUE(error.contains("--verbose"));
  ASSERT_TRUE(ParseProgramOptions({"-h"}, kScenarios, options, nullptr));
  EXPECT_TRUE(options.showUsage);
  EXPECT_FALSE(ParseProgramOptions({"--virtual-state"}, kScenarios, options, &error));
  EXPECT_TRUE(error.contains("FILE"));
  for (const char* incomplete : {"--archive", "--archive="}) {
    EXPECT_FALSE(ParseProgramOptions({incomplete}, kScenarios, options, &error));
    EXPECT_TRUE(error.contains("LOCATION"));
  }
  for (const char* speed : {"--virtual-speed=0.5", "--virtual-speed=fast", "--virtual-speed="}) {
    EXPECT_FALSE(ParseProgramOptions({speed}, kScenarios, options, &error)) << speed;
    EXPECT_TRUE(error.contains("from 1 (the real link)")) << error.toStdString();
  }
  EXPECT_FALSE(ParseProgramOptions({"a.omx", "b.omx"}, kScenarios, options, &error));
  ASSERT_TRUE(
      ParseProgramOptions({"--archive", "postgresql://db/site"}, kScenarios, options, nullptr));
  EXPECT_EQ(options.archive, "postgresql://db/site");
  const QString usage = UsageText("ombrix", kScenarios, "/home/u/.config/ombrix/ombrix.INI");
  EXPECT_TRUE(usage.contains("demo, empty, none"));
  EXPECT_TRUE(usage.contains("--station"));
  EXPECT_TRUE(usage.contains("Settings: /home/u/.config/ombrix/ombrix.INI"));
}

}  // namespace
}  // namespace ombrix
