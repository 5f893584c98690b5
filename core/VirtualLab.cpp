#include "VirtualLab.h"

#include <QDir>
#include <QFile>

#include "Bytes.h"
#include "FileRead.h"
#include "SafeFile.h"
#include "Scenarios.h"

namespace ombrix {

namespace {

constexpr const char* kArchiveSuffix = ".archive.sqlite";

}  // namespace

VirtualLab::VirtualLab(VirtualLabOptions options) : options_(std::move(options)) {
  if (options_.stateFile.isEmpty()) {
    archiveFolder_.emplace(QDir::tempPath() + QStringLiteral("/ombrix-lab-XXXXXX"));
  }
}

VirtualLab::~VirtualLab() {
  // The driver goes before the bus, the clock after everything that may read it.
  driverScope_.reset();
  bus_.reset();
  clockScope_.reset();
}

QString VirtualLab::ArchiveBeside(const QString& stateFile) {
  return stateFile + QLatin1String(kArchiveSuffix);
}

std::string VirtualLab::ArchiveFor(const std::string& given) const {
  return given.empty() ? QFile::encodeName(ArchivePath()).toStdString() : given;
}

QString VirtualLab::ArchivePath() const {
  if (!archiveFolder_) return ArchiveBeside(options_.stateFile);
  if (!archiveFolder_->isValid()) return {};
  return archiveFolder_->filePath(QStringLiteral("archive.sqlite"));
}

VirtualLab::Result VirtualLab::ReadState(bool& restore) {
  restore = false;
  if (options_.stateFile.isEmpty()) return {};
  const QString& path = options_.stateFile;
  const FileBytes file = ReadRegularFile(path, kMaxVirtualStateFileSize);
  if (file.outcome == ReadOutcome::kMissing) return {};
  if (file.outcome != ReadOutcome::kRead) {
    return {Failure::kState, "the virtual state cannot be opened: " + file.error};
  }
  std::string why;
  if (!ParseVirtualState(file.bytes, state_, why)) {
    return {Failure::kState,
            "the virtual state " + ShownFileName(path) + " cannot be read: " + why};
  }
  if (options_.scenarioMustMatch && !options_.scenario.empty() &&
      options_.scenario != state_.scenario) {
    return {Failure::kUsage, "the virtual state " + ShownFileName(path) + " continues the " +
                                 Excerpt(state_.scenario) + " scenario, not " + options_.scenario};
  }
  restore = true;
  return {};
}

VirtualLab::Result VirtualLab::Open() {
  if (archiveFolder_ && !archiveFolder_->isValid()) {
    return {Failure::kState, "no temporary folder for the virtual lab's archive: " +
                                 archiveFolder_->errorString().toStdString()};
  }
  bool restore = false;
  if (Result read = ReadState(restore); !read) return read;
  // A kept lab continues its own scenario.
  const std::string scenario = restore                     ? state_.scenario
                               : options_.scenario.empty() ? std::string(scenario::kDefault)
                                                           : options_.scenario;

  Clock& base = CurrentClock();
  const std::int64_t start = restore ? state_.utcMilliseconds : base.UtcMilliseconds();
  if (options_.clock == VirtualLabOptions::ClockMode::kVirtual) {
    // Several threads (a station's adapters) may run on it, each on the same virtual time.
    clock_ = std::make_unique<LockstepClock>(start);
  } else {
    clock_ = std::make_unique<LabClock>(base, start);
  }
  clockScope_.emplace(*clock_);
  bus_ = std::make_unique<VirtualBus>(*clock_, LinkTiming::Faster(options_.speed));
  if (!BuildScenario(*bus_, scenario)) {
    return {Failure::kState, "the virtual state " + ShownFileName(options_.stateFile) +
                                 " names an unknown scenario " + Excerpt(scenario)};
  }
  std::string why;
  if (restore && !RestoreProbes(*bus_, state_, why)) {
    return {Failure::kState,
            "the virtual state " + ShownFileName(options_.stateFile) + " does not fit: " + why};
  }
  state_.scenario = scenario;
  driverScope_.emplace(*bus_);
  if (options_.advanceMilliseconds && *options_.advanceMilliseconds > 0) {
    if (auto* virtualClock = dynamic_cast<LockstepClock*>(clock_.get())) {
      virtualClock->Advance(*options_.advanceMilliseconds);
    } else {
      static_cast<LabClock&>(*clock_).Advance(*options_.advanceMilliseconds);
    }
  }
  return {};
}

VirtualLab::Result VirtualLab::Save() {
  if (options_.stateFile.isEmpty() || !bus_) return {};
  state_.utcMilliseconds = clock_->UtcMilliseconds();
  CaptureProbes(*bus_, state_);
  SafeFile file(options_.stateFile);
  if (file.IsOpen()) {
    file.Write(FormatVirtualState(state_));
    if (file.Commit()) return {};
  }
  return {Failure::kState, "the virtual state was not saved: " + file.Error()};
}

}  // namespace ombrix
