#include "Options.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <functional>
#include <string_view>

#include "Bytes.h"
#include "Scenarios.h"

namespace ombrix::cli {

namespace {

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

bool IsOption(const std::string& argument) {
  return argument.size() > 1 && argument[0] == '-';
}

// The archive is what the archive commands work on; telling them not to use it makes no sense.
bool RefusesNoArchive(Command command) {
  return command == Command::kArchive || command == Command::kKey || command == Command::kServe;
}

// The words that name a group of commands: "archive list", "key create".
bool IsGroup(const std::string& word) {
  return word == "archive" || word == "key";
}

// An archive entry number: a whole number from 1, digits only.
bool ParseEntryNumber(const std::string& text, std::int64_t& number) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  std::int64_t value = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc() ||
      value < 1) {
    return false;
  }
  number = value;
  return true;
}

// The command line in CLI11's terms: the global options on the program, each command a
// subcommand with the options it takes, and the archive group with subcommands of its own.
// Global options given after the command fall through to the program. CLI11 stores the values as
// typed; what they must be is checked afterwards, so that every message is this program's own.
// What no command takes is left over (allow_extras) for the same reason.
class Grammar {
 public:
  struct Entry {
    CLI::App* app;
    Command command;
    ArchiveCommand archiveCommand;
  };

  explicit Grammar(Options& o) {
    app_.set_help_flag();  // --help prints this program's text, not CLI11's
    // These three are inherited by the subcommands added below.
    app_.allow_extras();
    app_.fallthrough();
    app_.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    // After the command, a word that names another command is an argument.
    app_.require_subcommand(0, 1);

    app_.add_flag("-h,--help", o.help);
    app_.add_flag("--version", o.version);
    // "{}": a bare --virtual gives an empty result, --virtual=SCENARIO the scenario.
    virtualFlag = app_.add_flag("--virtual{}");
    virtualState = app_.add_option("--virtual-state", o.virtualStateFile);
    Text(app_, "--advance", advance);
    Text(app_, "--device", o.device);
    archive = app_.add_option("--archive", o.archive);
    app_.add_flag("--no-archive", o.noArchive);
    Text(app_, "--date-order", dateOrder);

    CLI::App* status = Add(app_, "status", Command::kStatus);
    Format(status);
    CLI::App* download = Add(app_, "download", Command::kDownload);
    Output(download, o);
    download->add_option("--export", o.exportFile);
    download->add_flag("--full", o.full);
    Limits(download, o);
    download->add_flag("--check", o.check);
    Yes(download, o);
    for (auto [command, name] :
         {std::pair{Command::kExport, "export"}, {Command::kReport, "report"}}) {
      CLI::App* fileCommand = Add(app_, name, command);
      fileCommand->add_option("FILE", o.recordFiles);
      Output(fileCommand, o);
      Yes(fileCommand, o);
      if (command == Command::kReport) Limits(fileCommand, o);
      if (command == Command::kExport) Text(*fileCommand, "--format", exportFormat);
    }
    CLI::App* show = Add(app_, "show", Command::kShow);
    show->add_option("FILE", o.recordFiles);
    Format(show);
    Limits(show, o);
    show->add_flag("--check", o.check);
    CLI::App* launch = Add(app_, "launch", Command::kLaunch);
    Text(*launch, "--rate", o.rate);
    Text(*launch, "--start", o.start);
    launch->add_flag("--next-minute", o.nextMinute);
    launch->add_flag("--rollover", o.rollover);
    launch->add_flag("--test", o.test);
    for (auto [command, name] : {std::pair{Command::kStop, "stop"},
                                 {Command::kClear, "clear"},
                                 {Command::kSwitchOff, "switch-off"},
                                 {Command::kSetClock, "set-clock"}}) {
      Yes(Add(app_, name, command), o);
    }
    CLI::App* writeText = Add(app_, "write-text", Command::kWriteText);
    Text(*writeText, "--name", o.name);
    Text(*writeText, "--comment", o.comment);
    Yes(writeText, o);

    CLI::App* station = Add(app_, "station", Command::kStation);
    Text(*station, "--folder", o.folder);
    Text(*station, "--pattern", o.pattern);
    Text(*station, "--export", o.stationExport);
    Text(*station, "--rearm", o.rearm);
    station->add_flag("--report", o.stationReport);
    Text(*station, "--until", until);
    Text(*station, "--probes", probes);
    Format(station);
    Limits(station, o);

    CLI::App* serve = Add(app_, "serve", Command::kServe);
    Text(*serve, "--listen", listen);
    serve->add_option("--users", o.usersFile);
    serve->add_flag("--hash-password", o.hashPassword);
    Text(*serve, "--passphrase-fd", passphraseFd);

    CLI::App* archiveGroup = Add(app_, "archive", Command::kArchive);
    archiveGroup->require_subcommand(0, 1);
    CLI::App* list = Add(*archiveGroup, "list", Command::kArchive, ArchiveCommand::kList);
    Text(*list, "--serial", o.serial);
    Text(*list, "--since", o.since);
    Text(*list, "--limit", o.limit);
    Text(*list, "--offset", o.offset);
    Format(list);
    CLI::App* archiveShow = Add(*archiveGroup, "show", Command::kArchive, ArchiveCommand::kShow);
    Text(*archiveShow, "ID", archiveId);
    Format(archiveShow);
    CLI::App* archiveExport =
        Add(*archiveGroup, "export", Command::kArchive, ArchiveCommand::kExport);
    Text(*archiveExport, "ID", archiveId);
    Output(archiveExport, o);
    Yes(archiveExport, o);
    CLI::App* import = Add(*archiveGroup, "import", Command::kArchive, ArchiveCommand::kImport);
    import->add_option("FILE", o.importFiles);
    CLI::App* audit = Add(*archiveGroup, "audit", Command::kArchive, ArchiveCommand::kAudit);
    Text(*audit, "--serial", o.serial);
    Text(*audit, "--since", o.since);
    Text(*audit, "--format", auditFormat);
    CLI::App* verify = Add(*archiveGroup, "verify", Command::kArchive, ArchiveCommand::kVerify);
    verify->add_option("ID", verifyIds);
    CLI::App* sign = Add(*archiveGroup, "sign", Command::kArchive, ArchiveCommand::kSign);
    Text(*sign, "ID", archiveId);
    Text(*sign, "--meaning", meaning);
    Text(*sign, "--comment", o.comment);
    Key(sign, o);

    CLI::App* keyGroup = Add(app_, "key", Command::kKey);
    keyGroup->require_subcommand(0, 1);
    CLI::App* create = Add(*keyGroup, "create", Command::kKey, ArchiveCommand::kKeyCreate);
    Text(*create, "--name", o.name);
    create->add_flag("--administrator", o.administrator);
    Key(create, o);
    for (auto [command, name] : {std::pair{ArchiveCommand::kKeyConfirm, "confirm"},
                                 {ArchiveCommand::kKeyRevoke, "revoke"}}) {
      CLI::App* keyCommand = Add(*keyGroup, name, Command::kKey, command);
      Text(*keyCommand, "KEY", keyName);
      Key(keyCommand, o);
      if (command == ArchiveCommand::kKeyRevoke) Text(*keyCommand, "--reason", reason);
    }
    Add(*keyGroup, "list", Command::kKey, ArchiveCommand::kKeyList);
  }

  CLI::App& App() { return app_; }

  // The option of that name ("--rate", "-o") anywhere in the grammar, or null.
  const CLI::Option* Find(const std::string& name) const { return FindIn(app_, name); }

  // The command that CLI11 has read as the word `name` (in the group of `group`'s commands when
  // given), or null.
  const Entry* Read(const std::string& name, const Entry* group = nullptr) const {
    for (const Entry& entry : entries_) {
      const bool inGroup =
          group ? entry.archiveCommand != ArchiveCommand::kNone && entry.command == group->command
                : entry.archiveCommand == ArchiveCommand::kNone;
      if (inGroup && entry.app->get_name() == name && entry.app->parsed()) {
        return &entry;
      }
    }
    return nullptr;
  }

  const Entry* Of(Command command, ArchiveCommand archiveCommand) const {
    for (const Entry& entry : entries_) {
      if (entry.command == command && entry.archiveCommand == archiveCommand) return &entry;
    }
    return nullptr;
  }

  // What ParseCommandLine checks once CLI11 has read the line.
  CLI::Option* virtualFlag = nullptr;
  CLI::Option* virtualState = nullptr;
  CLI::Option* archive = nullptr;
  std::optional<std::string> advance, format, exportFormat, archiveId, dateOrder, auditFormat;
  std::optional<std::string> meaning, keyName, reason, keyFile, passphraseFd, until, probes;
  std::optional<std::string> listen;
  std::vector<std::string> verifyIds;

 private:
  static const CLI::Option* FindIn(const CLI::App& app, const std::string& name) {
    if (const CLI::Option* option = app.get_option_no_throw(name)) return option;
    for (const CLI::App* sub : app.get_subcommands(std::function<bool(const CLI::App*)>())) {
      if (const CLI::Option* option = FindIn(*sub, name)) return option;
    }
    return nullptr;
  }

  CLI::App* Add(CLI::App& parent, const std::string& name, Command command,
                ArchiveCommand archiveCommand = ArchiveCommand::kNone) {
    CLI::App* sub = parent.add_subcommand(name);
    entries_.push_back({sub, command, archiveCommand});
    return sub;
  }
  static void Text(CLI::App& app, const std::string& name, std::optional<std::string>& target) {
    app.add_option_function<std::string>(name,
                                         [&target](const std::string& value) { target = value; });
  }
  void Format(CLI::App* command) { Text(*command, "--format", format); }
  static void Output(CLI::App* command, Options& o) {
    command->add_option("-o,--output", o.output);
  }
  static void Yes(CLI::App* command, Options& o) { command->add_flag("--yes", o.yes); }
  void Key(CLI::App* command, Options&) {
    Text(*command, "--key", keyFile);
    Text(*command, "--passphrase-fd", passphraseFd);
  }
  static void Limits(CLI::App* command, Options& o) {
    Text(*command, "--low", o.low);
    Text(*command, "--high", o.high);
    Text(*command, "--delay", o.delay);
  }

  CLI::App app_{"", "ombrix-cli"};
  std::vector<Entry> entries_;
};

// Brings the arguments into the forms in which CLI11 reads them as this program always has:
// CLI11 hands options to a command only after the command's word, so the command's words
// ("archive list" has two) move to the front, and options may come before or after them; and
// "-o=FILE" or "--name=" become "-o" "FILE" and "--name" "", which CLI11 would read as "=FILE" or
// as "--name" waiting for the next argument. Unknown options, a missing value and a value for an
// option that takes none are refused here, the first in the order given.
bool Arrange(const Grammar& grammar, const std::vector<std::string>& arguments,
             std::vector<std::string>& arranged, std::vector<std::string>& words,
             std::string& error) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!IsOption(argument)) {
      const bool commandWord = words.empty() || (words.size() == 1 && IsGroup(words[0]));
      (commandWord ? words : rest).push_back(argument);
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    // A single dash names one letter: "-output" is not "-o" "utput".
    const bool oneLetter = name[1] != '-';
    const CLI::Option* option = oneLetter && name.size() != 2 ? nullptr : grammar.Find(name);
    if (!option) {
      error = "unknown option " + Excerpt(name);
      return false;
    }
    const bool takesValue = option->get_items_expected_max() > 0;
    // A flag with a value of its own for the bare form (--virtual) takes another after "=".
    if (equals != std::string::npos && !takesValue && option->get_fnames().empty()) {
      error = name + " takes no value";
      return false;
    }
    if (!takesValue) {
      rest.push_back(argument);
    } else if (equals != std::string::npos) {
      rest.push_back(name);
      rest.push_back(argument.substr(equals + 1));
    } else if (i + 1 < arguments.size()) {
      rest.push_back(name);
      rest.push_back(arguments[++i]);
    } else {
      error = name + " needs a value";
      return false;
    }
  }
  arranged = words;
  arranged.insert(arranged.end(), rest.begin(), rest.end());
  return true;
}

// "ADDRESS:PORT": an IPv4 address or a name, or an IPv6 address in brackets ("[::1]:8620"), and a
// port from 0 (any free one) to 65535.
bool ParseListen(const std::string& text, std::string& address, int& port) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string host = text.substr(0, colon);
  const std::string digits = text.substr(colon + 1);
  if (host.front() == '[') {
    if (host.size() < 3 || host.back() != ']') return false;
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string::npos) {
    return false;  // an IPv6 address without brackets reads two ways
  }
  int value = 0;
  if (digits.empty() || digits.size() > 5 ||
      digits.find_first_not_of("0123456789") != std::string::npos ||
      std::from_chars(digits.data(), digits.data() + digits.size(), value).ec != std::errc() ||
      value > 65535) {
    return false;
  }
  address = host;
  port = value;
  return true;
}

// What each command needs beyond the options it may take.
bool CheckComplete(Options& o, const std::optional<std::string>& archiveId, std::string& error) {
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
    case Command::kArchive:
      if (o.archiveCommand == ArchiveCommand::kShow ||
          o.archiveCommand == ArchiveCommand::kExport) {
        if (!archiveId) {
          error = c + " needs ID, the entry number that archive list shows";
        } else if (!ParseEntryNumber(*archiveId, o.archiveId)) {
          error = c + " needs an entry number, not \"" + Excerpt(*archiveId) + "\"";
        } else if (o.archiveCommand == ArchiveCommand::kExport && o.output.empty()) {
          error = "archive export needs -o FILE.omx";
        }
      } else if (o.archiveCommand == ArchiveCommand::kImport && o.importFiles.empty()) {
        error = "archive import needs one or more FILE.omx";
      } else if (o.archiveCommand == ArchiveCommand::kSign) {
        if (!archiveId) {
          error = "archive sign needs ID, the entry number that archive list shows";
        } else if (!ParseEntryNumber(*archiveId, o.archiveId)) {
          error = "archive sign needs an entry number, not \"" + Excerpt(*archiveId) + "\"";
        } else if (o.meaning.empty()) {
          error = "archive sign needs --meaning reviewed, approved or released";
        }
      }
      break;
    case Command::kKey:
      if ((o.archiveCommand == ArchiveCommand::kKeyConfirm ||
           o.archiveCommand == ArchiveCommand::kKeyRevoke) &&
          o.keyName.empty()) {
        error = c + " needs KEY, the login or the fingerprint that key list shows";
      }
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

bool CommandTakes(Command command, ArchiveCommand archiveCommand, const std::string& option) {
  Options scratch;
  Grammar grammar(scratch);
  if (option == "--no-archive" && RefusesNoArchive(command)) return false;
  if (grammar.App().get_option_no_throw(option)) return true;
  const Grammar::Entry* entry = grammar.Of(command, archiveCommand);
  return entry && entry->app->get_option_no_throw(option);
}

bool ParseCommandLine(const std::vector<std::string>& arguments, Options& options,
                      std::string& error) {
  Options o;
  Grammar grammar(o);
  std::vector<std::string> arranged, words;
  if (!Arrange(grammar, arguments, arranged, words, error)) return false;
  try {
    grammar.App().parse(std::vector<std::string>(arranged.rbegin(), arranged.rend()));
  } catch (const CLI::ParseError& e) {
    error = e.what();  // Arrange has refused every line CLI11 would
    return false;
  }

  o.virtualAdapter = grammar.virtualFlag->count() > 0 || grammar.virtualState->count() > 0;
  // A bare --virtual leaves the scenario that an earlier --virtual=SCENARIO named.
  for (const std::string& scenario : grammar.virtualFlag->results()) {
    if (scenario.empty()) continue;
    if (!IsScenario(scenario)) {
      error = "unknown scenario \"" + Excerpt(scenario) + "\"; the scenarios are " + ScenarioList();
      return false;
    }
    o.scenario = scenario;
  }
  const Grammar::Entry* entry = words.empty() ? nullptr : grammar.Read(words[0]);
  if (entry && IsGroup(words[0]) && words.size() > 1) {
    if (const Grammar::Entry* groupCommand = grammar.Read(words[1], entry)) entry = groupCommand;
  }
  if (entry) {
    o.command = entry->command;
    o.archiveCommand = entry->archiveCommand;
    o.commandName =
        entry->archiveCommand == ArchiveCommand::kNone ? words[0] : words[0] + " " + words[1];
  }
  if (o.help || o.version) {
    options = o;
    return true;
  }

  if (words.empty()) {
    error = "no command given; see ombrix-cli --help";
    return false;
  }
  if (!entry) {
    error = "unknown command \"" + Excerpt(words[0]) + "\"";
    error += IsScenario(words[0]) ? "; a scenario is named as --virtual=" + words[0]
                                  : "; see ombrix-cli --help";
    return false;
  }
  if (o.command == Command::kArchive && o.archiveCommand == ArchiveCommand::kNone) {
    error = words.size() > 1 ? "unknown archive command \"" + Excerpt(words[1]) + "\"; the"
                             : "archive needs a command; the";
    error += " archive commands are list, show, export, import, audit, verify and sign";
    return false;
  }
  if (o.command == Command::kKey && o.archiveCommand == ArchiveCommand::kNone) {
    error = words.size() > 1 ? "unknown key command \"" + Excerpt(words[1]) + "\"; the"
                             : "key needs a command; the";
    error += " key commands are create, confirm, revoke and list";
    return false;
  }
  // What CLI11 left over: an option of another command, or an argument too many.
  const std::vector<std::string> extras = grammar.App().remaining(true);
  if (!extras.empty()) {
    const std::string& first = extras.front();
    error = IsOption(first) ? o.commandName + " does not take " + Excerpt(first)
                            : "unexpected argument \"" + Excerpt(first) + "\"";
    return false;
  }

  if (grammar.advance) {
    std::int64_t milliseconds = 0;
    if (!ParseDuration(*grammar.advance, milliseconds)) {
      error = "--advance takes a duration such as 30s, 90m, 2h, 1d or 1h30m, not \"" +
              Excerpt(*grammar.advance) + "\"";
      return false;
    }
    o.advanceMilliseconds = milliseconds;
  }
  if (grammar.format) {
    if (*grammar.format != "json" && *grammar.format != "text") {
      error = "--format takes json or text";
      return false;
    }
    o.json = *grammar.format == "json";
  }
  if (grammar.auditFormat) {
    if (*grammar.auditFormat != "json" && *grammar.auditFormat != "csv" &&
        *grammar.auditFormat != "text") {
      error = "archive audit --format takes text, json or csv";
      return false;
    }
    o.json = *grammar.auditFormat == "json";
    o.auditCsv = *grammar.auditFormat == "csv";
  }
  for (const std::string& id : grammar.verifyIds) {
    std::int64_t number = 0;
    if (!ParseEntryNumber(id, number)) {
      error = "archive verify takes entry numbers, not \"" + Excerpt(id) + "\"";
      return false;
    }
    o.verifyIds.push_back(number);
  }
  if (grammar.meaning) {
    if (*grammar.meaning != "reviewed" && *grammar.meaning != "approved" &&
        *grammar.meaning != "released") {
      error = "archive sign --meaning takes reviewed, approved or released";
      return false;
    }
    o.meaning = *grammar.meaning;
  }
  if (grammar.passphraseFd) {
    int fd = 0;
    const std::string& text = *grammar.passphraseFd;
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        std::from_chars(text.data(), text.data() + text.size(), fd).ec != std::errc()) {
      error = "--passphrase-fd takes the number of an open file descriptor, not \"" +
              Excerpt(text) + "\"";
      return false;
    }
    o.passphraseFd = fd;
  }
  if (grammar.keyFile) {
    if (grammar.keyFile->empty()) {
      error = "--key needs a FILE";
      return false;
    }
    o.keyFile = *grammar.keyFile;
  }
  if (grammar.keyName) o.keyName = *grammar.keyName;
  if (grammar.reason) o.reason = *grammar.reason;
  if (grammar.exportFormat) {
    if (*grammar.exportFormat != "csv" && *grammar.exportFormat != "text") {
      error = "export --format takes csv or text";
      return false;
    }
    o.csv = *grammar.exportFormat == "csv";
  }
  if (grammar.dateOrder) {
    if (*grammar.dateOrder != "dmy" && *grammar.dateOrder != "mdy") {
      error = "--date-order takes dmy (day first) or mdy (month first)";
      return false;
    }
    o.dateOrder = *grammar.dateOrder == "dmy" ? DateOrder::kDayFirst : DateOrder::kMonthFirst;
  }
  if (grammar.until) {
    std::int64_t milliseconds = 0;
    if (!ParseDuration(*grammar.until, milliseconds) || milliseconds == 0) {
      error = "--until takes a duration such as 30s, 90m, 2h, 1d or 1h30m, not \"" +
              Excerpt(*grammar.until) + "\"";
      return false;
    }
    o.untilMilliseconds = milliseconds;
  }
  if (grammar.probes) {
    const std::string& text = *grammar.probes;
    int count = 0;
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        std::from_chars(text.data(), text.data() + text.size(), count).ec != std::errc() ||
        count < 1) {
      error = "--probes takes a whole number from 1, not \"" + Excerpt(text) + "\"";
      return false;
    }
    o.probes = count;
  }
  if (grammar.listen && !ParseListen(*grammar.listen, o.listenAddress, o.listenPort)) {
    error = "serve --listen takes ADDRESS:PORT, such as 127.0.0.1:8620 or [::1]:8620, not \"" +
            Excerpt(*grammar.listen) + "\"";
    return false;
  }
  if (o.hashPassword && (grammar.listen || !o.usersFile.empty())) {
    error = "serve --hash-password only prints a hash: it takes no --listen or --users";
    return false;
  }
  if (o.stationExport && *o.stationExport != "text" && *o.stationExport != "csv") {
    error = "station --export takes text or csv";
    return false;
  }
  if (o.command == Command::kStation && o.virtualAdapter && !o.untilMilliseconds && !o.probes) {
    error = "station on the virtual adapter needs --until DURATION or --probes N to end";
    return false;
  }
  if (!o.recordFiles.empty()) o.recordFile = o.recordFiles.front();
  if (o.advanceMilliseconds && !o.virtualAdapter) {
    error = "--advance moves the virtual clock and needs --virtual or --virtual-state";
    return false;
  }
  // An empty location would quietly mean the default archive: say which one instead.
  if (grammar.archive->count() > 0 && o.archive.empty()) {
    error = "--archive needs a LOCATION";
    return false;
  }
  if (grammar.archive->count() > 0 && o.noArchive) {
    error = "--archive and --no-archive cannot be given together";
    return false;
  }
  if (o.noArchive && RefusesNoArchive(o.command)) {
    error = o.commandName + " does not take --no-archive";
    return false;
  }
  if (!CheckComplete(o, grammar.archiveId, error)) return false;
  options = o;
  return true;
}

}  // namespace ombrix::cli
