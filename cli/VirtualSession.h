#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <string>

#include "Clock.h"
#include "Console.h"
#include "FtdiDriver.h"
#include "Options.h"
#include "VirtualBus.h"
#include "VirtualState.h"

namespace ombrix::cli {

// The built-in virtual adapter for one run: a scenario's bus on a virtual clock, made the
// process's current driver and clock for the session's life. With a state file the run takes up
// the probes and the clock where the last run left them and puts them back afterwards.
class VirtualSession {
 public:
  VirtualSession() = default;
  VirtualSession(const VirtualSession&) = delete;
  VirtualSession& operator=(const VirtualSession&) = delete;

  // Builds the bus from the saved state when the state file exists, else from the scenario at
  // the computer's time, then moves the clock on by --advance. kSuccess, or the exit code after
  // a message on the console.
  int Open(const Options& options, const Console& console);
  // Writes the state file, when there is one. kSuccess or kFileError after a message.
  int Save(const Console& console);

 private:
  VirtualClock clock_;
  std::optional<ScopedClock> clockScope_;
  std::unique_ptr<VirtualBus> bus_;
  std::optional<ScopedDriver> driverScope_;
  VirtualState state_;
  QString stateFile_;
};

}  // namespace ombrix::cli
