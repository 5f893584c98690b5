#include "StationConfig.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTime>

#include "TimeConversion.h"

namespace ombrix {

namespace {

constexpr std::string_view kFormatLetters = "yMdHms";
constexpr std::string_view kFormatSeparators = "-_. ";

// A refusal of the name pattern in the program's language: English in ombrix-cli, the window's
// language in the window's station settings.
std::string Said(const char* source, const std::string& argument = {}) {
  QString text = QCoreApplication::translate("StationConfig", source);
  if (!argument.empty()) text = text.arg(QString::fromStdString(argument));
  return text.toStdString();
}

bool PlainPlaceholder(std::string_view name) {
  return name == "serial" || name == "name" || name == "adapter" || name == "samples" ||
         name == "entry";
}

bool TimePlaceholder(std::string_view name) {
  return name == "missionstart" || name == "download";
}

// Calls `each` with every placeholder's text between its braces; false at an unclosed brace.
template <typename Each>
bool Placeholders(const std::string& pattern, std::string& literal, Each each) {
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '{') {
      literal += pattern[i];
      continue;
    }
    const std::size_t close = pattern.find('}', i);
    if (close == std::string::npos) return false;
    each(std::string_view(pattern).substr(i + 1, close - i - 1));
    i = close;
  }
  return true;
}

// Characters no file name should hold, and "/" that would make a folder of a probe's name.
std::string FileNamePart(const std::string& text) {
  std::string part;
  for (unsigned char c : text) {
    const bool unsafe = c < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
                        c == '"' || c == '<' || c == '>' || c == '|' || c == 0x7F;
    part += unsafe ? '_' : static_cast<char>(c);
  }
  if (part.empty() || part == "." || part == "..") part = "_";
  return part;
}

std::string TimeText(std::int64_t seconds, std::string_view format) {
  int year, month, day, hour, minute, second;
  SecondsToLocalTime(seconds, year, month, day, hour, minute, second);
  // The fields are the program's own local time already; UTC keeps Qt from shifting them.
  const QDateTime time(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC);
  return time.toString(QString::fromLatin1(format.data(), static_cast<int>(format.size())))
      .toStdString();
}

}  // namespace

bool CheckStationPattern(const std::string& pattern, std::string& error) {
  std::string literal;
  std::string bad;
  const bool closed = Placeholders(pattern, literal, [&](std::string_view inner) {
    const std::size_t colon = inner.find(':');
    const std::string_view name = inner.substr(0, colon);
    bool known = colon == std::string_view::npos ? PlainPlaceholder(name) : TimePlaceholder(name);
    if (colon != std::string_view::npos) {
      const std::string_view format = inner.substr(colon + 1);
      known = known && !format.empty();
      for (char c : format) {
        known = known && (kFormatLetters.find(c) != std::string_view::npos ||
                          kFormatSeparators.find(c) != std::string_view::npos);
      }
    }
    if (!known && bad.empty()) bad = "{" + std::string(inner) + "}";
  });
  if (!closed) {
    error =
        Said(QT_TRANSLATE_NOOP("StationConfig", "the name pattern has a \"{\" without its \"}\""));
  } else if (!bad.empty()) {
    error = Said(QT_TRANSLATE_NOOP("StationConfig",
                                   "the name pattern has an unknown placeholder %1; it takes "
                                   "{serial}, {name}, {adapter}, {samples}, {entry}, "
                                   "{missionstart:FORMAT} and {download:FORMAT}"),
                 bad);
  } else if (pattern.empty() || pattern.front() == '/' || pattern.back() == '/') {
    error = Said(
        QT_TRANSLATE_NOOP("StationConfig", "the name pattern must name a file inside the folder"));
  } else if (("/" + literal + "/").find("/../") != std::string::npos) {
    error =
        Said(QT_TRANSLATE_NOOP("StationConfig", "the name pattern must not leave the folder (..)"));
  } else {
    return true;
  }
  return false;
}

std::string ExpandStationPattern(const std::string& pattern, const TProbeRecord& record,
                                 const std::string& adapterSerial, std::int64_t entryId) {
  std::string out;
  std::string serial;
  for (char c : record.SerialNumberText()) {
    if (c != ' ') serial += c;
  }
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(record.DownloadTime, year, month, day, hour, minute, second, millisecond);
  const std::int64_t downloadSeconds = LocalTimeToSeconds(year, month, day, hour, minute, second);
  std::size_t from = 0;
  // Expands in order: literal text between placeholders is copied as it stands.
  while (from < pattern.size()) {
    const std::size_t open = pattern.find('{', from);
    out += pattern.substr(from, open == std::string::npos ? std::string::npos : open - from);
    if (open == std::string::npos) break;
    const std::size_t close = pattern.find('}', open);
    const std::string_view inner = std::string_view(pattern).substr(open + 1, close - open - 1);
    const std::size_t colon = inner.find(':');
    const std::string_view name = inner.substr(0, colon);
    if (name == "serial") {
      out += serial;
    } else if (name == "name") {
      out += FileNamePart(record.Name);
    } else if (name == "adapter") {
      out += FileNamePart(adapterSerial);
    } else if (name == "samples") {
      out += std::to_string(record.HeldSamples());
    } else if (name == "entry") {
      out += std::to_string(entryId);
    } else if (name == "missionstart") {
      out += TimeText(record.MissionStartSeconds, inner.substr(colon + 1));
    } else if (name == "download") {
      out += TimeText(downloadSeconds, inner.substr(colon + 1));
    }
    from = close + 1;
  }
  return out;
}

bool ReadRearmPlan(const TIniFile* ini, const std::string& name, RearmPlan& plan,
                   std::string& error) {
  const std::string section = "Launch " + name;
  const auto value = [&](const char* key) {
    return ini ? ini->Value(section, key) : std::optional<std::string>();
  };
  if (!value("Rate")) {
    error = "the settings have no re-arm configuration [" + section + "] with its Rate";
    return false;
  }
  RearmPlan read;
  read.configName = name;
  read.rate = ini->ReadInteger(section, "Rate", 0);
  read.rollover = ini->ReadBool(section, "Rollover", false);
  const std::string start = ini->ReadString(section, "Start", "next-minute");
  read.delayMinutes = ini->ReadInteger(section, "Delay", 0);
  read.probeName = value("Name");
  read.comment = value("Comment");
  if (read.rate < 1 || read.rate > 255) {
    error = "[" + section + "] Rate is 1 to 255 minutes";
  } else if (start == "immediately") {
    read.start = RearmPlan::Start::kImmediately;
  } else if (start == "next-minute") {
    read.start = RearmPlan::Start::kNextMinute;
  } else if (start == "delay" && read.delayMinutes >= 1 && read.delayMinutes <= 250) {
    read.start = RearmPlan::Start::kDelay;
  } else if (start == "delay") {
    error = "[" + section + "] Start=delay needs Delay=1 to 250 minutes";
  } else {
    error = "[" + section + "] Start is immediately, next-minute or delay";
  }
  if (!error.empty()) return false;
  plan = read;
  return true;
}

const char* StationExportName(StationExport form) {
  switch (form) {
    case StationExport::kNone:
      return "none";
    case StationExport::kText:
      return "text";
    case StationExport::kCsv:
      return "csv";
  }
  return "none";
}

bool ParseStationExport(const std::string& text, StationExport& form) {
  for (StationExport f : {StationExport::kNone, StationExport::kText, StationExport::kCsv}) {
    if (text == StationExportName(f)) {
      form = f;
      return true;
    }
  }
  return false;
}

bool ReadStationSettings(const TIniFile* ini, StationSettings& settings, std::string& error) {
  StationSettings read;
  if (!ini) {
    settings = read;
    return true;
  }
  read.folder = ini->ReadString("Station", "Folder", "");
  read.pattern = ini->ReadString("Station", "Pattern", kDefaultStationPattern);
  if (read.pattern.empty()) read.pattern = kDefaultStationPattern;
  read.report = ini->ReadBool("Station", "Report", false);
  read.rearm = ini->ReadString("Station", "Rearm", "");
  const std::string exportForm = ini->ReadString("Station", "Export", "none");
  settings = read;
  if (!exportForm.empty() && !ParseStationExport(exportForm, settings.exportForm)) {
    error = "[Station] Export is none, text or csv";
    return false;
  }
  return true;
}

bool CheckStationSettings(const TIniFile* ini, const StationSettings& settings,
                          std::optional<RearmPlan>& plan, std::string& error) {
  if (!CheckStationPattern(settings.pattern, error)) return false;
  if (settings.rearm.empty()) {
    plan.reset();
    return true;
  }
  RearmPlan read;
  if (!ReadRearmPlan(ini, settings.rearm, read, error)) return false;
  plan = read;
  return true;
}

bool WriteStationSettings(TIniFile& ini, const StationSettings& settings, std::string& error) {
  std::optional<RearmPlan> plan;
  if (!CheckStationSettings(&ini, settings, plan, error)) return false;
  TIniFile changed = ini;
  changed.WriteString("Station", "Folder", settings.folder);
  changed.WriteString("Station", "Pattern", settings.pattern);
  changed.WriteString("Station", "Export", StationExportName(settings.exportForm));
  changed.WriteBool("Station", "Report", settings.report);
  changed.WriteString("Station", "Rearm", settings.rearm);
  try {
    changed.Commit();
  } catch (const IniWriteError& e) {
    error = e.what();
    return false;
  }
  ini = std::move(changed);
  return true;
}

std::vector<std::string> LaunchConfigurationNames(const TIniFile* ini) {
  std::vector<std::string> names;
  if (!ini) return names;
  for (const std::string& section : ini->Sections()) {
    if (section.size() > 7 && section.rfind("Launch ", 0) == 0) names.push_back(section.substr(7));
  }
  return names;
}

bool ApplyStationSettings(const StationSettings& settings, std::optional<RearmPlan> rearm,
                          StationConfig& config) {
  config.folder = QFile::decodeName(settings.folder.empty() ? "." : settings.folder.c_str());
  config.pattern = settings.pattern;
  config.exportForm = settings.exportForm;
  config.rearm = std::move(rearm);
  return QDir(config.folder).exists() || QDir().mkpath(config.folder);
}

}  // namespace ombrix
