#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Archive.h"
#include "IniFile.h"
#include "Statistics.h"

namespace ombrix {

// The settings both programs honour, read from the one settings file both find by the same rule:
// where downloads are archived ([Archive] Enabled, Database, FullDownload) and the temperature
// limits ([Limits] and [Limits SERIAL]). The window keeps its own window settings beside these.
class Settings {
 public:
  // Where the settings live, given the file beside the program ("bin/ombrix.INI"): that file
  // while it exists and can be written in place (a portable copy, the build tree); otherwise
  // "ombrix.INI" in the user's configuration folder ($XDG_CONFIG_HOME/ombrix), which is seeded
  // from the copy beside the program or, without one, from the shipped defaults
  // (share/ombrix/ombrix.INI beside the program's bin folder) while it does not exist yet.
  struct Location {
    QString file;
    QString seedFrom;  // empty when the file needs no seeding
  };
  static Location Locate(const QString& besideFile);
  // Locate, then the seeding; returns the file. The user's file, once there, is never replaced.
  // A seed that cannot be copied leaves the program unconfigured, as a missing file does.
  static QString Prepare(const QString& besideFile);

  // Limits as the command line gives them, each in place of the one the settings keep; an inner
  // nullopt switches that limit off.
  struct GivenLimits {
    std::optional<std::optional<double>> low, high;
    std::optional<int> delayMinutes;
  };

  // No file: the defaults.
  Settings() = default;
  // Takes the values from the settings as read (`ini` may be null: nothing read).
  explicit Settings(std::shared_ptr<const TIniFile> ini) { Use(std::move(ini)); }
  void Use(std::shared_ptr<const TIniFile> ini);
  // The settings as read, or null.
  const TIniFile* Ini() const { return ini_.get(); }

  // The probe's own limits when the settings give it any, else the defaults for all probes (none
  // without settings).
  TemperatureLimits LimitsFor(std::optional<std::uint64_t> serial) const;
  bool HasOwnLimits(std::uint64_t serial) const;
  // The limits a record of that probe is checked against: LimitsFor with what the command line
  // gives in place of the settings' values. False, with the reason, when they do not fit together.
  [[nodiscard]] bool LimitsFor(std::optional<std::uint64_t> serial, const GivenLimits& given,
                               TemperatureLimits& limits, std::string& error) const;
  // Writes the limits into `file` as the probe's own (or, without a serial, as the defaults),
  // after reading it again so that other keys and edits made meanwhile stay, and holds the file
  // as written. Throws IniWriteError; the settings held are then as before.
  void StoreLimits(const QString& file, std::optional<std::uint64_t> serial,
                   const TemperatureLimits& limits);

  // The archive: the location given on the command line, else the one the settings name, else
  // the user's own SQLite file.
  std::string ArchiveName() const;
  [[nodiscard]] bool ArchiveLocationFor(ArchiveLocation& location, std::string& error) const;
  // The location as shown to the user.
  std::string ArchiveLocationText() const;

  // [Archive] Enabled=0: no download is stored. Database: a SQLite file or postgresql://host/db
  // (credentials from ~/.pgpass or the environment, never here). FullDownload=1: the whole log
  // is read even when the archive holds its earlier part. Read, never written back.
  bool archiveEnabled = true;
  std::string archiveDatabase;
  bool fullDownload = false;
  // From the command line (--archive): takes the place of archiveDatabase.
  std::string archiveOverride;

 private:
  std::shared_ptr<const TIniFile> ini_;
};

}  // namespace ombrix
