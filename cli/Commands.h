#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Archive.h"
#include "Console.h"
#include "Options.h"
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
};

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
int RunExport(const Request& request, const Console& console);
int RunShow(const Options& options, const Request& request, const Console& console);
int RunReport(const Request& request, const Console& console);
// archive list, show, export and import (options.archiveCommand says which).
int RunArchive(const Options& options, const Request& request, const Console& console);

// Opens (and creates or upgrades) the archive the request names; kArchiveError after a message
// when it cannot be.
int OpenArchive(const Request& request, const Console& console, std::unique_ptr<TArchive>& archive);
// kArchiveError after the archive's message.
int ArchiveFailure(const Console& console, const std::string& error);

}  // namespace ombrix::cli
