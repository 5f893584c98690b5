#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Archive.h"
#include "Console.h"
#include "Options.h"
#include "Settings.h"
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
  // The settings file the window uses too: the archive and the limits.
  Settings settings;
  // Where downloads are stored and the archive commands look (Settings::ArchiveName).
  ArchiveLocation archive;
  // Whether a download is stored in the archive (not with --no-archive or [Archive] Enabled=0),
  // and whether it reads the whole log (--full or [Archive] FullDownload=1).
  bool storeDownload = true;
  bool fullDownload = false;
  std::optional<std::uint64_t> serial;       // archive list --serial
  std::optional<std::int64_t> sinceSeconds;  // archive list --since, in probe seconds
  std::int64_t limit = 0;                    // archive list --limit (0: all) and --offset
  std::int64_t offset = 0;
  // Limits: --low, --high and --delay as given, in place of those in the settings file.
  Settings::GivenLimits limits;
};

// A record named on the command line: a record file, or "archive:ID" for an archive entry.
inline constexpr const char* kArchiveInput = "archive:";
// A record named on the command line, read from its file or from the archive.
struct Input {
  std::string name;  // as given
  QString shown;     // as messages and tables name it
  std::unique_ptr<TProbeRecord> record;
  QStringList signatures;  // an archive entry's, as SignatureText gives them
};
// Records the action in the audit trail of the archive the run uses (none with --no-archive or
// when the settings keep no archive); a row that cannot be added is said, the action stands.
void Audit(const Request& request, const Console& console, const AuditEvent& event);
// Each record written out to the file, done or failed.
void AuditRecords(const Request& request, const Console& console, const std::string& action,
                  const std::vector<const TProbeRecord*>& records, const QString& file, bool done,
                  const std::string& error);
// Reads a record file, its dates in the order --date-order gives where they have two readings;
// the exit code after a message (naming --date-order when the order decided) when it cannot be
// read.
int LoadRecordFile(const Options& options, const QString& file, TProbeRecord& record,
                   const Console& console);
// Reads every record the command names (options.recordFiles); the exit code after a message when
// one cannot be read.
int LoadInputs(const Options& options, const Request& request, const Console& console,
               std::vector<Input>& inputs);
// The statistics of a record against its probe's limits.
struct Checked {
  TemperatureLimits limits;
  RecordStatistics statistics;
};
// The limits of each record (Settings::LimitsFor) and its statistics; kUsage after a message when
// the limits given do not fit those of the settings.
int Check(const std::vector<Input>& inputs, const Request& request, const Console& console,
          std::vector<Checked>& checked);
// --check of one record (or download) named `name`: kSuccess within its limits, else the exit code
// (kOutsideLimits, kNoSamples, kUsage without limits) after a message.
int CheckCode(Verdict verdict, const std::string& name, const Console& console);
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
int RunStop(const Options& options, const Request& request, const Console& console);
int RunClear(const Options& options, const Request& request, const Console& console);
int RunSwitchOff(const Options& options, const Request& request, const Console& console);
int RunSetClock(const Options& options, const Request& request, const Console& console);
int RunWriteText(const Options& options, const Request& request, const Console& console);
int RunExport(const Options& options, const Request& request, const Console& console);
int RunShow(const Options& options, const Request& request, const Console& console);
int RunReport(const Options& options, const Request& request, const Console& console);
// archive list, show, export and import (options.archiveCommand says which).
int RunArchive(const Options& options, const Request& request, const Console& console);
// key create, confirm, revoke and list.
int RunKey(const Options& options, const Request& request, const Console& console);
// station: until --until or --probes, or an interruption.
int RunStation(const Options& options, const Request& request, const Console& console);
// serve: the archive, read-only, as web pages at options.listenAddress:listenPort, until SIGINT or
// SIGTERM.
int RunServe(const Options& options, const Request& request, const Console& console);
// archive sign: entry options.archiveId with the user's key.
int Sign(TArchive& archive, const Options& options, const Console& console);

// Opens (and creates or upgrades) the archive the request names; kArchiveError after a message
// when it cannot be.
int OpenArchive(const Request& request, const Console& console, std::unique_ptr<TArchive>& archive);
// kArchiveError after the archive's message.
int ArchiveFailure(const Console& console, const std::string& error);

}  // namespace ombrix::cli
