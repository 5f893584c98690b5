#include "CaptionSource.h"

#include <cstring>

namespace ombrix {

namespace {

struct Text {
  const char* name;
  const char* text;
};

constexpr Text kCaptions[] = {
    {"StatusSerialNumber", "Serial Number :"},
    {"StatusName", "Name :"},
    {"StatusComment", "Comment :"},
    {"StatusCurrentClock", "Current Clock :"},
    {"StatusPcClock", "PC Clock :"},
    {"StatusMissionStart", "Record Start :"},
    {"StatusStartTime", "First Sample :"},
    {"StatusDownloadTime", "Download Time :"},
    {"StatusMissionSamples", "Record Samples :"},
    {"StatusSampleRate", "Sample Rate :"},
    {"StatusSamplesTotal", "Samples Total :"},
    {"StatusMissionInProgressLed", "Recording In Progress"},
    {"StatusMemoryClearLed", "Memory Clear"},
    {"StatusRolloverEnableLed", "Enable Rollover"},
    {"StatusRolloverOccuredLed", "Rollover Occured"},
    {"StatusTestLed", "Test mode"},
    {"StatusProbeOffLed", "Probe OFF"},
};

// The degree sign is the one byte 0xB0 of the 8-bit code page.
constexpr Text kMessages[] = {
    {"MsgSample", "Sample #"},
    {"MsgRelativeTime", "Relative Time"},
    {"MsgDateTime", "Date/Time"},
    {"MsgTemperatureC",
     "Temperature [\xB0"
     "C]"},
};

template <std::size_t N>
std::string Find(const Text (&table)[N], const char* name) {
  for (const Text& entry : table) {
    if (std::strcmp(entry.name, name) == 0) return entry.text;
  }
  return {};
}

}  // namespace

std::string StatusPageCaptions::Caption(const char* component) const {
  return Find(kCaptions, component);
}

std::string StatusPageCaptions::Message(const char* key) const {
  return Find(kMessages, key);
}

}  // namespace ombrix
