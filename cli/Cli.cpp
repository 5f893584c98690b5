#include "Cli.h"

#include <QFile>

#include <exception>
#include <optional>

#include "Commands.h"
#include "ConsistencyError.h"
#include "ExitCode.h"
#include "Options.h"
#include "VirtualLab.h"

namespace ombrix::cli {

namespace {

int Dispatch(const Options& options, const Request& request, const Console& console) {
  switch (options.command) {
    case Command::kStatus:
      return RunStatus(options, console);
    case Command::kDownload:
      return RunDownload(options, request, console);
    case Command::kExport:
      return RunExport(options, request, console);
    case Command::kShow:
      return RunShow(options, request, console);
    case Command::kReport:
      return RunReport(options, request, console);
    case Command::kLaunch:
      return RunLaunch(options, request, console);
    case Command::kStop:
      return RunStop(options, request, console);
    case Command::kClear:
      return RunClear(options, request, console);
    case Command::kSwitchOff:
      return RunSwitchOff(options, request, console);
    case Command::kSetClock:
      return RunSetClock(options, request, console);
    case Command::kWriteText:
      return RunWriteText(options, request, console);
    case Command::kArchive:
      return RunArchive(options, request, console);
    case Command::kKey:
      return RunKey(options, request, console);
    case Command::kStation:
      return RunStation(options, request, console);
    case Command::kServe:
      return RunServe(options, request, console);
    case Command::kNone:
      break;
  }
  return kUsage;
}

// A consistency check that failed (the probe's counters contradict each other, a file is not
// what it must be) abandons the command, as the window's error box does.
int RunGuarded(const Options& options, const Request& request, const Console& console) {
  try {
    return Dispatch(options, request, console);
  } catch (const ConsistencyError& e) {
    console.Message(e.what());
    return e.Unit() == "OmFile" ? kFileError : kDataError;
  } catch (const std::exception& e) {
    console.Message(e.what());
    return kDataError;
  }
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, const Console& console) {
  Options options;
  std::string error;
  if (!ParseCommandLine(arguments, options, error)) {
    console.Message(error);
    return kUsage;
  }
  if (options.help) {
    console.out << (options.command == Command::kNone
                        ? HelpText()
                        : CommandHelpText(options.command, options.archiveCommand));
    return kSuccess;
  }
  if (options.version) {
    console.out << "ombrix-cli " << OMBRIX_VERSION << '\n';
    return kSuccess;
  }
  // The virtual adapter runs on a clock of its own at the hardware's pace: only the link's pauses
  // and --advance move it. Its downloads go to the lab's own archive unless --archive names one.
  std::optional<VirtualLab> lab;
  Options effective = options;
  if (options.virtualAdapter) {
    VirtualLabOptions setup;
    setup.scenario = options.scenario;
    setup.scenarioMustMatch = true;
    setup.stateFile = QFile::decodeName(options.virtualStateFile.c_str());
    setup.clock = VirtualLabOptions::ClockMode::kVirtual;
    setup.advanceMilliseconds = options.advanceMilliseconds;
    lab.emplace(std::move(setup));
    effective.archive = lab->ArchiveFor(options.archive);
  }
  Request request;
  if (int code = Prepare(effective, console, request)) return code;

  if (lab) {
    if (const VirtualLab::Result opened = lab->Open(); !opened) {
      console.Message(opened.error);
      return opened.failure == VirtualLab::Failure::kUsage ? kUsage : kFileError;
    }
  }
  const int code = RunGuarded(effective, request, console);
  // The virtual probes are saved whatever the outcome: time has passed for them too.
  int saved = kSuccess;
  if (lab) {
    if (const VirtualLab::Result result = lab->Save(); !result) {
      console.Message(result.error);
      saved = kFileError;
    }
  }
  return code != kSuccess ? code : saved;
}

}  // namespace ombrix::cli
