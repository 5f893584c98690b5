#include <gtest/gtest.h>

#include <cmath>

#include "Bytes.h"
#include "VirtualProbe.h"

namespace ombrix {
namespace {

constexpr std::int64_t kT0 = 1'700'000'000'000;  // bus time, ms
constexpr std::uint32_t kT0s = 1'700'000'000;

// Each sample's temperature tells its time, so order and timing show in the log bytes.
double ByTime(std::int64_t t) {
  return std::fmod(static_cast<double>(t), 200.0) * 0.5 - 40.0;
}

class MissionTest : public ::testing::Test {
 protected:
  VirtualProbe probe{std::make_shared<FunctionTemperature>(ByTime)};

  std::uint32_t Reg(int code, std::int64_t seconds) {
    return *probe.ReadRegister(code, kT0 + seconds * 1000);
  }
  // The control command as the program composes it.
  std::uint8_t Control(std::uint8_t flags, std::uint8_t rate, std::uint8_t b2, std::uint8_t b3,
                       std::int64_t seconds = 0) {
    const std::uint32_t value = flags | rate << 8 | b2 << 16 | static_cast<std::uint32_t>(b3) << 24;
    return static_cast<std::uint8_t>(*probe.RunCommand(3, value, kT0 + seconds * 1000));
  }
};

TEST_F(MissionTest, LaunchWithDelaySamplesFromTheFirstSampleTimeAtTheRate) {
  EXPECT_EQ(Control(0x02, 10, 3, 20), VirtualProbe::kMissionInProgress);
  EXPECT_EQ(Reg(7, 0), kT0s);
  EXPECT_EQ(Reg(8, 0), 3u << 16 | 20u << 24);
  const std::int64_t first = 3 * 60 + 20 + 1;
  EXPECT_EQ(Reg(5, first - 1), 0u);
  EXPECT_EQ(Reg(5, first), 1u);
  EXPECT_EQ(Reg(5, first + 3 * 600 - 1), 3u);
  EXPECT_EQ(Reg(5, first + 3 * 600), 4u);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(probe.Memory()[k], EncodeTemperature(ByTime(kT0s + first + k * 600))) << k;
  }
  EXPECT_EQ(probe.Memory()[4], 0xFF);
  EXPECT_EQ(Reg(9, first + 3 * 600), 4u);
}

TEST_F(MissionTest, TestModeCountsTheRateInSeconds) {
  EXPECT_EQ(Control(0x42, 5, 0, 0), 0x42);
  EXPECT_EQ(Reg(5, 1), 1u);
  EXPECT_EQ(Reg(5, 1 + 5 * 9), 10u);
  EXPECT_EQ(Reg(3, 100) >> 8, 5u);
}

TEST_F(MissionTest, RolloverWrapsTheRingAndSetsItsFlag) {
  Control(0x46, 1, 0, 0);
  EXPECT_EQ(Reg(5, 8000), 8000u);
  EXPECT_EQ(probe.StatusByte() & VirtualProbe::kRolloverOccurred, 0);
  EXPECT_EQ(Reg(5, 8005), 8005u);
  EXPECT_EQ(Reg(3, 8005) & 0xFF, 0x4E);
  // Sample k sits at k mod 8000: 8000..8004 overwrote 0..4, 5 is still the sixth sample.
  for (int k : {8000, 8004, 5, 7999}) {
    EXPECT_EQ(probe.Memory()[k % 8000], EncodeTemperature(ByTime(kT0s + 1 + k))) << k;
  }
  // A long stretch untouched catches up at once; the mission and lifetime counters agree.
  EXPECT_EQ(Reg(5, 100'000), 100'000u);
  EXPECT_EQ(Reg(9, 100'000), 100'000u);
  EXPECT_EQ(probe.Memory()[99'999 % 8000], EncodeTemperature(ByTime(kT0s + 100'000)));
}

TEST_F(MissionTest, WithoutRolloverRecordingStopsWhenTheLogIsFull) {
  probe.SetLifetimeSamples(500);
  Control(0x42, 1, 0, 0);
  EXPECT_EQ(Reg(5, 20'000), 8000u);
  EXPECT_EQ(Reg(9, 20'000), 8500u);
  EXPECT_EQ(probe.StatusByte(), VirtualProbe::kMissionInProgress | VirtualProbe::kTestMode);
  EXPECT_EQ(probe.Memory()[0], EncodeTemperature(ByTime(kT0s + 1)));
}

TEST_F(MissionTest, StopClearAndRefusedCommandsFollowTheProbeState) {
  Control(0x06, 1, 0, 0);
  EXPECT_EQ(Control(0x01, 1, 0, 0, 120), 0x06) << "clear during a mission is ignored";
  EXPECT_EQ(Control(0x02, 7, 0, 0, 120), 0x06) << "launch on a busy probe is ignored";
  EXPECT_EQ(Control(0x04, 1, 0, 0, 130), 0x04) << "stop";
  EXPECT_EQ(Reg(5, 10'000), 3u) << "no samples after the stop";
  EXPECT_EQ(Control(0x04, 1, 0, 0, 10'000), 0x04) << "a second stop changes nothing";
  EXPECT_EQ(Control(0x05, 10, 0, 0, 10'000), 0x05) << "clear keeps the rollover setting";
  EXPECT_EQ(Reg(5, 10'000), 0u);
  EXPECT_EQ(Reg(9, 10'000), 3u);
  EXPECT_EQ(Reg(3, 10'000) >> 8, 10u);
  EXPECT_EQ(Control(0x02, 0, 0, 0, 10'000), 0x05) << "rate 0 is refused";
}

TEST_F(MissionTest, SwitchOffNeedsTheGuardAndAClearProbeAndStopsTheClock) {
  EXPECT_EQ(Control(0x80, 0x4F, 0x46, 0x47), 0x01) << "wrong guard";
  EXPECT_EQ(Control(0x80, 0x4F, 0x46, 0x46, 10), 0x81);
  EXPECT_EQ(Reg(2, 10), kT0s + 10);
  EXPECT_EQ(Reg(2, 5000), kT0s + 10) << "the clock stands still";
  EXPECT_EQ(Control(0x80, 0x4F, 0x46, 0x46, 5000), 0x81);
  // Launching switches it on; its clock runs on from where it stood.
  EXPECT_EQ(Control(0x02, 1, 0, 0, 6000), 0x02);
  EXPECT_EQ(Reg(7, 6000), kT0s + 10);
  EXPECT_EQ(Reg(2, 6100), kT0s + 110);
  EXPECT_EQ(Control(0x80, 0x4F, 0x46, 0x46, 6100), 0x02) << "not clear: no switch-off";
}

TEST_F(MissionTest, SetClockMovesTheProbeClockAndWritesGoToMemory) {
  EXPECT_EQ(*probe.RunCommand(2, 1'000'000'000, kT0), 1'000'000'000u);
  EXPECT_EQ(Reg(2, 61), 1'000'000'061u);
  EXPECT_EQ(*probe.RunCommand(4, 0x00AB1F48, kT0), 0x00AB1F48u);
  EXPECT_EQ(probe.Memory()[8008], 0xAB);
  EXPECT_FALSE(probe.RunCommand(6, 0, kT0).has_value());
  EXPECT_FALSE(probe.ReadRegister(4, kT0).has_value());
}

TEST(ProbeIdentityTest, SerialNumberAndTextsLieInTheirAreas) {
  VirtualProbe probe;
  const std::uint64_t serial = VirtualProbe::MakeSerialNumber(0x4F, 0xA1B2C3D4E5F6);
  EXPECT_TRUE(VirtualProbe::SerialNumberValid(serial));
  EXPECT_FALSE(VirtualProbe::SerialNumberValid(serial ^ 1));
  probe.SetSerialNumber(serial);
  EXPECT_EQ(probe.Memory()[8000], 0x4F);
  EXPECT_EQ(probe.Memory()[8001], 0xF6);
  EXPECT_EQ(probe.Memory()[8007], Crc8(&probe.Memory()[8000], 7));
  probe.SetName(std::string(40, 'n'));
  probe.SetComment("abc");
  EXPECT_EQ(probe.Name(), std::string(32, 'n'));
  EXPECT_EQ(probe.Memory()[8040 + 3], 0);
  EXPECT_EQ(probe.Comment(), "abc");
}

TEST(TemperatureTest, CodingAndTheFridgeSource) {
  EXPECT_EQ(EncodeTemperature(-40), 0);
  EXPECT_EQ(EncodeTemperature(4.0), 88);
  EXPECT_EQ(EncodeTemperature(4.3), 89);
  EXPECT_EQ(EncodeTemperature(87.5), 255);
  EXPECT_EQ(EncodeTemperature(120), 255);
  EXPECT_EQ(EncodeTemperature(-60), 0);
  EXPECT_DOUBLE_EQ(DecodeTemperature(80), 0.0);

  const FridgeTemperature fridge(7), same(7), other(8);
  double sum = 0, low = 100, high = -100;
  int differs = 0;
  const int n = 7 * 24 * 6;  // a week at 10 minutes
  for (int i = 0; i < n; ++i) {
    const std::int64_t t = kT0s + i * 600;
    const double c = fridge.Celsius(t);
    EXPECT_EQ(c, same.Celsius(t));
    differs += c != other.Celsius(t);
    sum += c;
    low = std::min(low, c);
    high = std::max(high, c);
  }
  EXPECT_NEAR(sum / n, 4.5, 1.0);
  EXPECT_GT(low, 1.5);
  EXPECT_LT(high, 20.0);
  EXPECT_GT(high, 7.0) << "door openings show";
  EXPECT_GT(differs, n / 2);
}

}  // namespace
}  // namespace ombrix
