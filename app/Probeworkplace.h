#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Archive.h"
#include "CodePage.h"
#include "IniFile.h"
#include "Presence.h"
#include "Probe.h"
#include "RecordOrigin.h"
#include "Settings.h"
#include "Statistics.h"

namespace ombrix {

// The main window's session: the settings kept in the program's INI file, the session's probe
// object, the record file's name and the session flags. It reads the INI file once at start-up
// (Load) and writes it once at close (Save), and only while a session was started. The poll
// timer's presence decisions act on it.
class TProbeWorkplace : public PresenceSession {
 public:
  // FileName's mark for "no file".
  static constexpr const char* kNoFile = "0";

  // The error codes that ErrorText knows.
  enum ErrorCodes : std::int8_t {
    errUndefined = 0,
    errNone = 1,
    errOpenCom = 2,
    errComParameters = 3,
    errUninitialized = 4,
  };

  // iniFileName: the settings file; by default the one next to the running program.
  explicit TProbeWorkplace(QString iniFileName = DefaultIniFileName());
  ~TProbeWorkplace();
  TProbeWorkplace(const TProbeWorkplace&) = delete;
  TProbeWorkplace& operator=(const TProbeWorkplace&) = delete;

  // The program's path with its extension replaced by ".INI" ("ombrix" gives "ombrix.INI",
  // "X.exe" gives "X.INI").
  static QString IniFileNameFor(const QString& programPath);
  static QString DefaultIniFileName();

  // Reads the settings. False, with only ComNumber and DeviceName read, when the program is not
  // configured (ComNumber -1).
  bool Load();
  // Writes the twelve settings the program keeps, if a session was started: the file is read
  // again first and only those keys change, so that other keys and edits made while the program
  // ran are kept. Throws IniWriteError when the file cannot be read or written.
  void Save();
  // Replaces the probe object by a fresh one (always); the held record stays. False, with
  // ErrorCode 4, when the program is not configured; otherwise the adapter description is applied
  // and the session started.
  bool NewProbe();
  // The held record becomes the given one (a completed download or an opened file), and the
  // origin says which.
  void HoldRecord(std::unique_ptr<const TProbeRecord> record, RecordOrigin origin = {});
  // The held record becomes an empty one, and nothing is left unsaved.
  void DropRecord();
  // Counts the records held so far: changes whenever Record is replaced.
  std::uint64_t RecordGeneration() const { return recordGeneration_; }
  QString ErrorText() const;

  // The settings the window shares with ombrix-cli: the archive and the limits.
  Settings& Common() { return common_; }
  const Settings& Common() const { return common_; }
  // The temperature limits of the probe with that serial number (see Settings::LimitsFor).
  TemperatureLimits LimitsFor(std::optional<std::uint64_t> serial) const {
    return common_.LimitsFor(serial);
  }

  // What the presence decisions act on.
  TProbe& LiveProbe() override { return *Probe; }
  bool HoldsUnsavedRecord() const override { return Modified; }
  void DropHeldRecord() override { DropRecord(); }
  void ReplaceProbe() override { NewProbe(); }

  // Writes the limits as the probe's own (or, without a serial, as the defaults) and puts the
  // settings file on disk at once, so that the probe keeps them from download to download.
  // Throws IniWriteError; the settings held are then as before.
  void StoreLimits(std::optional<std::uint64_t> serial, const TemperatureLimits& limits) {
    common_.StoreLimits(iniFileName_, serial, limits);
  }

  // The archive every download is stored in (Settings::ArchiveName), opened on first use. Null,
  // with `error` saying why, when it cannot be opened.
  TArchive* OpenArchive(std::string& error);
  // Appends the event, done by this user now, to that archive's audit trail when the settings
  // keep an archive. "" when it is recorded or no archive is kept, else why it is not.
  std::string AppendAudit(const AuditEvent& event);

  // Probe texts (8-bit, in the configured code page) for the window, and back.
  QString ToText(std::string_view bytes) const { return codePage_.ToUnicode(bytes); }
  std::string ToBytes(const QString& text) const { return codePage_.FromUnicode(text); }
  const TCodePage& CodePage() const { return codePage_; }

  const QString& IniFileName() const { return iniFileName_; }

  // True when FileName names a record file (not the mark for no file, nor empty before the
  // first File New).
  bool HasFile() const { return !FileName.isEmpty() && FileName != QLatin1String(kNoFile); }

  // The live probe: the link and the probe's status as last read.
  std::unique_ptr<TProbe> Probe;
  // The held record: what the views, files, export and report show. Never null; only a completed
  // download, an opened file or DropRecord replaces it.
  std::unique_ptr<const TProbeRecord> Record = std::make_unique<TProbeRecord>();
  // Where Record came from.
  RecordOrigin Origin;
  std::int32_t ComNumber = -1;
  std::string DeviceName;
  QString FileName;
  bool Initialized = false;
  // The held record was never saved: set by a successful data download, cleared by File New,
  // Open, Save and Save As. Every step that would drop the record asks while it is set.
  bool Modified = false;
  // The settings below hold the key table's defaults until Load reads them.
  std::int32_t Top = 0;
  std::int32_t Left = 0;
  std::int32_t Width = 800;
  std::int32_t Height = 600;
  bool Maximized = false;
  bool Graph3D = true;
  bool GraphDate = false;
  bool Histogram3D = true;
  float MinTemperature = 0.0f;
  float MaxTemperature = 40.0f;
  bool Test = false;
  bool EnableOff = false;
  std::int8_t ErrorCode = errUndefined;
  std::shared_ptr<TIniFile> IniFile;

 private:
  QString iniFileName_;
  TCodePage codePage_;
  std::uint64_t recordGeneration_ = 0;
  Settings common_;
  std::unique_ptr<TArchive> archive_;
};

}  // namespace ombrix
