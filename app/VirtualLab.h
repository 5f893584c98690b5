#pragma once

#include <QString>

#include <memory>
#include <optional>

#include "Clock.h"
#include "FtdiDriver.h"
#include "VirtualBus.h"
#include "VirtualState.h"

namespace ombrix {

// The wall clock of a virtual lab: a clock (the computer's, for the window) moved to the lab's
// time, running and pausing as that clock does, so that the window can be used on it as on a
// real desk.
class LabClock : public Clock {
 public:
  LabClock(Clock& base, std::int64_t utcMilliseconds)
      : base_(base), offset_(utcMilliseconds - base.UtcMilliseconds()) {}
  std::int64_t UtcMilliseconds() override { return base_.UtcMilliseconds() + offset_; }
  std::int64_t MonotonicMilliseconds() override { return base_.MonotonicMilliseconds(); }
  void Sleep(std::int64_t milliseconds) override { base_.Sleep(milliseconds); }

 private:
  Clock& base_;
  std::int64_t offset_;
};

// The built-in virtual adapter for the window: a scenario's bus, or the lab kept in a state file
// (probes, memory, clock, fault lines) taken up where ombrix-cli or an earlier run left it. The
// bus is the process's driver, and with a state file its clock the process's clock, for the lab's
// life.
class VirtualLab {
 public:
  VirtualLab() = default;
  VirtualLab(const VirtualLab&) = delete;
  VirtualLab& operator=(const VirtualLab&) = delete;
  ~VirtualLab();

  // Builds the lab on the current clock; false with *error set when the state file cannot be read
  // or does not fit. A kept lab continues its own scenario, whatever `scenario` says.
  bool Open(const QString& scenario, const QString& stateFile, double speed, QString* error);
  // Writes the lab back to its state file, if it has one; false with *error set when that fails.
  bool Save(QString* error);

 private:
  std::unique_ptr<LabClock> clock_;
  std::optional<ScopedClock> clockScope_;
  std::unique_ptr<VirtualBus> bus_;
  std::optional<ScopedDriver> driverScope_;
  VirtualState state_;
  QString stateFile_;
};

}  // namespace ombrix
