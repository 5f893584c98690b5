#pragma once

#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

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
  // Moves the lab's time on, as if that much had passed while nobody looked.
  void Advance(std::int64_t milliseconds) { offset_ += milliseconds; }

 private:
  Clock& base_;
  std::int64_t offset_;
};

// How a lab is set up. The window runs it on the computer's clock with a faster link; ombrix-cli
// on a clock of its own that only the link's pauses and --advance move, at the hardware's pace.
struct VirtualLabOptions {
  enum class ClockMode {
    kFollowComputer,  // the lab's time runs with the current clock
    kVirtual,         // the lab's time moves only by the link's pauses and `advanceMilliseconds`;
                      // threads that take part in its LockstepClock share it
  };
  // The scenario a new lab is built from; empty for the default one.
  std::string scenario;
  // When set, a kept lab whose scenario is another than `scenario` is refused (kUsage) instead
  // of continuing its own.
  bool scenarioMustMatch = false;
  // The file the lab is kept in between runs; empty for a lab that lives as long as the object.
  QString stateFile;
  ClockMode clock = ClockMode::kFollowComputer;
  // How many times faster than the hardware the link runs.
  double speed = 1.0;
  // Moves the lab's clock on by this much once it is built.
  std::optional<std::int64_t> advanceMilliseconds;
};

// The built-in virtual adapter for one run of a front end: a scenario's bus, or the lab kept in a
// state file (probes, memory, clock, fault lines) taken up where the last run left it. The bus is
// the process's driver, and the lab's clock the process's clock, for the lab's life. A lab keeps
// its downloads in an archive of its own, never among the user's real ones.
class VirtualLab {
 public:
  enum class Failure {
    kNone,
    kState,  // the state file cannot be read, or does not fit its scenario
    kUsage,  // the options contradict the kept lab
  };
  struct Result {
    Failure failure = Failure::kNone;
    std::string error;  // what went wrong, for the front end to show
    explicit operator bool() const { return failure == Failure::kNone; }
  };

  explicit VirtualLab(VirtualLabOptions options);
  VirtualLab(const VirtualLab&) = delete;
  VirtualLab& operator=(const VirtualLab&) = delete;
  ~VirtualLab();

  // The state file's own archive beside it: "<state file>.archive.sqlite".
  static QString ArchiveBeside(const QString& stateFile);
  // Where this lab's downloads are stored unless the user names an archive: beside the state
  // file, or in a temporary folder removed with the lab. Known from construction on, so that a
  // front end can check its command line before the lab is opened; empty when no temporary
  // folder can be made (Open then fails).
  QString ArchivePath() const;
  // The archive location a front end stores this lab's downloads in: the one the user names
  // (--archive) when there is one, else the lab's own; never the user's own archive.
  std::string ArchiveFor(const std::string& given) const;

  // Builds the lab (from the state file when it exists, else from the scenario) and makes it the
  // process's driver and clock.
  [[nodiscard]] Result Open();
  // Writes the lab back to its state file, if it has one.
  [[nodiscard]] Result Save();

 private:
  // Reads the state file; kMissing leaves `restore` false.
  Result ReadState(bool& restore);

  VirtualLabOptions options_;
  std::optional<QTemporaryDir> archiveFolder_;
  std::unique_ptr<Clock> clock_;
  std::optional<ScopedClock> clockScope_;
  std::unique_ptr<VirtualBus> bus_;
  std::optional<ScopedDriver> driverScope_;
  VirtualState state_;
};

}  // namespace ombrix
