#include "VirtualLab.h"

#include "FileRead.h"
#include "SafeFile.h"
#include "Scenarios.h"

namespace ombrix {

VirtualLab::~VirtualLab() {
  // The driver goes before the bus, the clock after everything that may read it.
  driverScope_.reset();
  bus_.reset();
  clockScope_.reset();
}

bool VirtualLab::Open(const QString& scenario, const QString& stateFile, double speed,
                      QString* error) {
  stateFile_ = stateFile;
  std::string name = scenario.toStdString();
  bool restore = false;
  if (!stateFile.isEmpty()) {
    FileBytes file = ReadRegularFile(stateFile, kMaxVirtualStateFileSize);
    if (file.outcome != ReadOutcome::kMissing) {
      std::string why;
      if (file.outcome != ReadOutcome::kRead) {
        *error = QString::fromStdString(file.error);
        return false;
      }
      if (!ParseVirtualState(file.bytes, state_, why)) {
        *error =
            QStringLiteral("the virtual state %1 cannot be read: %2")
                .arg(QString::fromStdString(ShownFileName(stateFile)), QString::fromStdString(why));
        return false;
      }
      // A kept lab continues its own scenario.
      name = state_.scenario;
      restore = true;
    }
  }
  Clock& base = CurrentClock();
  if (restore) {
    clock_ = std::make_unique<LabClock>(base, state_.utcMilliseconds);
    clockScope_.emplace(*clock_);
  }
  bus_ = std::make_unique<VirtualBus>(CurrentClock(), LinkTiming::Faster(speed));
  std::string why;
  if (!BuildScenario(*bus_, name) || (restore && !RestoreProbes(*bus_, state_, why))) {
    *error = QStringLiteral("the virtual state %1 does not fit its scenario %2%3")
                 .arg(QString::fromStdString(ShownFileName(stateFile)),
                      QString::fromStdString(Excerpt(name)),
                      why.empty() ? QString() : QStringLiteral(": ") + QString::fromStdString(why));
    return false;
  }
  state_.scenario = name;
  driverScope_.emplace(*bus_);
  return true;
}

bool VirtualLab::Save(QString* error) {
  if (stateFile_.isEmpty() || !bus_) return true;
  state_.utcMilliseconds = CurrentClock().UtcMilliseconds();
  CaptureProbes(*bus_, state_);
  SafeFile file(stateFile_);
  if (file.IsOpen()) {
    file.Write(FormatVirtualState(state_));
    if (file.Commit()) return true;
  }
  *error = QStringLiteral("the virtual state was not saved: %1")
               .arg(QString::fromStdString(file.Error()));
  return false;
}

}  // namespace ombrix
