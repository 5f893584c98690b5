#include "ProbeRecord.h"

#include <algorithm>
#include <cstdio>

namespace ombrix {

namespace {

// Far beyond any date a record can mean, yet safe to add an interval to many times over.
constexpr std::int64_t kSecondsLimit = std::int64_t{1} << 48;

std::int64_t Saturated(__int128 seconds) {
  return static_cast<std::int64_t>(std::clamp<__int128>(seconds, -kSecondsLimit, kSecondsLimit));
}

}  // namespace

std::string SerialNumberText(std::uint64_t serial) {
  char text[3 * 8];
  std::snprintf(
      text, sizeof text, "%02X %02X %02X %02X %02X %02X %02X %02X",
      static_cast<unsigned>(serial & 0xFF), static_cast<unsigned>((serial >> 8) & 0xFF),
      static_cast<unsigned>((serial >> 16) & 0xFF), static_cast<unsigned>((serial >> 24) & 0xFF),
      static_cast<unsigned>((serial >> 32) & 0xFF), static_cast<unsigned>((serial >> 40) & 0xFF),
      static_cast<unsigned>((serial >> 48) & 0xFF), static_cast<unsigned>((serial >> 56) & 0xFF));
  return text;
}

void TProbeStatus::SetStartSeconds(std::int64_t seconds) {
  StartSeconds = seconds;
  StartTime = seconds == 0 ? 0 : ProbeSecondsToDateTime(seconds);
}

void TProbeStatus::SetMissionStartSeconds(std::int64_t seconds) {
  MissionStartSeconds = seconds;
  MissionStart = seconds == 0 ? 0 : ProbeSecondsToDateTime(seconds);
}

void TProbeStatus::SecondsFromLocalTimes() {
  StartSeconds = StartTime == 0 ? 0 : DateTimeToProbeSeconds(StartTime);
  MissionStartSeconds = MissionStart == 0 ? 0 : DateTimeToProbeSeconds(MissionStart);
}

TProbeRecord::TProbeRecord() {
  for (int j = 0; j < kHistogramBins; ++j) {
    Histogram[j].Low = static_cast<float>(2 * j - 40);
    Histogram[j].High = static_cast<float>(2 * j - 38.5);
    Histogram[j].Count = 0;
  }
}

Sample TProbeRecord::GetSample(int index) const {
  if (index < 0 || index >= kLogSize) return Sample{};
  return Samples[index];
}

HistogramBin TProbeRecord::GetHistogramBin(int index) const {
  if (index < 0 || index >= kHistogramBins) return HistogramBin{};
  return Histogram[index];
}

int TProbeRecord::HeldSamples() const {
  return std::clamp(ReadSamples, 0, kLogSize);
}

// Sample n of the mission is taken at StartSeconds + n intervals, counted in probe seconds and
// only then shown in local time: a mission across a change of summer time shows the one-hour step
// of the clock, and the repeated autumn hour is dated by the instant, not by its local name.
// Decoding stays inside the buffers and within 64 bits for whatever a record file brings: the
// held count is limited to the log size, the ring is only unrolled when the log is really full,
// the ring position is a true modulus for any mission count, and the times saturate.
std::int64_t TProbeRecord::IntervalSeconds() const {
  return Test ? std::int64_t{SampleRate} : std::int64_t{SampleRate} * 60;
}

std::int64_t TProbeRecord::SampleSeconds(int index) const {
  const bool ring = RolloverOccured && HeldSamples() == kLogSize;
  const __int128 first = ring ? __int128{MissionSamples} - kLogSize : 0;
  return Saturated(StartSeconds + (first + index) * __int128{IntervalSeconds()});
}

void TProbeRecord::DecodeLog() {
  const int held = HeldSamples();
  auto decode = [](std::uint8_t raw) { return static_cast<float>(raw * 0.5 - 40.0); };

  const bool ring = RolloverOccured && held == kLogSize;
  int p = ring ? static_cast<int>(((std::int64_t{MissionSamples} % kLogSize) + kLogSize) % kLogSize)
               : 0;
  for (int i = 0; i < held; ++i) {
    Samples[i].Time = ProbeSecondsToDateTime(SampleSeconds(i));
    Samples[i].Temperature = decode(LogBuffer[p]);
    p = (p + 1) % kLogSize;
  }

  for (HistogramBin& bin : Histogram) bin.Count = 0;
  for (int i = 0; i < held; ++i) {
    const float x = Samples[i].Temperature;
    for (HistogramBin& bin : Histogram) {
      if (bin.Low <= x && x <= bin.High) {
        ++bin.Count;
        break;
      }
    }
  }
}

}  // namespace ombrix
