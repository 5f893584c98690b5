#include "VirtualSession.h"

#include <QFile>

#include "ExitCode.h"
#include "FileRead.h"
#include "SafeFile.h"
#include "Scenarios.h"

namespace ombrix::cli {

int VirtualSession::Open(const Options& options, const Console& console) {
  std::string scenario =
      options.scenario.empty() ? std::string(scenario::kDefault) : options.scenario;
  bool restore = false;
  if (!options.virtualStateFile.empty()) {
    stateFile_ = QFile::decodeName(options.virtualStateFile.c_str());
    FileBytes file = ReadRegularFile(stateFile_, kMaxVirtualStateFileSize);
    if (file.outcome != ReadOutcome::kMissing) {
      std::string error;
      if (file.outcome != ReadOutcome::kRead) {
        console.Message("the virtual state cannot be opened: " + file.error);
        return kFileError;
      }
      if (!ParseVirtualState(file.bytes, state_, error)) {
        console.Message("the virtual state " + ShownFileName(stateFile_) +
                        " cannot be read: " + error);
        return kFileError;
      }
      if (!options.scenario.empty() && options.scenario != state_.scenario) {
        console.Message("the virtual state " + ShownFileName(stateFile_) + " continues the " +
                        Excerpt(state_.scenario) + " scenario, not " + options.scenario);
        return kUsage;
      }
      scenario = state_.scenario;
      restore = true;
    }
  }

  clock_.SetUtcMilliseconds(restore ? state_.utcMilliseconds : SystemClock().UtcMilliseconds());
  clockScope_.emplace(clock_);
  bus_ = std::make_unique<VirtualBus>(clock_, LinkTiming::Hardware());
  if (!BuildScenario(*bus_, scenario)) {
    console.Message("the virtual state " + ShownFileName(stateFile_) +
                    " names an unknown scenario " + Excerpt(scenario));
    return kFileError;
  }
  std::string error;
  if (restore && !RestoreProbes(*bus_, state_, error)) {
    console.Message("the virtual state " + ShownFileName(stateFile_) + " does not fit: " + error);
    return kFileError;
  }
  state_.scenario = scenario;
  driverScope_.emplace(*bus_);
  if (options.advanceMilliseconds) clock_.Advance(*options.advanceMilliseconds);
  return kSuccess;
}

int VirtualSession::Save(const Console& console) {
  if (stateFile_.isEmpty() || !bus_) return kSuccess;
  state_.utcMilliseconds = clock_.UtcMilliseconds();
  CaptureProbes(*bus_, state_);
  SafeFile file(stateFile_);
  if (file.IsOpen()) {
    file.Write(FormatVirtualState(state_));
    if (file.Commit()) return kSuccess;
  }
  console.Message("the virtual state was not saved: " + file.Error());
  return kFileError;
}

}  // namespace ombrix::cli
