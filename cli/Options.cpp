#include "Options.h"

#include <QString>

#include <charconv>
#include <initializer_list>
#include <string_view>

#include "FileRead.h"
#include "Scenarios.h"
#include "TimeConversion.h"

namespace ombrix::cli {

namespace {

struct CommandName {
  Command command;
  const char* name;
};
constexpr CommandName kCommands[] = {
    {Command::kStatus, "status"},
    {Command::kDownload, "download"},
    {Command::kExport, "export"},
    {Command::kShow, "show"},
    {Command::kReport, "report"},
    {Command::kLaunch, "launch"},
    {Command::kStop, "stop"},
    {Command::kClear, "clear"},
    {Command::kSwitchOff, "switch-off"},
    {Command::kSetClock, "set-clock"},
    {Command::kWriteText, "write-text"},
};

// An option and the commands that take it (none listed: every command).
struct OptionDef {
  const char* name;
  bool takesValue;
  std::initializer_list<Command> commands;
};

const OptionDef kOptions[] = {
    {"--virtual-state", true, {}},
    {"--advance", true, {}},
    {"--device", true, {}},
    {"--format", true, {Command::kStatus, Command::kShow}},
    {"-o", true, {Command::kDownload, Command::kExport, Command::kReport}},
    {"--output", true, {Command::kDownload, Command::kExport, Command::kReport}},
    {"--export", true, {Command::kDownload}},
    {"--yes",
     false,
     {Command::kDownload, Command::kExport, Command::kReport, Command::kStop, Command::kClear,
      Command::kSwitchOff, Command::kSetClock, Command::kWriteText}},
    {"--rate", true, {Command::kLaunch}},
    {"--start", true, {Command::kLaunch}},
    {"--next-minute", false, {Command::kLaunch}},
    {"--rollover", false, {Command::kLaunch}},
    {"--test", false, {Command::kLaunch}},
    {"--name", true, {Command::kWriteText}},
    {"--comment", true, {Command::kWriteText}},
};

const OptionDef* FindOption(const std::string& name) {
  for (const OptionDef& option : kOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

bool Takes(const OptionDef& option, Command command) {
  if (option.commands.size() == 0) return true;
  for (Command c : option.commands) {
    if (c == command) return true;
  }
  return false;
}

bool IsScenario(const std::string& name) {
  for (const std::string& known : ScenarioNames()) {
    if (known == name) return true;
  }
  return false;
}

std::string ScenarioList() {
  std::string list;
  for (const std::string& name : ScenarioNames()) list += (list.empty() ? "" : ", ") + name;
  return list;
}

// Stores one option's value; false with `error` when the value does not fit the option.
bool Store(Options& o, const std::string& name, const std::string& value, std::string& error) {
  if (name == "--virtual-state") {
    o.virtualStateFile = value;
    o.virtualAdapter = true;
  } else if (name == "--advance") {
    std::int64_t milliseconds = 0;
    if (!ParseDuration(value, milliseconds)) {
      error = "--advance takes a duration such as 30s, 90m, 2h, 1d or 1h30m, not \"" +
              Excerpt(value) + "\"";
      return false;
    }
    o.advanceMilliseconds = milliseconds;
  } else if (name == "--device") {
    o.device = value;
  } else if (name == "--format") {
    if (value != "json" && value != "text") {
      error = "--format takes json or text";
      return false;
    }
    o.json = value == "json";
  } else if (name == "-o" || name == "--output") {
    o.output = value;
  } else if (name == "--export") {
    o.exportFile = value;
  } else if (name == "--yes") {
    o.yes = true;
  } else if (name == "--rate") {
    o.rate = value;
  } else if (name == "--start") {
    o.start = value;
  } else if (name == "--next-minute") {
    o.nextMinute = true;
  } else if (name == "--rollover") {
    o.rollover = true;
  } else if (name == "--test") {
    o.test = true;
  } else if (name == "--name") {
    o.name = value;
  } else if (name == "--comment") {
    o.comment = value;
  }
  return true;
}

// What each command needs beyond the options it may take.
bool CheckComplete(const Options& o, std::string& error) {
  const std::string& c = o.commandName;
  switch (o.command) {
    case Command::kDownload:
      if (o.output.empty()) error = "download needs -o FILE.omx";
      break;
    case Command::kExport:
      if (o.recordFile.empty() || o.output.empty()) error = "export needs FILE.omx -o FILE.txt";
      break;
    case Command::kShow:
      if (o.recordFile.empty()) error = "show needs FILE.omx";
      break;
    case Command::kReport:
      if (o.recordFile.empty() || o.output.empty()) error = "report needs FILE.omx -o FILE.pdf";
      break;
    case Command::kLaunch:
      if (!o.rate) {
        error = "launch needs --rate N";
      } else if (o.start.has_value() == o.nextMinute) {
        error = "launch needs either --start \"DATE TIME\" or --next-minute";
      }
      break;
    case Command::kWriteText:
      if (!o.name && !o.comment) error = "write-text needs --name TEXT, --comment TEXT or both";
      break;
    default:
      break;
  }
  if (error.empty() && NeedsConfirmation(o.command) && !o.yes) {
    error = c + " cannot be undone and runs only with --yes";
  }
  return error.empty();
}

}  // namespace

bool NeedsConfirmation(Command command) {
  return command == Command::kStop || command == Command::kClear ||
         command == Command::kSwitchOff || command == Command::kSetClock ||
         command == Command::kWriteText;
}

bool ParseDuration(const std::string& text, std::int64_t& milliseconds) {
  constexpr std::int64_t kLimit = 100LL * 366 * 24 * 3600 * 1000;  // a century
  std::int64_t total = 0;
  const char* p = text.data();
  const char* end = p + text.size();
  if (p == end) return false;
  while (p < end) {
    std::int64_t count = 0;
    const auto [next, ec] = std::from_chars(p, end, count);
    if (ec != std::errc() || next == end || count > kLimit) return false;
    constexpr std::string_view kUnits = "smhd";
    constexpr std::int64_t kUnitMilliseconds[] = {1000, 60'000, 3'600'000, 86'400'000};
    const std::size_t at = kUnits.find(*next);
    if (at == std::string_view::npos) return false;
    const std::int64_t unit = kUnitMilliseconds[at];
    if (count > kLimit / unit) return false;
    total += count * unit;
    if (total > kLimit) return false;
    p = next + 1;
  }
  milliseconds = total;
  return true;
}

bool ParseCommandLine(const std::vector<std::string>& arguments, Options& options,
                      std::string& error) {
  Options o;
  // Options are stored once the command is known, so that each can be checked against it.
  std::vector<std::pair<const OptionDef*, std::string>> given;
  std::vector<std::string> positional;

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "-h" || argument == "--help") {
      o.help = true;
      continue;
    }
    if (argument == "--version") {
      o.version = true;
      continue;
    }
    if (argument == "--virtual" || argument.rfind("--virtual=", 0) == 0) {
      o.virtualAdapter = true;
      if (argument.size() > 9) {
        o.scenario = argument.substr(10);
        if (!IsScenario(o.scenario)) {
          error = "unknown scenario \"" + Excerpt(o.scenario) + "\"; the scenarios are " +
                  ScenarioList();
          return false;
        }
      }
      continue;
    }
    if (argument.size() > 1 && argument[0] == '-') {
      const std::size_t equals = argument.find('=');
      const std::string name = argument.substr(0, equals);
      const OptionDef* option = FindOption(name);
      if (!option) {
        error = "unknown option " + Excerpt(name);
        return false;
      }
      std::string value;
      if (option->takesValue) {
        if (equals != std::string::npos) {
          value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
          value = arguments[++i];
        } else {
          error = name + " needs a value";
          return false;
        }
      } else if (equals != std::string::npos) {
        error = name + " takes no value";
        return false;
      }
      given.emplace_back(option, value);
      continue;
    }
    positional.push_back(argument);
  }

  if (o.help || o.version) {
    options = o;
    return true;
  }
  if (positional.empty()) {
    error = "no command given; see ombrix-cli --help";
    return false;
  }
  o.commandName = positional.front();
  for (const CommandName& entry : kCommands) {
    if (o.commandName == entry.name) o.command = entry.command;
  }
  if (o.command == Command::kNone) {
    error = "unknown command \"" + Excerpt(o.commandName) + "\"";
    error += IsScenario(o.commandName) ? "; a scenario is named as --virtual=" + o.commandName
                                       : "; see ombrix-cli --help";
    return false;
  }
  const bool takesFile =
      o.command == Command::kExport || o.command == Command::kShow || o.command == Command::kReport;
  if (positional.size() > (takesFile ? 2u : 1u)) {
    error = "unexpected argument \"" + Excerpt(positional[takesFile ? 2 : 1]) + "\"";
    return false;
  }
  if (takesFile && positional.size() == 2) o.recordFile = positional[1];

  for (const auto& [option, value] : given) {
    if (!Takes(*option, o.command)) {
      error = o.commandName + " does not take " + option->name;
      return false;
    }
    if (!Store(o, option->name, value, error)) return false;
  }
  if (o.advanceMilliseconds && !o.virtualAdapter) {
    error = "--advance moves the virtual clock and needs --virtual or --virtual-state";
    return false;
  }
  if (!CheckComplete(o, error)) return false;
  options = o;
  return true;
}

std::string HelpText() {
  // The example date is shown in the form the current locale gives it.
  const std::string example = DateTimeText(EncodeDateTime(2025, 12, 7, 14, 30, 0)).toStdString();
  return R"(Usage: ombrix-cli [--virtual[=SCENARIO]] [--virtual-state FILE] [--advance DURATION]
                  [--device DESCRIPTION] COMMAND [OPTIONS]

Reads and programs temperature-logging probes through the Ombrix USB adapter, and reads the
record files (.omx) that downloads produce.

Commands:
  status [--format json]
        the adapter (description, version, USB serial number) and every field of the probe's
        status
  download -o FILE.omx [--export FILE.txt] [--yes]
        reads the probe's whole log and saves it as a record file, and with --export also as
        text; a progress bar shows on stderr when it is a terminal. Files that exist are
        replaced only with --yes
  export FILE.omx -o FILE.txt [--yes]
        writes the data of a record file as tab-separated text
  show FILE.omx [--format json]
        the status fields of a record file and a summary of its samples (count, first and last
        time, minimum, mean and maximum temperature)
  report FILE.omx -o FILE.pdf [--yes]
        the one-page printed report of a record file (header fields and the graph of all its
        samples) as a PDF document, landscape on A4 (Letter in US locales); needs no display
  launch --rate N (--start "DATE TIME" | --next-minute) [--rollover] [--test]
        starts a mission on a clear probe: a sample every N minutes (1..255; seconds with
        --test), the first at the given time, after the probe's clock and at most 250 minutes
        ahead of it, or at the computer clock's next whole minute. With --rollover a full log
        wraps around
  stop --yes          stops the mission in progress
  clear --yes         erases the data of a stopped mission
  switch-off --yes    switches a clear probe off; the next launch switches it on
  set-clock --yes     sets the clock of a clear probe to the computer's clock
  write-text [--name TEXT] [--comment TEXT] --yes
        writes the name (up to 32 characters) and the comment (up to 152) of a clear probe

Options:
  --virtual[=SCENARIO]  use the built-in virtual adapter instead of real adapters, on virtual
                        time (a download takes no real time). SCENARIO is one of
                        demo (the default: a probe with three weeks of data), empty (adapter
                        without probe), none (no adapter), two (two adapters), clear (a clear
                        probe), rollover (a mission whose log has wrapped)
  --virtual-state FILE  keep the virtual probes and the virtual clock in FILE from one run to
                        the next (implies --virtual); when FILE does not exist the run starts
                        from the scenario at the computer's time
  --advance DURATION    move the virtual clock on before the command: 30s, 90m, 2h, 1d, 1h30m
  --device DESCRIPTION  the USB description of the adapter (default "Ombrix adapter")
  --format text|json    the form of the output of status and show
  -o, --output FILE     the file to write
  --yes                 confirms a command that cannot be undone
  -h, --help            shows this text
  --version             shows the program's version

Dates are read and written in the form the program shows them, which follows the locale
(here: ")" +
         example + R"("). --start also takes ISO 8601: "2025-12-07T14:30:00" in the
program's time (Central European time, with its summer time), or with a zone,
"2025-12-07T13:30:00Z" or "2025-12-07T14:30:00+01:00".

Messages go to stderr; status and show write to stdout.

Exit codes:
  0  success
  2  usage: unknown command or option, a missing or wrong value, --yes missing
  3  no adapter, more than one, or the adapter does not answer
  4  no probe on the adapter
  5  data error: a transfer failed, an echo or a checksum did not match
  6  not allowed in the probe's present state
  7  first sample time refused: not after the probe's clock, or more than 250 minutes ahead
  8  file error: a record, export, report or state file cannot be read or written
)";
}

}  // namespace ombrix::cli
