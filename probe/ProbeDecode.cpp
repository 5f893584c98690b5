#include <algorithm>

#include "Probe.h"

namespace ombrix {

// Decoding must stay inside the buffers for whatever a record file brings: the held count is
// limited to the log size, the ring is only unrolled when the log is really full, and the ring
// position is a true modulus for any mission count.
void TProbe::DecodeLog() {
  const int held = std::clamp(ReadSamples, 0, kLogSize);
  const std::int64_t interval =
      Test ? static_cast<std::int64_t>(SampleRate) : static_cast<std::int64_t>(SampleRate) * 60;
  std::int64_t t = DateTimeToProbeSeconds(StartTime);

  auto decode = [](std::uint8_t raw) { return static_cast<float>(raw * 0.5 - 40.0); };

  if (RolloverOccured && held == kLogSize) {
    int p = static_cast<int>(((static_cast<std::int64_t>(MissionSamples) % kLogSize) + kLogSize) %
                             kLogSize);
    t += (static_cast<std::int64_t>(MissionSamples) - kLogSize) * interval;
    for (int i = 0; i < kLogSize; ++i) {
      Samples[i].Time = ProbeSecondsToDateTime(t);
      Samples[i].Temperature = decode(LogBuffer[p]);
      t += interval;
      p = (p + 1) % kLogSize;
    }
  } else {
    for (int i = 0; i < held; ++i) {
      Samples[i].Time = ProbeSecondsToDateTime(t);
      Samples[i].Temperature = decode(LogBuffer[i]);
      t += interval;
    }
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
