#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Archive.h"
#include "IniFile.h"
#include "ProbeRecord.h"
#include "Settings.h"
#include "Statistics.h"

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

// What the settings' [Station] section keeps, as the station window's settings dialog edits it:
//   Folder=DIR  Pattern=PATTERN  Export=none|text|csv  Report=0|1  Rearm=NAME (empty: none)
struct StationSettings {
  std::string folder;  // empty: the current folder
  std::string pattern = kDefaultStationPattern;
  StationExport exportForm = StationExport::kNone;
  bool report = false;
  std::string rearm;  // the [Launch NAME] section; empty: probes are not launched again
};
// "none", "text", "csv"; ParseStationExport is false for anything else.
const char* StationExportName(StationExport form);
[[nodiscard]] bool ParseStationExport(const std::string& text, StationExport& form);
// Reads [Station]; false with the reason when a value is refused (the settings are then as the
// defaults give them).
[[nodiscard]] bool ReadStationSettings(const TIniFile* ini, StationSettings& settings,
                                       std::string& error);
// False with the reason when the pattern is refused or the re-arm configuration is missing or
// wrong; else `plan` holds the re-arm configuration (none when Rearm is empty).
[[nodiscard]] bool CheckStationSettings(const TIniFile* ini, const StationSettings& settings,
                                        std::optional<RearmPlan>& plan, std::string& error);
// Checks the settings and writes them into [Station] of the file. Refused settings, or a file
// that cannot be written, leave the file and `ini` as they were (false, with the reason).
[[nodiscard]] bool WriteStationSettings(TIniFile& ini, const StationSettings& settings,
                                        std::string& error);
// The names of the [Launch NAME] sections, in the file's order.
std::vector<std::string> LaunchConfigurationNames(const TIniFile* ini);

struct StationConfig;
// Takes settings that CheckStationSettings accepted, with the re-arm plan it gave, into the
// configuration: the folder (the current one when none is named; made when it is missing), the
// pattern, the export and the plan. False when the folder cannot be made.
[[nodiscard]] bool ApplyStationSettings(const StationSettings& settings,
                                        std::optional<RearmPlan> rearm, StationConfig& config);

// What a station does with each probe put on one of its adapters.
struct StationConfig {
  QString folder;  // where the record files go
  std::string pattern = kDefaultStationPattern;
  StationExport exportForm = StationExport::kNone;  // written beside the record file
  // Writes the printed report of a record as a PDF document to `file`; none: no report is
  // written. The report is laid out by widgets, so the station calls it on the program's main
  // thread and waits for it: that thread must run its event loop while the station runs.
  using ReportWriter =
      std::function<bool(const TProbeRecord& record, const TemperatureLimits& limits,
                         const QString& file, std::string* error)>;
  ReportWriter report;
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
