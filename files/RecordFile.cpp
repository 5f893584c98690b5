#include "RecordFile.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>

#include "ConsistencyError.h"
#include "OmFile.h"

namespace ombrix {

namespace {

constexpr const char* kStatus = "Status";
constexpr const char* kLog = "Log";

// "T" followed by the sample index.
struct LogKey {
  explicit LogKey(int index) { length = std::snprintf(text, sizeof text, "T%d", index); }
  std::string_view View() const { return {text, static_cast<std::size_t>(length)}; }
  char text[16];
  int length;
};

// Reads hexadecimal digits as sscanf's "%LX" does: leading blanks and an optional "0x" allowed,
// reading stops at the first other character. False when there is no digit or the number does
// not fit in 64 bits.
bool ParseSerialNumber(const std::string& text, std::uint64_t& value) {
  std::size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos) return false;
  if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) i += 2;
  std::uint64_t result = 0;
  bool digits = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) break;
    if (result >> 60 != 0) return false;
    result = result << 4 | static_cast<std::uint64_t>(digit);
    digits = true;
  }
  if (digits) value = result;
  return digits;
}

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

// What a record file holds, read completely before any of it reaches the record.
struct FileContent {
  std::int32_t Version;
  std::uint64_t SerialNumber;
  std::string Name;
  std::string Comment;
  bool MemoryClear;
  bool MissionInProgress;
  std::int32_t SampleRate;
  bool RolloverEnable;
  TDateTime StartTime;
  TDateTime MissionStart;
  std::int32_t MissionSamples;
  std::int32_t ReadSamples;
  bool RolloverOccured;
  TDateTime DownloadTime;
  std::int32_t SamplesTotal;
  std::array<std::uint8_t, TProbeRecord::kLogSize> Log;
};

}  // namespace

bool SaveToFile(const TProbeRecord& probe, const QString& fileName, std::string* error) {
  if (fileName == QLatin1String("0")) FailCheck("Probe", __LINE__);
  TOmOutFile out(fileName);
  if (!out.IsOpen()) {
    SetError(error, out.Error());
    return false;
  }
  char serial[20];
  std::snprintf(serial, sizeof serial, "%016" PRIX64, probe.SerialNumber);

  out.WriteInteger(kStatus, "Version", probe.Version);
  out.WriteString(kStatus, "SerialNumber", serial);
  out.WriteString(kStatus, "Name", probe.Name);
  out.WriteString(kStatus, "Comment", probe.Comment);
  out.WriteBool(kStatus, "MemoryClear", probe.MemoryClear);
  out.WriteBool(kStatus, "MisssionInProgress", probe.MissionInProgress);
  out.WriteInteger(kStatus, "SampleRate", probe.SampleRate);
  out.WriteBool(kStatus, "RolloverEnable", probe.RolloverEnable);
  out.WriteDateTime(kStatus, "StartTime", probe.StartTime);
  out.WriteDateTime(kStatus, "MissionStart", probe.MissionStart);
  out.WriteInteger(kStatus, "MissionSamples", probe.MissionSamples);
  // The log holds at most kLogSize bytes, so no more are written or announced.
  const int samples = std::clamp(probe.ReadSamples, 0, TProbeRecord::kLogSize);
  out.WriteInteger(kStatus, "ReadSamples", samples);
  out.WriteBool(kStatus, "RolloverOccured", probe.RolloverOccured);
  out.WriteDateTime(kStatus, "DownloadTime", probe.DownloadTime);
  out.WriteInteger(kStatus, "SamplesTotal", probe.SamplesTotal);
  out.Flush();
  for (int i = 0; i < samples; ++i) out.WriteInteger(kLog, LogKey(i).View(), probe.LogBuffer[i]);
  if (!out.Commit()) {
    SetError(error, out.Error());
    return false;
  }
  return true;
}

bool LoadFromFile(TProbeRecord& probe, const QString& fileName, std::string* error) {
  if (fileName == QLatin1String("0")) FailCheck("Probe", __LINE__);
  const std::string shown = fileName.toStdString();
  if (!QFileInfo::exists(fileName)) {
    SetError(error, "The file \"" + shown + "\" does not exist.");
    return false;
  }
  TOmInFile in(fileName);
  if (!in.IsOpen()) {
    SetError(error, "The file \"" + shown + "\" cannot be opened.");
    return false;
  }

  // Heap, not stack: the log alone is 8000 bytes.
  auto content = std::make_unique<FileContent>();
  FileContent& f = *content;
  try {
    f.Version = in.ReadInteger(kStatus, "Version", 0);
    f.SerialNumber = probe.SerialNumber;
    ParseSerialNumber(in.ReadString(kStatus, "SerialNumber", "0000000000000001"), f.SerialNumber);
    f.Name = in.ReadString(kStatus, "Name", "<Noname>");
    f.Comment = in.ReadString(kStatus, "Comment", "<Comment>");
    f.MemoryClear = in.ReadBool(kStatus, "MemoryClear", false);
    f.MissionInProgress = in.ReadBool(kStatus, "MisssionInProgress", false);
    f.SampleRate = in.ReadInteger(kStatus, "SampleRate", 10);
    f.RolloverEnable = in.ReadBool(kStatus, "RolloverEnable", false);
    f.StartTime = in.ReadDateTime(kStatus, "StartTime", 0);
    f.MissionStart = in.ReadDateTime(kStatus, "MissionStart", 0);
    f.MissionSamples = in.ReadInteger(kStatus, "MissionSamples", 0);
    f.ReadSamples =
        std::clamp(in.ReadInteger(kStatus, "ReadSamples", 0), 0, TProbeRecord::kLogSize);
    f.RolloverOccured = in.ReadBool(kStatus, "RolloverOccured", false);
    f.DownloadTime = in.ReadDateTime(kStatus, "DownloadTime", 0);
    f.SamplesTotal = in.ReadInteger(kStatus, "SamplesTotal", 0);
    for (int i = 0; i < f.ReadSamples; ++i) {
      f.Log[i] = static_cast<std::uint8_t>(in.ReadInteger(kLog, LogKey(i).View(), 0) & 0xFF);
    }
  } catch (const RecordFileError& e) {
    SetError(error, e.what());
    return false;
  }
  if (in.ReadFailed()) {
    SetError(error, "The file \"" + shown + "\" cannot be read.");
    return false;
  }

  probe.Version = f.Version;
  probe.SerialNumber = f.SerialNumber;
  probe.Name = std::move(f.Name);
  probe.Comment = std::move(f.Comment);
  probe.MemoryClear = f.MemoryClear;
  probe.MissionInProgress = f.MissionInProgress;
  probe.SampleRate = f.SampleRate;
  probe.RolloverEnable = f.RolloverEnable;
  probe.StartTime = f.StartTime;
  probe.MissionStart = f.MissionStart;
  probe.MissionSamples = f.MissionSamples;
  probe.ReadSamples = f.ReadSamples;
  probe.RolloverOccured = f.RolloverOccured;
  probe.DownloadTime = f.DownloadTime;
  probe.SamplesTotal = f.SamplesTotal;
  std::copy_n(f.Log.begin(), f.ReadSamples, probe.LogBuffer.begin());
  // The file keeps local times only; a time of the repeated autumn hour is read as its later
  // pass, the best a time without a zone allows.
  probe.SecondsFromLocalTimes();
  probe.DecodeLog();
  return true;
}

}  // namespace ombrix
