#include <gtest/gtest.h>

#include <numeric>

#include "ProbeRecord.h"

namespace ombrix::testing {
namespace {

class DecodeLogTest : public ::testing::Test {
 protected:
  std::unique_ptr<TProbeRecord> probe = std::make_unique<TProbeRecord>();

  void SetUp() override {
    probe->StartTime = EncodeDateTime(2021, 1, 15, 12, 0, 0);
    probe->SampleRate = 10;
  }

  int HistogramTotal() const {
    int total = 0;
    for (int j = 0; j < TProbeRecord::kHistogramBins; ++j) total += probe->GetHistogramBin(j).Count;
    return total;
  }

  std::int64_t SecondsOf(int index) const {
    return DateTimeToProbeSeconds(probe->GetSample(index).Time);
  }
};

TEST_F(DecodeLogTest, FreshRecordDefaults) {
  EXPECT_TRUE(probe->MemoryClear);
  EXPECT_EQ(probe->SampleRate, 10);
  EXPECT_EQ(probe->Version, 256);
  EXPECT_EQ(probe->ReadSamples, 0);
  EXPECT_EQ(probe->Name, "");
  EXPECT_EQ(probe->Comment, "");
  EXPECT_FLOAT_EQ(probe->GetHistogramBin(0).Low, -40.0f);
  EXPECT_FLOAT_EQ(probe->GetHistogramBin(0).High, -38.5f);
  EXPECT_FLOAT_EQ(probe->GetHistogramBin(62).Low, 84.0f);
  EXPECT_FLOAT_EQ(probe->GetHistogramBin(62).High, 85.5f);
}

TEST_F(DecodeLogTest, SerialNumberTextListsTheFamilyByteFirst) {
  probe->SerialNumber = 0x28000001A2B3C4D4ull;
  EXPECT_EQ(probe->SerialNumberText(), "D4 C4 B3 A2 01 00 00 28");
}

TEST_F(DecodeLogTest, TemperatureCodingAndBins) {
  const std::uint8_t raw[] = {0, 80, 250, 255, 251, 157};
  const float expected[] = {-40.0f, 0.0f, 85.0f, 87.5f, 85.5f, 38.5f};
  for (int i = 0; i < 6; ++i) probe->LogBuffer[i] = raw[i];
  probe->ReadSamples = 6;
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(probe->GetSample(i).Temperature, expected[i]) << i;

  EXPECT_EQ(probe->GetHistogramBin(0).Count, 1);   // -40.0
  EXPECT_EQ(probe->GetHistogramBin(20).Count, 1);  // 0.0
  EXPECT_EQ(probe->GetHistogramBin(39).Count, 1);  // 38.5
  EXPECT_EQ(probe->GetHistogramBin(62).Count, 2);  // 85.0 and 85.5
  EXPECT_EQ(HistogramTotal(), 5) << "87.5 falls in no bin";
}

TEST_F(DecodeLogTest, SpacingFollowsRateInMinutesOrTestSeconds) {
  probe->ReadSamples = 3;
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  EXPECT_EQ(probe->GetSample(0).Time, probe->StartTime);
  EXPECT_EQ(SecondsOf(1) - SecondsOf(0), 600);
  EXPECT_EQ(SecondsOf(2) - SecondsOf(1), 600);

  probe->Test = true;
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  EXPECT_EQ(SecondsOf(1) - SecondsOf(0), 10);
}

TEST_F(DecodeLogTest, SamplesAcrossTheSummerTimeChangeStepAnHour) {
  probe->StartTime = EncodeDateTime(2021, 3, 28, 1, 50, 0);
  probe->ReadSamples = 3;
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  EXPECT_EQ(probe->GetSample(1).Time, EncodeDateTime(2021, 3, 28, 3, 0, 0));
  EXPECT_EQ(probe->GetSample(2).Time, EncodeDateTime(2021, 3, 28, 3, 10, 0));
}

TEST_F(DecodeLogTest, RolloverRingStartsAtTheOldestSample) {
  for (int i = 0; i < TProbeRecord::kLogSize; ++i)
    probe->LogBuffer[i] = static_cast<std::uint8_t>(i % 200);
  probe->RolloverOccured = true;
  probe->MissionSamples = 8005;
  probe->ReadSamples = 8000;
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  EXPECT_FLOAT_EQ(probe->GetSample(0).Temperature, 5 * 0.5f - 40);
  EXPECT_FLOAT_EQ(probe->GetSample(7999).Temperature, 4 * 0.5f - 40);
  EXPECT_EQ(SecondsOf(0) - DateTimeToProbeSeconds(probe->StartTime), 5 * 600);
  EXPECT_EQ(SecondsOf(7999) - SecondsOf(0), 7999 * 600);
  EXPECT_EQ(HistogramTotal(), 8000);
}

// Values a damaged or hand-edited record file can bring must not take decoding outside its arrays.
TEST_F(DecodeLogTest, ValuesFromAFileStayInsideTheBuffers) {
  probe->LogBuffer.fill(80);
  probe->Test = false;
  probe->ReadSamples = 9000;
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  EXPECT_EQ(HistogramTotal(), 8000);
  EXPECT_FALSE(probe->Test);
  EXPECT_EQ(probe->LogBuffer[7999], 80);

  probe->ReadSamples = -3;
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  EXPECT_EQ(HistogramTotal(), 0);

  // A rollover flag with a negative or huge mission count still reads the ring in bounds.
  probe->ReadSamples = 8000;
  probe->RolloverOccured = true;
  for (int missions : {-7, -8000, 2147483647, 3}) {
    probe->MissionSamples = missions;
    probe->LogBuffer.fill(80);
    probe->LogBuffer[((missions % 8000) + 8000) % 8000] = 100;
    probe->SecondsFromLocalTimes();
    probe->DecodeLog();
    EXPECT_FLOAT_EQ(probe->GetSample(0).Temperature, 10.0f) << missions;
    EXPECT_EQ(HistogramTotal(), 8000) << missions;
  }

  // A rollover flag with fewer than a full log held decodes what is held, in order.
  probe->ReadSamples = 20;
  probe->MissionSamples = 8005;
  probe->LogBuffer[0] = 0;
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  EXPECT_FLOAT_EQ(probe->GetSample(0).Temperature, -40.0f);
  EXPECT_EQ(probe->GetSample(0).Time, probe->StartTime);
  EXPECT_EQ(HistogramTotal(), 20);

  // Sample rates of 0 and beyond a byte keep their spacing without overflowing.
  probe->RolloverOccured = false;
  probe->ReadSamples = 8000;
  probe->SampleRate = 0;
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  EXPECT_EQ(probe->GetSample(7999).Time, probe->StartTime);
  probe->SampleRate = 2147483647;
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  EXPECT_EQ(probe->GetSample(0).Time, probe->StartTime);
}

}  // namespace
}  // namespace ombrix::testing
