#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DateTimeForms.h"

namespace ombrix::cli {

enum class Command {
  kNone,
  kStatus,
  kDownload,
  kExport,
  kShow,
  kReport,
  kLaunch,
  kStop,
  kClear,
  kSwitchOff,
  kSetClock,
  kWriteText,
  kArchive,
  kKey,
  kStation,
  kServe,
};

// The commands of the archive group (archive list, show, export, import, audit, verify and sign)
// and of the key group (key create, confirm, revoke and list).
enum class ArchiveCommand {
  kNone,
  kList,
  kShow,
  kExport,
  kImport,
  kAudit,
  kVerify,
  kSign,
  kKeyCreate,
  kKeyConfirm,
  kKeyRevoke,
  kKeyList,
};

// The command line, as typed; values that have their own error texts (sample rate, first sample
// time) are checked by the command that uses them.
struct Options {
  bool help = false;  // with a command, the usage of that command (CommandHelpText)
  bool version = false;

  bool virtualAdapter = false;
  std::string scenario;  // as given with --virtual=; empty for the default
  std::string virtualStateFile;
  std::optional<std::int64_t> advanceMilliseconds;
  std::optional<std::string> device;
  std::string archive;  // --archive: a SQLite file or a postgresql:// address, checked when opened
  bool noArchive = false;
  // --date-order: which comes first in a record file's numeric dates that read both ways.
  DateOrder dateOrder = DateOrder::kUnknown;

  Command command = Command::kNone;
  ArchiveCommand archiveCommand = ArchiveCommand::kNone;
  std::string commandName;  // as messages name it: "download", "archive show"
  std::string recordFile;   // export, show, report: the first of recordFiles
  std::vector<std::string> recordFiles;
  std::string output;      // -o
  std::string exportFile;  // download --export
  bool full = false;       // download --full
  bool csv = false;        // export --format csv
  // Limits as typed (show, report, download), checked by Prepare; --check: a non-zero exit code
  // when a record is not within them (CheckCode).
  std::optional<std::string> low, high, delay;
  bool check = false;
  bool json = false;
  bool yes = false;

  std::optional<std::string> rate;
  std::optional<std::string> start;
  bool nextMinute = false;
  bool rollover = false;
  bool test = false;

  std::optional<std::string> name;
  std::optional<std::string> comment;

  std::optional<std::string> serial, since;  // archive list
  std::optional<std::string> limit, offset;  // archive list, checked by Prepare
  std::int64_t archiveId = 0;                // archive show, export: the entry, 1 or more
  std::vector<std::string> importFiles;      // archive import
  bool auditCsv = false;                     // archive audit --format csv
  std::vector<std::int64_t> verifyIds;       // archive verify: the entries; none: all

  // archive sign: the meaning ("reviewed", "approved", "released"); its --comment is `comment`.
  std::string meaning;
  // The key file (--key; empty: the user's own), and where its passphrase comes from
  // (--passphrase-fd; none: the terminal).
  std::string keyFile;
  std::optional<int> passphraseFd;
  // key create: --administrator and the full name (--name, which is `name`); key confirm and
  // revoke: the key (a login or a fingerprint), and revoke's --reason.
  bool administrator = false;
  std::string keyName;
  std::string reason;

  // station: the folder of the record files, their name pattern, the export and report beside each,
  // the re-arm configuration ([Launch NAME]); it ends after --until (virtual or real time) or
  // --probes downloads, whichever comes first.
  std::optional<std::string> folder, pattern, rearm;
  std::optional<std::string> stationExport;  // "text" or "csv"
  bool stationReport = false;                // --report: the PDF report beside each file
  std::optional<std::int64_t> untilMilliseconds;
  std::optional<int> probes;

  // serve: where it listens (--listen ADDRESS:PORT); the address as given, without brackets.
  std::string listenAddress = "127.0.0.1";
  int listenPort = 8620;
  // serve --users: the users file that Basic authentication checks logins against (needed beyond
  // loopback); serve --hash-password: prints the hash of a password for that file instead.
  std::string usersFile;
  bool hashPassword = false;

  friend bool operator==(const Options&, const Options&) = default;
};

// Reads the arguments after the program name. Options may come before or after the command, in
// the forms "--option value" and "--option=value". False, with `error` saying what is wrong, for
// anything the command does not take or lacks.
bool ParseCommandLine(const std::vector<std::string>& arguments, Options& options,
                      std::string& error);

// True for the commands that change the probe for good, which run only with --yes.
bool NeedsConfirmation(Command command);

// True when the command (an archive command with `archiveCommand`) takes the option, given by its
// long name ("--format", "--output", "--yes"); the global options are taken by every command.
bool CommandTakes(Command command, ArchiveCommand archiveCommand, const std::string& option);

// Reads a duration such as "90m", "2h", "30s", "1d" or "1h30m".
bool ParseDuration(const std::string& text, std::int64_t& milliseconds);

// The usage of every command and option, as --help prints it (and the manual page shows it).
std::string HelpText();
// The usage of one command, as "COMMAND --help" prints it: its lines of HelpText() and the
// options it takes. For the archive group without a subcommand, those of all archive commands.
std::string CommandHelpText(Command command, ArchiveCommand archiveCommand);

}  // namespace ombrix::cli
