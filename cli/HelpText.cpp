// The texts of --help: the whole usage, and the usage of one command. Both are made from the same
// entries, so that a command's own help says what the whole one says about it.
#include <QString>

#include <string>
#include <string_view>
#include <vector>

#include "Options.h"
#include "TimeConversion.h"

namespace ombrix::cli {

namespace {

// A command's usage and what it does, wrapped so that each line, indented by eight, stays within
// 100 columns.
struct CommandHelp {
  Command command;
  ArchiveCommand archiveCommand;
  const char* usage;
  const char* description;
};

const CommandHelp kCommandHelp[] = {
    {Command::kStatus, ArchiveCommand::kNone, "status [--format json]",
     "the adapter (description, version, USB serial number) and every field of the probe's\n"
     "status"},
    {Command::kDownload, ArchiveCommand::kNone,
     "download -o FILE.omx [--export FILE.txt] [--full] [LIMITS] [--check] [--yes]",
     "reads the probe's log and saves it as a record file, and with --export also as text; a\n"
     "progress bar shows on stderr when it is a terminal. Files that exist are replaced only\n"
     "with --yes. The download is kept in the archive as well; --full reads the whole log\n"
     "even when an earlier download of the same mission is in the archive. The verdict\n"
     "against the probe's limits goes to stderr"},
    {Command::kExport, ArchiveCommand::kNone,
     "export FILE.omx... -o FILE.txt [--format text|csv] [--yes]",
     "writes the data of a record file as tab-separated text; with --format csv as\n"
     "comma-separated values (RFC 4180, a dot as decimal point, ISO 8601 times with their UTC\n"
     "offset), several records into one file. Several records as text go into the folder\n"
     "-o names, one FILE.txt each"},
    {Command::kShow, ArchiveCommand::kNone, "show FILE.omx... [--format json] [LIMITS] [--check]",
     "the status fields of a record file, a summary of its samples (count, first and last\n"
     "time, minimum, mean and maximum temperature) and its statistics against the limits\n"
     "(minimum and maximum times, standard deviation, mean kinetic temperature, time below and\n"
     "above, excursions, verdict); for several records one line each. With --check the exit\n"
     "code is 10 when a record is outside its limits, 11 when it holds no samples"},
    {Command::kReport, ArchiveCommand::kNone, "report FILE.omx... -o FILE.pdf [LIMITS] [--yes]",
     "the one-page printed report of a record file (header fields and the graph of all its\n"
     "samples) and a page of its statistics against the limits, as a PDF document, landscape\n"
     "on A4 (Letter in US locales); several records in turn in one document; needs no display"},
    {Command::kLaunch, ArchiveCommand::kNone,
     "launch --rate N (--start \"DATE TIME\" | --next-minute) [--rollover] [--test]",
     "starts a mission on a clear probe: a sample every N minutes (1..255; seconds with\n"
     "--test), the first at the given time, after the probe's clock and at most 250 minutes\n"
     "ahead of it, or at the computer clock's next whole minute. With --rollover a full log\n"
     "wraps around"},
    {Command::kStop, ArchiveCommand::kNone, "stop --yes", "stops the mission in progress"},
    {Command::kClear, ArchiveCommand::kNone, "clear --yes", "erases the data of a stopped mission"},
    {Command::kSwitchOff, ArchiveCommand::kNone, "switch-off --yes",
     "switches a clear probe off; the next launch switches it on"},
    {Command::kSetClock, ArchiveCommand::kNone, "set-clock --yes",
     "sets the clock of a clear probe to the computer's clock"},
    {Command::kWriteText, ArchiveCommand::kNone, "write-text [--name TEXT] [--comment TEXT] --yes",
     "writes the name (up to 32 characters) and the comment (up to 152) of a clear probe"},
    {Command::kStation, ArchiveCommand::kNone,
     "station [--folder DIR] [--pattern P] [--export text|csv] [--report]\n"
     "          [--rearm NAME] [--until DURATION] [--probes N] [--format json] [LIMITS]",
     "a download station: every probe put on any adapter with the description is\n"
     "downloaded (only what is new where the archive holds the mission), kept in the archive,\n"
     "saved into DIR (default: [Station] Folder, else the current folder) under the name\n"
     "pattern P (default {serial}_{missionstart:yyyyMMdd-HHmm}_{download:yyyyMMdd-HHmmss}.omx;\n"
     "also {name}, {adapter}, {samples}, {entry}; \"/\" makes subfolders), judged against\n"
     "its limits and, with --export, exported beside the file (with --report, its PDF report\n"
     "too; [Station] Export and Report in the settings). --rearm NAME launches each\n"
     "probe again by the settings' [Launch NAME] (Rate, Rollover, Start=immediately|\n"
     "next-minute|delay, Delay, Name, Comment), and only when all of that succeeded. A probe\n"
     "put back with nothing new is not downloaded again. One line per step and per probe on\n"
     "stdout; --format json: one JSON object per line. It ends after DURATION (30s, 2h, on\n"
     "virtual time with --virtual) or N downloads, or at Ctrl+C; exit 5 when a probe failed"},
    {Command::kServe, ArchiveCommand::kNone,
     "serve [--listen ADDRESS:PORT] [--users FILE]\n"
     "          serve --hash-password [--passphrase-fd N]",
     "shows the archive as web pages (the downloads with their filters, each download with\n"
     "its statistics, graph, signatures and files, the probes, the audit trail and the\n"
     "archive's verification) at\n"
     "http://ADDRESS:PORT/ until Ctrl+C; default 127.0.0.1:8620, port 0: any free one (the\n"
     "address is printed). It opens the archive read-only and writes nothing. --users FILE:\n"
     "each request needs a login of FILE (lines LOGIN:HASH) with its password (HTTP Basic);\n"
     "required on any address but loopback. --hash-password prints the HASH of a password"},
    {Command::kArchive, ArchiveCommand::kList,
     "archive list [--serial S] [--since DATE] [--limit N] [--offset M] [--format json]",
     "the downloads kept in the archive, newest first, each with its entry number ID;\n"
     "--serial lists those of the probe with serial number S (as status shows it, or as the\n"
     "16 hex digits of a record file), --since those downloaded at DATE or later (a date and\n"
     "time as --start takes it, see below). --limit lists N entries at most (1 or more),\n"
     "--offset leaves out the first M (0 or more): one page of the listing, whose order is\n"
     "the download time, then ID, both descending"},
    {Command::kArchive, ArchiveCommand::kShow, "archive show ID [--format json]",
     "the status fields of archive entry ID and a summary of its samples, as show gives them\n"
     "for a record file"},
    {Command::kArchive, ArchiveCommand::kExport, "archive export ID -o FILE.omx [--yes]",
     "writes archive entry ID as a record file"},
    {Command::kArchive, ArchiveCommand::kImport, "archive import FILE.omx...",
     "keeps record files in the archive; a record that is there already is not added again"},
    {Command::kArchive, ArchiveCommand::kAudit,
     "archive audit [--serial S] [--since DATE] [--format text|json|csv]",
     "the audit trail: every action on a probe, a record or its limits, in the order done,\n"
     "with who did it, where, and whether it was done or failed; --serial and --since as for\n"
     "archive list"},
    {Command::kArchive, ArchiveCommand::kVerify, "archive verify [ID...]",
     "checks the entries (all, or those given): content against its hash, listing columns\n"
     "against the content, provenance against the audit trail; and the audit trail's chain\n"
     "from its first row; and every signature against its key, the key's enrolment,\n"
     "confirmation and revocation. Exit 0 when all holds, else 9 naming each fault"},
    {Command::kArchive, ArchiveCommand::kSign,
     "archive sign ID --meaning reviewed|approved|released [--comment TEXT] [--key FILE]\n"
     "             [--passphrase-fd N]",
     "signs archive entry ID with your key: the signature covers the entry's content hash,\n"
     "the meaning, your login and name, the time and the comment, and stays for good (a\n"
     "later signature adds, none removes). The key must be confirmed and not revoked"},
    {Command::kKey, ArchiveCommand::kKeyCreate,
     "key create [--name \"FULL NAME\"] [--administrator] [--key FILE] [--passphrase-fd N]",
     "makes your signing key, sealed by a passphrase (asked twice), in your own data folder\n"
     "($XDG_DATA_HOME/ombrix/keys/LOGIN.key), and enrols its public half in the archive. It\n"
     "signs nothing until an administrator other than you confirms it; --administrator on\n"
     "an archive without a confirmed key makes the archive's first administrator key.\n"
     "--name: the name printed with your signatures (default: your account's full name)"},
    {Command::kKey, ArchiveCommand::kKeyConfirm, "key confirm KEY [--key FILE] [--passphrase-fd N]",
     "confirms the key of another person (KEY: a login or a fingerprint, as key list shows\n"
     "them) with your administrator key"},
    {Command::kKey, ArchiveCommand::kKeyRevoke,
     "key revoke KEY [--reason TEXT] [--key FILE] [--passphrase-fd N]",
     "revokes a lost or compromised key, your own or, with an administrator key, anyone's:\n"
     "it signs nothing after, and what it signed before stays valid"},
    {Command::kKey, ArchiveCommand::kKeyList, "key list",
     "the keys enrolled in the archive: login, name, role, fingerprint and state"},
};

enum class OptionKind {
  kGlobal,   // taken by every command
  kCommand,  // taken by some commands
  kProgram,  // about the program, not a command
};

// An option (or two names of one) and what it does, the lines after the first indented by 24.
struct OptionHelp {
  const char* option;  // the name CommandTakes knows it by
  OptionKind kind;
  const char* usage;
  const char* description;
};

const OptionHelp kOptionHelp[] = {
    {"--virtual", OptionKind::kGlobal, "--virtual[=SCENARIO]",
     "use the built-in virtual adapter instead of real adapters, on virtual\n"
     "time (a download takes no real time). SCENARIO is one of\n"
     "demo (the default: a probe with three weeks of data), empty (adapter\n"
     "without probe), none (no adapter), two (two adapters), clear (a clear\n"
     "probe), rollover (a mission whose log has wrapped), station (three\n"
     "adapters and a tray of probes coming and going). Its downloads go to\n"
     "an archive of their own that lasts as long as the run"},
    {"--virtual-state", OptionKind::kGlobal, "--virtual-state FILE",
     "keep the virtual probes and the virtual clock in FILE from one run to\n"
     "the next (implies --virtual); when FILE does not exist the run starts\n"
     "from the scenario at the computer's time. The lab's downloads are kept\n"
     "in FILE.archive.sqlite beside it"},
    {"--advance", OptionKind::kGlobal, "--advance DURATION",
     "move the virtual clock on before the command: 30s, 90m, 2h, 1d, 1h30m"},
    {"--device", OptionKind::kGlobal, "--device DESCRIPTION",
     "the USB description of the adapter (default \"Ombrix adapter\")"},
    {"--archive", OptionKind::kGlobal, "--archive LOCATION",
     "the archive of downloads to use instead of the one the settings name\n"
     "([Archive] Database=) or the default one\n"
     "($XDG_DATA_HOME/ombrix/archive.sqlite): a SQLite file, or\n"
     "postgresql://[user@]host[:port]/dbname for an archive that several\n"
     "computers share; with the virtual adapter, in place of the lab's own"},
    {"--no-archive", OptionKind::kGlobal, "--no-archive", "do not keep downloads in the archive"},
    {"--date-order", OptionKind::kGlobal, "--date-order dmy|mdy",
     "read a record file's numeric dates that could be day first or month\n"
     "first (4/3/2026) in this order; needed only for a file without its\n"
     "Instants section whose dates have no day above 12"},
    {"--format", OptionKind::kCommand, "--format text|json",
     "the form of the output of status, show, station, archive list and\n"
     "archive show (JSON gives each time also as ISO 8601 with its UTC\n"
     "offset, key + Iso); export takes text or csv"},
    {"--low", OptionKind::kCommand, "--low, --high CELSIUS",
     "LIMITS: the low and high limit (off: none), in place of the probe's\n"
     "limits in the settings (the window's settings file)"},
    {"--delay", OptionKind::kCommand, "--delay MINUTES",
     "LIMITS: an excursion counts when it lasts at least this long (0..10000)"},
    {"--check", OptionKind::kCommand, "--check",
     "exit code 10 when a record is outside its limits, 11 when it holds no\n"
     "samples, 2 when none are set; of several records the worst, in that order"},
    {"--output", OptionKind::kCommand, "-o, --output FILE", "the file to write"},
    {"--yes", OptionKind::kCommand, "--yes", "confirms a command that cannot be undone"},
    {"--listen", OptionKind::kCommand, "--listen ADDRESS:PORT",
     "serve: where the pages are served (default 127.0.0.1:8620)"},
    {"--users", OptionKind::kCommand, "--users FILE",
     "serve: the logins and Argon2id password hashes that may see the pages"},
    {"--hash-password", OptionKind::kCommand, "--hash-password",
     "serve: reads a password and prints its hash for the users file"},
    {"--key", OptionKind::kCommand, "--key FILE",
     "your key file, in place of $XDG_DATA_HOME/ombrix/keys/LOGIN.key"},
    {"--passphrase-fd", OptionKind::kCommand, "--passphrase-fd N",
     "read the key's passphrase as one line from file descriptor N instead\n"
     "of asking at the terminal (for scripts; never on the command line)"},
    {"--help", OptionKind::kProgram, "-h, --help",
     "shows this text; COMMAND --help shows the usage of one command"},
    {"--version", OptionKind::kProgram, "--version", "shows the program's version"},
};

// `text` with `first` before its first line and `rest` before every other.
std::string Indent(std::string_view text, const std::string& first, const std::string& rest) {
  std::string indented = first;
  for (char c : text) {
    indented += c;
    if (c == '\n') indented += rest;
  }
  return indented + '\n';
}

// A short usage and a one-line description share a line, the description from column 23; else
// the description follows on lines of its own, indented by eight.
std::string CommandEntry(const CommandHelp& entry) {
  const std::string usage = std::string("  ") + entry.usage;
  const std::string_view description = entry.description;
  if (usage.size() + 2 <= 22 && description.find('\n') == std::string_view::npos) {
    return Indent(description, usage + std::string(22 - usage.size(), ' '), "");
  }
  return usage + '\n' + Indent(description, std::string(8, ' '), std::string(8, ' '));
}

// The description from column 25, or two blanks after a longer usage.
std::string OptionEntry(const OptionHelp& entry) {
  std::string usage = std::string("  ") + entry.usage + "  ";
  if (usage.size() < 24) usage.resize(24, ' ');
  return Indent(entry.description, usage, std::string(24, ' '));
}

std::string DatesText() {
  // The example date is shown in the form the current locale gives it.
  const std::string example = DateTimeText(EncodeDateTime(2025, 12, 7, 14, 30, 0)).toStdString();
  return R"(Dates are read and written in the form the program shows them, which follows the locale
(here: ")" +
         example + R"("). --start also takes ISO 8601: "2025-12-07T14:30:00" in the
program's time (Central European time, with its summer time), or with a zone,
"2025-12-07T13:30:00Z" or "2025-12-07T14:30:00+01:00".
)";
}

bool Selected(const CommandHelp& entry, Command command, ArchiveCommand archiveCommand) {
  return entry.command == command &&
         (archiveCommand == ArchiveCommand::kNone || entry.archiveCommand == archiveCommand);
}

}  // namespace

std::string HelpText() {
  std::string text =
      R"(Usage: ombrix-cli [--virtual[=SCENARIO]] [--virtual-state FILE] [--advance DURATION]
                  [--device DESCRIPTION] [--archive LOCATION | --no-archive]
                  [--date-order dmy|mdy] COMMAND [OPTIONS]

Reads and programs temperature-logging probes through the Ombrix USB adapter, and reads the
record files (.omx) that downloads produce.

Commands:
)";
  for (const CommandHelp& entry : kCommandHelp) text += CommandEntry(entry);
  text += "\nOptions:\n";
  for (const OptionHelp& entry : kOptionHelp) text += OptionEntry(entry);
  text += '\n' + DatesText();
  text += R"(
A record is a record file or archive:ID, the archive entry ID.

A record file ends with an Instants section that older programs never read: the start,
mission start and download times as UTC instants, the test-mode flag, and a SHA-256 of the
lines above it. With it, a file gives the same times under any regional settings and time
zone, and show says "Changed after it was saved" when the file was edited since. A file
without it is read by its date texts, a date only when it has one reading; dates that could
be day first or month first (4/3/2026) need --date-order.

Messages go to stderr; status, show, archive list and archive show write to stdout.

Exit codes:
  0  success
  2  usage: unknown command or option, a missing or wrong value, --yes missing
  3  no adapter, more than one, or the adapter does not answer
  4  no probe on the adapter
  5  data error: a transfer failed, an echo or a checksum did not match, or the probe
     (or its mission) changed during a download
  6  not allowed in the probe's present state
  7  first sample time refused: not after the probe's clock, or more than 250 minutes ahead
  8  file error: a record, export, report or state file cannot be read or written, or a
     record file's dates read both ways and --date-order is not given
  9  archive error: the archive cannot be opened, read or written
 10  outside limits (show --check, download --check)
 11  no samples: nothing to judge (show --check, download --check)
 12  refused: a wrong passphrase, or a key that may not sign, confirm or revoke (yet)
130  download interrupted (Ctrl+C, SIGTERM): nothing stored, no file written
With --check and several records, every record is reported and the exit code is the worst:
10, then 11, then 2 (no limits set), then 0.

The settings file is the window's: ombrix.INI beside the programs while it can be written
there, else $XDG_CONFIG_HOME/ombrix/ombrix.INI. Its [Archive] keys (Enabled, Database,
FullDownload) and its [Limits] sections count here as in the window.
)";
  return text;
}

std::string CommandHelpText(Command command, ArchiveCommand archiveCommand) {
  std::string text;
  std::vector<const CommandHelp*> entries;
  for (const CommandHelp& entry : kCommandHelp) {
    if (Selected(entry, command, archiveCommand)) entries.push_back(&entry);
  }
  if (entries.size() == 1) {
    text = "Usage: ombrix-cli " + std::string(entries[0]->usage) + '\n' +
           Indent(entries[0]->description, std::string(8, ' '), std::string(8, ' '));
  } else {
    text = std::string("Usage: ombrix-cli ") + (command == Command::kKey ? "key" : "archive") +
           " COMMAND [OPTIONS]\n\nCommands:\n";
    for (const CommandHelp* entry : entries) text += CommandEntry(*entry);
  }

  // The command's own options first, then those every command takes.
  for (OptionKind kind : {OptionKind::kCommand, OptionKind::kGlobal}) {
    std::string options;
    for (const OptionHelp& option : kOptionHelp) {
      bool taken = false;
      for (const CommandHelp* entry : entries) {
        taken = taken || CommandTakes(entry->command, entry->archiveCommand, option.option);
      }
      if (option.kind == kind && taken) options += OptionEntry(option);
    }
    if (options.empty()) continue;
    text += kind == OptionKind::kCommand ? "\nOptions:\n" : "\nGlobal options:\n";
    text += options;
  }
  for (const CommandHelp* entry : entries) {
    if (std::string_view(entry->usage).find("DATE") != std::string_view::npos) {
      return text + '\n' + DatesText();
    }
  }
  return text;
}

}  // namespace ombrix::cli
