#include "Probe.h"

#include <cstdio>

namespace ombrix {

TProbe::TProbe() : Adapter(std::make_unique<TTeLog>()) {
  for (int j = 0; j < kHistogramBins; ++j) {
    Histogram[j].Low = static_cast<float>(2 * j - 40);
    Histogram[j].High = static_cast<float>(2 * j - 38.5);
    Histogram[j].Count = 0;
  }
}

TProbe::~TProbe() = default;

Sample TProbe::GetSample(int index) const {
  if (index < 0 || index >= kLogSize) return Sample{};
  return Samples[index];
}

HistogramBin TProbe::GetHistogramBin(int index) const {
  if (index < 0 || index >= kHistogramBins) return HistogramBin{};
  return Histogram[index];
}

std::string TProbe::SerialNumberText() const {
  char text[3 * 8];
  std::snprintf(text, sizeof text, "%02X %02X %02X %02X %02X %02X %02X %02X",
                static_cast<unsigned>(SerialNumber & 0xFF),
                static_cast<unsigned>((SerialNumber >> 8) & 0xFF),
                static_cast<unsigned>((SerialNumber >> 16) & 0xFF),
                static_cast<unsigned>((SerialNumber >> 24) & 0xFF),
                static_cast<unsigned>((SerialNumber >> 32) & 0xFF),
                static_cast<unsigned>((SerialNumber >> 40) & 0xFF),
                static_cast<unsigned>((SerialNumber >> 48) & 0xFF),
                static_cast<unsigned>((SerialNumber >> 56) & 0xFF));
  return text;
}

std::string TProbe::AdapterVersionText() {
  if (!Adapter->IsOpen()) {
    LastError = 7;
    return {};
  }
  LastError = 0;
  char version[32];
  std::snprintf(version, sizeof version, " %d.%d", (AdapterVersion >> 4) & 15, AdapterVersion & 15);
  return Adapter->Description + version;
}

std::string TProbe::AdapterSerialNumber() {
  if (!Adapter->IsOpen()) {
    LastError = 7;
    return {};
  }
  LastError = 0;
  return Adapter->SerialNumber;
}

void TProbe::SetAdapterName(const std::string& name) {
  Adapter->Description = name;
}

}  // namespace ombrix
