#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

#include "Archive.h"
#include "IniFile.h"
#include "ProbeRecord.h"
#include "Settings.h"

namespace ombrix {

// The record file name a station gives each download, relative to its folder. Placeholders:
//   {serial}            the probe's serial number as 16 hex digits, byte 0 first (as status shows
//                       it, without the blanks)
//   {name}              the probe's name; characters that a file name cannot hold become "_"
//   {adapter}           the USB serial number of the adapter it was downloaded on
//   {samples}           the samples the record holds
//   {entry}             the archive entry of the download (0 when none is kept)
//   {missionstart:FMT}  the mission start, {download:FMT} the download time, in the program's
//                       time (Central European), FMT of yyyy, MM, dd, HH, mm, ss and any of
//                       "-_. " between them
// "/" in a pattern makes subfolders (created as needed); ".." and an absolute pattern are
// refused. A name that exists already gets "_2", "_3", ... before its extension.
inline constexpr const char* kDefaultStationPattern =
    "{serial}_{missionstart:yyyyMMdd-HHmm}_{download:yyyyMMdd-HHmmss}.omx";

// False with the reason when the pattern holds an unknown placeholder, an unclosed brace, a
// format with other letters, or leaves its folder.
[[nodiscard]] bool CheckStationPattern(const std::string& pattern, std::string& error);
// The pattern filled in for the record (CheckStationPattern has accepted it).
std::string ExpandStationPattern(const std::string& pattern, const TProbeRecord& record,
                                 const std::string& adapterSerial, std::int64_t entryId);

// How a probe is launched again once its download is safe: [Launch NAME] in the settings file,
//   Rate=MINUTES (1..255)      Rollover=0|1
//   Start=immediately|next-minute|delay        Delay=MINUTES (1..250, with Start=delay)
//   Name=TEXT  Comment=TEXT    (left out: the probe keeps its own)
struct RearmPlan {
  enum class Start { kImmediately, kNextMinute, kDelay };
  std::string configName;
  int rate = 10;
  bool rollover = false;
  Start start = Start::kNextMinute;
  int delayMinutes = 0;
  std::optional<std::string> probeName, comment;  // in the probe's code page
};
// Reads [Launch NAME]; false with the reason when the section is missing or a value is wrong.
[[nodiscard]] bool ReadRearmPlan(const TIniFile* ini, const std::string& name, RearmPlan& plan,
                                 std::string& error);

enum class StationExport { kNone, kText, kCsv };

// What a station does with each probe put on one of its adapters.
struct StationConfig {
  QString folder;  // where the record files go
  std::string pattern = kDefaultStationPattern;
  StationExport exportForm = StationExport::kNone;  // written beside the record file
  std::optional<RearmPlan> rearm;
  std::string deviceName = "Ombrix adapter";  // the adapters' USB description
  // The archive that keeps the downloads and the audit trail; none: neither is kept (and every
  // download reads the whole log).
  std::optional<ArchiveLocation> archive;
  bool incremental = true;
  // The limits each record is judged against.
  Settings settings;
  Settings::GivenLimits limits;
  // How often an adapter without a probe is searched, and a probe that is done is checked for.
  std::int64_t searchMs = 1250;
  std::int64_t presenceMs = 4000;
};

}  // namespace ombrix
