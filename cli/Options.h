#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
};

// The command line, as typed; values that have their own error texts (sample rate, first sample
// time) are checked by the command that uses them.
struct Options {
  bool help = false;
  bool version = false;

  bool virtualAdapter = false;
  std::string scenario;  // as given with --virtual=; empty for the default
  std::string virtualStateFile;
  std::optional<std::int64_t> advanceMilliseconds;
  std::optional<std::string> device;

  Command command = Command::kNone;
  std::string commandName;
  std::string recordFile;  // export, show
  std::string output;      // -o
  std::string exportFile;  // download --export
  bool json = false;
  bool yes = false;

  std::optional<std::string> rate;
  std::optional<std::string> start;
  bool nextMinute = false;
  bool rollover = false;
  bool test = false;

  std::optional<std::string> name;
  std::optional<std::string> comment;
};

// Reads the arguments after the program name. Options may come before or after the command, in
// the forms "--option value" and "--option=value". False, with `error` saying what is wrong, for
// anything the command does not take or lacks.
bool ParseCommandLine(const std::vector<std::string>& arguments, Options& options,
                      std::string& error);

// True for the commands that change the probe for good, which run only with --yes.
bool NeedsConfirmation(Command command);

// Reads a duration such as "90m", "2h", "30s", "1d" or "1h30m".
bool ParseDuration(const std::string& text, std::int64_t& milliseconds);

std::string HelpText();

}  // namespace ombrix::cli
