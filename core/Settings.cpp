#include "Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "FileRead.h"
#include "LimitsSettings.h"
#include "SafeFile.h"

namespace ombrix {

namespace {

constexpr const char* kArchive = "Archive";

}  // namespace

Settings::Location Settings::Locate(const QString& besideFile) {
  const QFileInfo beside(besideFile);
  // The atomic save writes a new file beside the old one and renames it: both the file and its
  // folder must be writable.
  if (beside.isFile() && beside.isWritable() && QFileInfo(beside.absolutePath()).isWritable()) {
    return {besideFile, QString()};
  }
  const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                       QStringLiteral("/ombrix/ombrix.INI");
  // Whatever stands there already (even a link to a file not there now) is the user's own.
  const QFileInfo userInfo(user);
  if (userInfo.exists() || userInfo.isSymLink()) return {user, QString()};
  if (beside.isFile()) return {user, besideFile};
  const QFileInfo shipped(beside.absolutePath() + QStringLiteral("/../share/ombrix/ombrix.INI"));
  return {user, shipped.isFile() ? shipped.canonicalFilePath() : QString()};
}

QString Settings::Prepare(const QString& besideFile) {
  const Location location = Locate(besideFile);
  if (!location.seedFrom.isEmpty()) {
    const FileBytes seed = ReadRegularFile(location.seedFrom, TIniFile::kMaxFileSize);
    if (seed.outcome == ReadOutcome::kRead &&
        QDir().mkpath(QFileInfo(location.file).absolutePath())) {
      SafeFile copy(location.file);
      copy.Write(seed.bytes);
      copy.Commit();
    }
  }
  return location.file;
}

void Settings::Use(std::shared_ptr<const TIniFile> ini) {
  ini_ = std::move(ini);
  archiveEnabled = !ini_ || ini_->ReadBool(kArchive, "Enabled", true);
  archiveDatabase = ini_ ? ini_->ReadString(kArchive, "Database", "") : std::string();
  fullDownload = ini_ && ini_->ReadBool(kArchive, "FullDownload", false);
}

TemperatureLimits Settings::LimitsFor(std::optional<std::uint64_t> serial) const {
  return ini_ ? ReadLimits(*ini_, serial) : TemperatureLimits{};
}

bool Settings::HasOwnLimits(std::uint64_t serial) const {
  return ini_ && ombrix::HasOwnLimits(*ini_, serial);
}

bool Settings::LimitsFor(std::optional<std::uint64_t> serial, const GivenLimits& given,
                         TemperatureLimits& limits, std::string& error) const {
  limits = LimitsFor(serial);
  if (given.low) limits.low = *given.low;
  if (given.high) limits.high = *given.high;
  if (given.delayMinutes) limits.delayMinutes = *given.delayMinutes;
  if (CheckLimits(limits, error)) return true;
  if (ini_) {
    error = "the limits given and those in " + ShownFileName(ini_->FileName()) +
            " together are not usable: " + error;
  }
  return false;
}

void Settings::StoreLimits(const QString& file, std::optional<std::uint64_t> serial,
                           const TemperatureLimits& limits) {
  auto ini = std::make_shared<TIniFile>(file);
  WriteLimits(*ini, serial, limits);
  ini->Commit();
  ini_ = std::move(ini);
}

std::string Settings::ArchiveName() const {
  if (!archiveOverride.empty()) return archiveOverride;
  return archiveDatabase.empty() ? DefaultArchivePath() : archiveDatabase;
}

bool Settings::ArchiveLocationFor(ArchiveLocation& location, std::string& error) const {
  return ParseArchiveLocation(ArchiveName(), location, error);
}

std::string Settings::ArchiveLocationText() const {
  ArchiveLocation location;
  std::string error;
  const std::string name = ArchiveName();
  return ParseArchiveLocation(name, location, error) ? location.Text() : name;
}

}  // namespace ombrix
