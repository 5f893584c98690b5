#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Archive.h"
#include "Console.h"
#include "IniFile.h"
#include "Options.h"
#include "Statistics.h"
#include "TimeConversion.h"

namespace ombrix::cli {

// The values of a command line, checked and converted before anything touches the adapter or a
// file, so that a refused command changes nothing.
struct Request {
  int rate = 0;
  TDateTime start = 0;  // 0: the next whole minute of the computer clock
  std::string name;     // Windows-1252
  std::string comment;
  QString recordFile;
  QString output;
  QString exportFile;
  // Where downloads are stored and the archive commands look: --archive, or the user's own file.
  ArchiveLocation archive;
  std::optional<std::uint64_t> serial;       // archive list --serial
  std::optional<std::int64_t> sinceSeconds;  // archive list --since, in probe seconds
  // Limits: --low, --high and --delay as given, in place of those in the settings file.
  std::optional<std::optional<double>> low, high;
  std::optional<int> delay;
  std::shared_ptr<const TIniFile> settings;  // the user's settings file, when there is one
};

// The limits a record of probe `serial` is checked against: those the settings keep for the
// probe (or their defaults), with what the command line gives in their place. False, with the
// reason, when the two together contradict each other.
bool LimitsFor(const Request& request, std::uint64_t serial, TemperatureLimits& limits,
               std::string& error);
// The settings file ombrix-cli reads limits from: $XDG_CONFIG_HOME/ombrix/ombrix.INI (or
// ~/.config/ombrix/ombrix.INI), where an installed window keeps its settings.
QString UserSettingsFile();

// A record named on the command line: a record file, or "archive:ID" for an archive entry.
inline constexpr const char* kArchiveInput = "archive:";
// A record named on the command line, read from its file or from the archive.
struct Input {
  std::string name;  // as given
  QString shown;     // as messages and tables name it
  std::unique_ptr<TProbeRecord> record;
};
// Reads every record the command names (options.recordFiles); the exit code after a message when
// one cannot be read.
int LoadInputs(const Options& options, const Request& request, const Console& console,
               std::vector<Input>& inputs);
// The statistics of a record against its probe's limits.
struct Checked {
  TemperatureLimits limits;
  RecordStatistics statistics;
};
int Check(const std::vector<Input>& inputs, const Request& request, const Console& console,
          std::vector<Checked>& checked);
// Where an export of several records as text puts the one of `input`: FOLDER/NAME.txt.
QString ExportFileFor(const QString& folder, const std::string& input);

// kSuccess, or the exit code after a message.
int Prepare(const Options& options, const Console& console, Request& request);

// Reads a first sample time in DateTimeText's form or as ISO 8601 ("2025-12-07T14:30:00" in the
// program's time, or with "Z" or an offset such as "+01:00").
bool ParseStartTime(const std::string& text, TDateTime& value);

// The commands. Each returns its exit code; messages go to the console's err.
int RunStatus(const Options& options, const Console& console);
int RunDownload(const Options& options, const Request& request, const Console& console);
int RunLaunch(const Options& options, const Request& request, const Console& console);
int RunStop(const Options& options, const Console& console);
int RunClear(const Options& options, const Console& console);
int RunSwitchOff(const Options& options, const Console& console);
int RunSetClock(const Options& options, const Console& console);
int RunWriteText(const Options& options, const Request& request, const Console& console);
int RunExport(const Options& options, const Request& request, const Console& console);
int RunShow(const Options& options, const Request& request, const Console& console);
int RunReport(const Options& options, const Request& request, const Console& console);
// archive list, show, export and import (options.archiveCommand says which).
int RunArchive(const Options& options, const Request& request, const Console& console);

// Opens (and creates or upgrades) the archive the request names; kArchiveError after a message
// when it cannot be.
int OpenArchive(const Request& request, const Console& console, std::unique_ptr<TArchive>& archive);
// kArchiveError after the archive's message.
int ArchiveFailure(const Console& console, const std::string& error);

}  // namespace ombrix::cli
