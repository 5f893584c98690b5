#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "IniFile.h"
#include "LimitsSettings.h"
#include "Statistics.h"
#include "TimeConversion.h"

namespace ombrix::testing {
namespace {

// A record of the given temperatures (multiples of 0.5 °C), one every `rate` minutes.
TProbeRecord Record(const std::vector<double>& temperatures, int rate = 10) {
  TProbeRecord r;
  r.SampleRate = rate;
  r.StartSeconds = LocalTimeToSeconds(2021, 6, 1, 12, 0, 0);
  r.MissionSamples = r.ReadSamples = static_cast<int>(temperatures.size());
  for (std::size_t i = 0; i < temperatures.size(); ++i) {
    r.LogBuffer[i] = static_cast<std::uint8_t>(std::lround((temperatures[i] + 40) * 2));
  }
  r.DecodeLog();
  return r;
}

std::vector<double> Repeat(std::vector<double> pattern, int times) {
  std::vector<double> all;
  for (int i = 0; i < times; ++i) all.insert(all.end(), pattern.begin(), pattern.end());
  return all;
}

TEST(Statistics, MeanKineticTemperatureAndMoments) {
  std::vector<double> seventyThirty(70, 2.0);
  seventyThirty.insert(seventyThirty.end(), 30, 25.0);
  const struct {
    std::vector<double> t;
    double mkt, mean, sd;
  } cases[] = {
      {std::vector<double>(50, 5.0), 5.000, 5.0, 0.0},
      {Repeat({0.0, 10.0}, 50), 6.433, 5.0, 5.0252},
      {seventyThirty, 15.768, 8.9, 10.5930},
      {{4.0, 4.5, 5.0, 12.0}, 7.094, 6.375, 3.7722},
  };
  for (const auto& c : cases) {
    const RecordStatistics s = ComputeStatistics(Record(c.t), {});
    EXPECT_NEAR(s.meanKinetic, c.mkt, 0.0005) << c.t.size();
    EXPECT_NEAR(s.mean, c.mean, 1e-9);
    ASSERT_TRUE(s.standardDeviation);
    EXPECT_NEAR(*s.standardDeviation, c.sd, 0.0001);
    EXPECT_EQ(s.verdict, Verdict::kNoLimits);
  }
  // ΔH/R is a setting: a lower activation weighs the warm samples less.
  TemperatureLimits low;
  low.activation = 5000;
  EXPECT_LT(ComputeStatistics(Record({4.0, 4.5, 5.0, 12.0}), low).meanKinetic, 7.094);
}

TEST(Statistics, ExcursionsAtTheEdgesAndTheDelay) {
  // Samples every 10 minutes; limits 2..8 °C.
  const struct {
    const char* what;
    std::vector<double> t;
    int delay;
    int counted;
    int longestFirst, longestLast;  // -1: none
    std::int64_t below, above;      // minutes
  } cases[] = {
      {"at the first sample", {9, 5, 5, 5}, 0, 1, 0, 0, 0, 10},
      {"at the last sample", {5, 5, 1, 1}, 0, 1, 2, 3, 20, 0},
      {"exactly as long as the delay", {5, 9, 9, 9, 5}, 30, 1, 1, 3, 0, 30},
      {"a sample shorter than the delay", {5, 9, 9, 5}, 30, 0, -1, -1, 0, 20},
      {"from above straight to below: two runs", {9, 9, 1, 5}, 0, 2, 0, 1, 10, 20},
      {"the longer of two", {9, 5, 1, 1, 1, 5, 9, 9}, 0, 3, 2, 4, 30, 30},
      {"on the limit is within", {8, 2, 8, 2}, 0, 0, -1, -1, 0, 0},
  };
  TemperatureLimits limits;
  limits.low = 2;
  limits.high = 8;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    limits.delayMinutes = c.delay;
    const TProbeRecord record = Record(c.t);
    const RecordStatistics s = ComputeStatistics(record, limits);
    EXPECT_EQ(static_cast<int>(s.excursions.size()), c.counted);
    EXPECT_EQ(s.verdict, c.counted > 0 ? Verdict::kOutside : Verdict::kWithin);
    EXPECT_EQ(s.secondsBelow, c.below * 60);
    EXPECT_EQ(s.secondsAbove, c.above * 60);
    ASSERT_EQ(s.longest.has_value(), c.longestFirst >= 0);
    if (s.longest) {
      EXPECT_EQ(s.longest->first, c.longestFirst);
      EXPECT_EQ(s.longest->last, c.longestLast);
      EXPECT_EQ(s.longest->startSeconds, record.SampleSeconds(c.longestFirst));
      EXPECT_EQ(s.longest->endSeconds, record.SampleSeconds(c.longestLast) + 600);
    }
  }
}

TEST(Statistics, RecordsWithNoneOrOneSample) {
  TemperatureLimits limits;
  limits.high = 8;
  const RecordStatistics none = ComputeStatistics(Record({}), limits);
  EXPECT_EQ(none.samples, 0);
  EXPECT_EQ(none.note, "no samples");
  EXPECT_EQ(none.verdict, Verdict::kNoSamples) << "no samples: never within the limits";
  const RecordStatistics one = ComputeStatistics(Record({9}), limits);
  EXPECT_EQ(one.samples, 1);
  EXPECT_FALSE(one.standardDeviation);
  EXPECT_EQ(one.note, "one sample: no standard deviation");
  EXPECT_DOUBLE_EQ(one.meanKinetic, 9.0);
  EXPECT_EQ(one.verdict, Verdict::kOutside);
  EXPECT_EQ(one.secondsAbove, 600);
}

TEST(Limits, RefusedInputAndTheSettingsFile) {
  std::optional<double> value;
  EXPECT_TRUE(ParseLimit("-18,5", value) && *value == -18.5);
  EXPECT_TRUE(ParseLimit(" off ", value) && !value);
  for (const char* bad : {"abc", "5 C", "1e400", "nan"})
    EXPECT_FALSE(ParseLimit(bad, value)) << bad;
  int delay = 0;
  EXPECT_TRUE(ParseDelay("10000", delay));
  EXPECT_FALSE(ParseDelay("10001", delay));
  EXPECT_FALSE(ParseDelay("-1", delay));
  std::string error;
  TemperatureLimits limits;
  limits.low = 8;
  limits.high = 8;
  EXPECT_FALSE(CheckLimits(limits, error));
  EXPECT_EQ(error, "the low limit must be below the high limit");

  // Defaults for every probe, and a probe of its own; read back under another locale.
  TIniFile ini(QStringLiteral("x.INI"), "[Properties]\nComNumber=0\n");
  TemperatureLimits defaults;
  defaults.high = 8;
  TemperatureLimits own;
  own.low = -2.5;
  own.high = 4;
  own.delayMinutes = 30;
  WriteLimits(ini, std::nullopt, defaults);
  WriteLimits(ini, 0xA200000000000028ULL, own);
  EXPECT_NE(ini.Text().find("[Limits A200000000000028]"), std::string::npos);
  EXPECT_NE(ini.Text().find("Low=-2.5"), std::string::npos);
  const TIniFile back(QStringLiteral("x.INI"), ini.Text());
  EXPECT_EQ(ReadLimits(back, 0xA200000000000028ULL), own);
  EXPECT_EQ(ReadLimits(back, 1), defaults);
  EXPECT_EQ(ReadLimits(back, std::nullopt), defaults);
  EXPECT_TRUE(HasOwnLimits(back, 0xA200000000000028ULL));
  // Limits that contradict each other in the file count as none.
  const TIniFile bad(QStringLiteral("x.INI"), "[Limits]\nLow=9\nHigh=3\n");
  EXPECT_FALSE(ReadLimits(bad, std::nullopt).Any());
}

TEST(IsoTimes, OffsetsAcrossBothSummerTimeSwitches) {
  const std::int64_t spring = LocalTimeToSeconds(2021, 3, 28, 1, 30, 0);  // CET
  EXPECT_EQ(IsoDateTimeText(spring).toStdString(), "2021-03-28T01:30:00+01:00");
  EXPECT_EQ(IsoDateTimeText(spring + 3600).toStdString(), "2021-03-28T03:30:00+02:00");
  const std::int64_t autumn = 1635640200;  // 2021-10-31 00:30 UTC
  EXPECT_EQ(IsoDateTimeText(autumn).toStdString(), "2021-10-31T02:30:00+02:00");
  EXPECT_EQ(IsoDateTimeText(autumn + 3600).toStdString(), "2021-10-31T02:30:00+01:00");
}

}  // namespace
}  // namespace ombrix::testing
