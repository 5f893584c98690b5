#include "RecordFile.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>

#include "ConsistencyError.h"
#include "FileRead.h"
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

namespace {

// The record file format this program reads and writes.
constexpr int kFileVersion = 256;

bool ParseRecord(TOmInFile& in, FileContent& f, TProbeRecord& probe) {
  in.Parse({kStatus, kLog});
  if (!in.HasKey(kStatus, "Version")) {
    in.Refuse(in.HeaderLine(kStatus) + 1, "the record has no Version.");
  }
  const auto line = [&](std::string_view key) {
    const auto& entries = in.Entries(kStatus);
    for (const auto& entry : entries) {
      if (entry.key == key) return entry.line;
    }
    return in.HeaderLine(kStatus);
  };
  f.Version = in.ReadInteger(kStatus, "Version", 0);
  if (f.Version > kFileVersion) {
    in.Refuse(line("Version"), "Version " + std::to_string(f.Version) +
                                   ": the file was written by a newer program and needs a newer "
                                   "version of this one.");
  }
  if (f.Version != kFileVersion) {
    in.Refuse(line("Version"), "Version " + std::to_string(f.Version) +
                                   " is not a record file version this program knows.");
  }
  f.SerialNumber = 1;
  const std::string serial = in.ReadString(kStatus, "SerialNumber", "0000000000000001");
  if (!ParseSerialNumber(serial, f.SerialNumber)) {
    in.Refuse(line("SerialNumber"),
              "SerialNumber \"" + Excerpt(serial) + "\" is not a hexadecimal number.");
  }
  f.Name = in.ReadString(kStatus, "Name", "<Noname>");
  f.Comment = in.ReadString(kStatus, "Comment", "<Comment>");
  f.MemoryClear = in.ReadBool(kStatus, "MemoryClear", false);
  f.MissionInProgress = in.ReadBool(kStatus, "MisssionInProgress", false);
  f.SampleRate = in.ReadInteger(kStatus, "SampleRate", 10);
  f.RolloverEnable = in.ReadBool(kStatus, "RolloverEnable", false);
  f.StartTime = in.ReadDateTime(kStatus, "StartTime", 0);
  f.MissionStart = in.ReadDateTime(kStatus, "MissionStart", 0);
  f.MissionSamples = in.ReadInteger(kStatus, "MissionSamples", 0);
  f.ReadSamples = in.ReadInteger(kStatus, "ReadSamples", 0);
  if (f.ReadSamples < 0 || f.ReadSamples > TProbeRecord::kLogSize) {
    in.Refuse(line("ReadSamples"), "ReadSamples " + std::to_string(f.ReadSamples) +
                                       " is outside 0.." + std::to_string(TProbeRecord::kLogSize) +
                                       ".");
  }
  if (f.ReadSamples > 0 && (f.SampleRate < 1 || f.SampleRate > 255)) {
    in.Refuse(line("SampleRate"), "SampleRate " + std::to_string(f.SampleRate) +
                                      ": Sample rate out of range 1..255 min");
  }
  f.RolloverOccured = in.ReadBool(kStatus, "RolloverOccured", false);
  f.DownloadTime = in.ReadDateTime(kStatus, "DownloadTime", 0);
  f.SamplesTotal = in.ReadInteger(kStatus, "SamplesTotal", 0);

  // The log holds exactly ReadSamples values, T0 to T(n-1) in this order: a missing, surplus or
  // misplaced one means the file was cut or altered, and its samples would be dated wrongly.
  const auto& log = in.Entries(kLog);
  for (int i = 0; i < f.ReadSamples; ++i) {
    const std::string key(LogKey(i).View());
    if (static_cast<std::size_t>(i) >= log.size()) {
      in.Refuse(0, "ends before the log value " + key + " of the " + std::to_string(f.ReadSamples) +
                       " samples it announces.");
    }
    const auto& entry = log[static_cast<std::size_t>(i)];
    if (entry.key != key) {
      in.Refuse(entry.line,
                "the log value " + key + " is expected here, not \"" + Excerpt(entry.key) + "\".");
    }
    const int value = in.ReadInteger(entry);
    if (value < 0 || value > 255) {
      in.Refuse(entry.line, key + " " + std::to_string(value) + " is not a log value (0..255).");
    }
    f.Log[i] = static_cast<std::uint8_t>(value);
  }
  if (log.size() > static_cast<std::size_t>(f.ReadSamples)) {
    in.Refuse(log[static_cast<std::size_t>(f.ReadSamples)].line,
              "the log holds more values than the " + std::to_string(f.ReadSamples) +
                  " samples announced by ReadSamples.");
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

bool Load(TOmInFile& in, TProbeRecord& probe, std::string* error) {
  // Heap, not stack: the log alone is 8000 bytes. Nothing reaches the record before the whole
  // file has been read and checked.
  auto content = std::make_unique<FileContent>();
  try {
    return ParseRecord(in, *content, probe);
  } catch (const RecordFileError& e) {
    SetError(error, e.what());
    return false;
  }
}

}  // namespace

bool LoadFromFile(TProbeRecord& probe, const QString& fileName, std::string* error) {
  if (fileName == QLatin1String("0")) FailCheck("Probe", __LINE__);
  TOmInFile in(fileName);
  if (!in.IsOpen()) {
    SetError(error, in.Error());
    return false;
  }
  return Load(in, probe, error);
}

bool ReadRecordBytes(TProbeRecord& probe, std::string_view bytes, const QString& fileName,
                     std::string* error) {
  TOmInFile in(fileName, bytes);
  return Load(in, probe, error);
}

}  // namespace ombrix
