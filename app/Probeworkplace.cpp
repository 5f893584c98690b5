#include "Probeworkplace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "FileRead.h"
#include "LimitsSettings.h"
#include "SafeFile.h"

namespace ombrix {

namespace {

constexpr const char* kProperties = "Properties";
constexpr const char* kForm = "Form";
constexpr const char* kGraph = "Graph";
constexpr const char* kHistogram = "Histogram";
constexpr const char* kArchive = "Archive";
constexpr const char* kDefaultDeviceName = "Ombrix adapter";

}  // namespace

TProbeWorkplace::TProbeWorkplace(QString iniFileName) : iniFileName_(std::move(iniFileName)) {}

TProbeWorkplace::~TProbeWorkplace() = default;

QString TProbeWorkplace::IniFileNameFor(const QString& programPath) {
  const QFileInfo program(programPath);
  const QString suffix = program.suffix();
  QString base = programPath;
  if (!suffix.isEmpty()) base.chop(suffix.size() + 1);
  return base + QStringLiteral(".INI");
}

QString TProbeWorkplace::DefaultIniFileName() {
  return IniFileNameFor(QCoreApplication::applicationFilePath());
}

TProbeWorkplace::SettingsLocation TProbeWorkplace::LocateSettings(const QString& programPath) {
  const QString beside = IniFileNameFor(programPath);
  const QFileInfo besideInfo(beside);
  const bool folderWritable = QFileInfo(besideInfo.absolutePath()).isWritable();
  const QFileInfo shipped(QFileInfo(programPath).absolutePath() +
                          QStringLiteral("/../share/ombrix/ombrix.INI"));
  // The atomic save writes a new file beside the old one and renames it: both the file and its
  // folder must be writable. Without a file beside it, an installed program (one with shipped
  // defaults) keeps its settings in the user's folder; a portable copy or the build tree keeps
  // them beside it.
  if (besideInfo.exists() ? besideInfo.isFile() && besideInfo.isWritable() && folderWritable
                          : folderWritable && !shipped.isFile()) {
    return {beside, QString()};
  }
  const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                       QStringLiteral("/ombrix/ombrix.INI");
  if (QFileInfo::exists(user)) return {user, QString()};
  if (besideInfo.isFile()) return {user, beside};
  return {user, shipped.isFile() ? shipped.canonicalFilePath() : QString()};
}

QString TProbeWorkplace::PrepareSettings(const QString& programPath) {
  const SettingsLocation location = LocateSettings(programPath);
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

bool TProbeWorkplace::Load() {
  IniFile = std::make_unique<TIniFile>(iniFileName_);
  TIniFile& ini = *IniFile;
  ComNumber = ini.ReadInteger(kProperties, "ComNumber", -1);
  DeviceName = ini.ReadString(kProperties, "DeviceName", kDefaultDeviceName);
  if (ComNumber == -1) return false;

  Top = ini.ReadInteger(kForm, "Top", 0);
  Left = ini.ReadInteger(kForm, "Left", 0);
  Width = ini.ReadInteger(kForm, "Width", 800);
  Height = ini.ReadInteger(kForm, "Height", 600);
  Maximized = ini.ReadBool(kForm, "State", false);
  Graph3D = ini.ReadBool(kGraph, "Graph3D", true);
  GraphDate = ini.ReadBool(kGraph, "GraphDate", false);
  Histogram3D = ini.ReadBool(kHistogram, "Histogram3D", true);
  MinTemperature = ini.ReadFloat(kGraph, "MinTemperature", 0.0f);
  MaxTemperature = ini.ReadFloat(kGraph, "MaxTemperature", 40.0f);
  Test = ini.ReadBool(kProperties, "Test", false);
  EnableOff = ini.ReadBool(kProperties, "EnableOff", false);
  ArchiveEnabled = ini.ReadBool(kArchive, "Enabled", true);
  ArchiveDatabase = ini.ReadString(kArchive, "Database", "");
  FullDownload = ini.ReadBool(kArchive, "FullDownload", false);
  // The code page of probe texts; read like the two switches above and never written.
  codePage_ = TCodePage(ini.ReadString(kProperties, "CodePage", TCodePage::kDefault));
  return true;
}

void TProbeWorkplace::Save() {
  if (!Initialized) return;
  // Read again: keys the program does not own, and edits made while it ran, stay as they are.
  IniFile = std::make_unique<TIniFile>(iniFileName_);
  TIniFile& ini = *IniFile;
  ini.WriteInteger(kProperties, "ComNumber", ComNumber);
  ini.WriteString(kProperties, "DeviceName", DeviceName);
  ini.WriteInteger(kForm, "Top", Top);
  ini.WriteInteger(kForm, "Left", Left);
  ini.WriteInteger(kForm, "Width", Width);
  ini.WriteInteger(kForm, "Height", Height);
  ini.WriteBool(kForm, "State", Maximized);
  ini.WriteBool(kGraph, "Graph3D", Graph3D);
  ini.WriteBool(kGraph, "GraphDate", GraphDate);
  ini.WriteBool(kHistogram, "Histogram3D", Histogram3D);
  ini.WriteFloat(kGraph, "MinTemperature", MinTemperature);
  ini.WriteFloat(kGraph, "MaxTemperature", MaxTemperature);
  ini.Commit();
}

bool TProbeWorkplace::NewProbe() {
  // Deleting the old probe object closes its adapter link before the new one may open it.
  Probe.reset();
  Probe = std::make_unique<TProbe>();
  ErrorCode = errUndefined;
  if (ComNumber < 0) {
    ErrorCode = errUninitialized;
    return false;
  }
  Probe->SetAdapterName(DeviceName);
  Initialized = true;
  return true;
}

void TProbeWorkplace::HoldRecord(std::unique_ptr<const TProbeRecord> record, RecordOrigin origin) {
  Record = std::move(record);
  Origin = std::move(origin);
  ++recordGeneration_;
}

void TProbeWorkplace::DropRecord() {
  HoldRecord(std::make_unique<TProbeRecord>());
  Modified = false;
}

std::string TProbeWorkplace::ArchiveLocationText() const {
  const std::string& named = !ArchiveOverride.empty() ? ArchiveOverride : ArchiveDatabase;
  if (named.empty()) return DefaultArchivePath();
  ArchiveLocation location;
  std::string error;
  return ParseArchiveLocation(named, location, error) ? location.Text() : named;
}

TArchive* TProbeWorkplace::OpenArchive(std::string& error) {
  if (archive_) return archive_.get();
  const std::string& named = !ArchiveOverride.empty() ? ArchiveOverride : ArchiveDatabase;
  ArchiveLocation location;
  if (!ParseArchiveLocation(named.empty() ? DefaultArchivePath() : named, location, error)) {
    return nullptr;
  }
  auto archive = std::make_unique<TArchive>(location);
  if (!archive->Open(error)) return nullptr;
  archive_ = std::move(archive);
  return archive_.get();
}

TemperatureLimits TProbeWorkplace::LimitsFor(std::optional<std::uint64_t> serial) const {
  return IniFile ? ReadLimits(*IniFile, serial) : TemperatureLimits{};
}

bool TProbeWorkplace::HasOwnLimits(std::uint64_t serial) const {
  return IniFile && ombrix::HasOwnLimits(*IniFile, serial);
}

void TProbeWorkplace::StoreLimits(std::optional<std::uint64_t> serial,
                                  const TemperatureLimits& limits) {
  auto ini = std::make_unique<TIniFile>(iniFileName_);
  WriteLimits(*ini, serial, limits);
  ini->Commit();
  IniFile = std::move(ini);
}

QString TProbeWorkplace::ErrorText() const {
  switch (ErrorCode) {
    case errNone:
      return QStringLiteral("No error");
    case errOpenCom:
      return QStringLiteral("Unable open COM");
    case errComParameters:
      return QStringLiteral("Unable set parameters");
    case errUninitialized:
      return QStringLiteral("Application uninitialized, change Properties !");
    default:
      return QStringLiteral("Undefined error");
  }
}

}  // namespace ombrix
