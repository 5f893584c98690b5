#include "Dataexport.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <initializer_list>
#include <string_view>

#include "DateTimeForms.h"
#include "SafeFile.h"

namespace ombrix {

namespace {

// Bytes per sample line, for reserving the text at once: index, relative time, date/time,
// temperature, quotes and tabs.
constexpr std::size_t kSampleLineSize = 64;

void AppendLine(std::string& out, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) out += '\t';
    first = false;
    out += '"';
    out += field;
    out += '"';
  }
  out += "\r\n";
}

std::string Decimal(long long value) {
  char text[24];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string Flag(bool value) {
  return value ? "1" : "0";
}

// The locale's decimal separator, where it is one ASCII character; otherwise the point, which
// every code page carries.
char DecimalSeparator() {
  const QString point = QLocale().decimalPoint();
  if (point.size() == 1 && point[0].unicode() > 0x20 && point[0].unicode() < 0x80) {
    return static_cast<char>(point[0].unicode());
  }
  return '.';
}

}  // namespace

std::string ExportLabel(std::string caption) {
  const std::size_t colon = caption.rfind(':');
  if (colon != std::string::npos) caption[colon] = ' ';
  return caption;
}

std::string ExportText(std::string text) {
  std::replace_if(
      text.begin(), text.end(),
      [](char c) {
        return c == '\n' || c == '\r' || c == '"' || c == '\t' || c == '\v' || c == '\a' ||
               c == '\b' || c == '\f';
      },
      ' ');
  return text;
}

std::string RelativeTimeText(long long minutes) {
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld", minutes / 60, minutes % 60);
  return text;
}

std::string TemperatureText(float celsius, char decimalSeparator) {
  char text[48];
  char* end = std::to_chars(text, text + sizeof text, static_cast<double>(celsius),
                            std::chars_format::fixed, 1)
                  .ptr;
  std::replace(text, end, '.', decimalSeparator);
  return std::string(text, end);
}

TDataExport::TDataExport(const CaptionSource& captions, const TProbeRecord& probe)
    : captions_(captions), probe_(probe) {}

std::string TDataExport::Text() const {
  const TProbeRecord& p = probe_;
  const int samples = std::clamp(p.ReadSamples, 0, TProbeRecord::kLogSize);
  std::string out;
  out.reserve(1024 + static_cast<std::size_t>(samples) * kSampleLineSize);

  // Captions come from the window and pass the same cleaning as the texts, so that whatever a
  // caption holds cannot break the line shape.
  auto label = [&](const char* component) {
    return ExportText(ExportLabel(captions_.Caption(component)));
  };
  auto caption = [&](const char* component) { return ExportText(captions_.Caption(component)); };
  char serial[20];
  std::snprintf(serial, sizeof serial, "%016" PRIX64, p.SerialNumber);

  AppendLine(out, {label("StatusSerialNumber"), serial});
  AppendLine(out, {label("StatusName"), ExportText(p.Name)});
  AppendLine(out, {label("StatusComment"), ExportText(p.Comment)});
  AppendLine(out, {label("StatusSampleRate"), Decimal(p.SampleRate)});
  AppendLine(out, {label("StatusMissionStart"), ExportText(DateTimeBytes(p.MissionStart))});
  AppendLine(out, {label("StatusStartTime"), ExportText(DateTimeBytes(p.StartTime))});
  AppendLine(out, {label("StatusDownloadTime"), ExportText(DateTimeBytes(p.DownloadTime))});
  AppendLine(out, {label("StatusMissionSamples"), Decimal(p.MissionSamples)});
  AppendLine(out, {label("StatusSamplesTotal"), Decimal(p.SamplesTotal)});
  AppendLine(out, {caption("StatusMemoryClearLed"), Flag(p.MemoryClear)});
  AppendLine(out, {caption("StatusMissionInProgressLed"), Flag(p.MissionInProgress)});
  AppendLine(out, {caption("StatusRolloverEnableLed"), Flag(p.RolloverEnable)});
  AppendLine(out, {caption("StatusRolloverOccuredLed"), Flag(p.RolloverOccured)});
  AppendLine(out, {"", ""});
  AppendLine(out, {"", ""});
  AppendLine(out, {ExportText(captions_.Message("MsgSample")),
                   ExportText(captions_.Message("MsgRelativeTime")),
                   ExportText(captions_.Message("MsgDateTime")),
                   ExportText(captions_.Message("MsgTemperatureC"))});

  const char separator = DecimalSeparator();
  for (int i = 0; i < samples; ++i) {
    const Sample sample = p.GetSample(i);
    AppendLine(out, {Decimal(i), RelativeTimeText(static_cast<long long>(i) * p.SampleRate),
                     ExportText(DateTimeBytes(sample.Time)),
                     TemperatureText(sample.Temperature, separator)});
  }
  return out;
}

bool TDataExport::Export(const QString& fileName, std::string* error) const {
  SafeFile file(fileName);
  if (file.IsOpen()) {
    file.Write(Text());
    if (file.Commit()) return true;
  }
  if (error) *error = file.Error();
  return false;
}

}  // namespace ombrix
