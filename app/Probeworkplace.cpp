#include "Probeworkplace.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace ombrix {

namespace {

constexpr const char* kProperties = "Properties";
constexpr const char* kForm = "Form";
constexpr const char* kGraph = "Graph";
constexpr const char* kHistogram = "Histogram";
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

bool TProbeWorkplace::Load() {
  IniFile = std::make_shared<TIniFile>(iniFileName_);
  TIniFile& ini = *IniFile;
  common_.Use(IniFile);
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
  // The code page of probe texts; read like the two switches above and never written.
  codePage_ = TCodePage(ini.ReadString(kProperties, "CodePage", TCodePage::kDefault));
  return true;
}

void TProbeWorkplace::Save() {
  if (!Initialized) return;
  // Read again: keys the program does not own, and edits made while it ran, stay as they are.
  IniFile = std::make_shared<TIniFile>(iniFileName_);
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

TArchive* TProbeWorkplace::OpenArchive(std::string& error) {
  if (archive_) return archive_.get();
  ArchiveLocation location;
  if (!common_.ArchiveLocationFor(location, error)) return nullptr;
  auto archive = std::make_unique<TArchive>(location);
  if (!archive->Open(error)) return nullptr;
  archive_ = std::move(archive);
  return archive_.get();
}

std::string TProbeWorkplace::AppendAudit(const AuditEvent& event) {
  if (!common_.archiveEnabled) return {};
  std::string error;
  TArchive* archive = OpenArchive(error);
  if (archive && archive->Append(CurrentActor(OMBRIX_VERSION), event, error)) return {};
  return error;
}

QString TProbeWorkplace::ErrorText() const {
  switch (ErrorCode) {
    case errNone:
      return QCoreApplication::translate("TProbeWorkplace", "No error");
    case errOpenCom:
      return QCoreApplication::translate("TProbeWorkplace", "Unable open COM");
    case errComParameters:
      return QCoreApplication::translate("TProbeWorkplace", "Unable set parameters");
    case errUninitialized:
      return QCoreApplication::translate("TProbeWorkplace",
                                         "Application uninitialized, change Properties !");
    default:
      return QCoreApplication::translate("TProbeWorkplace", "Undefined error");
  }
}

}  // namespace ombrix
