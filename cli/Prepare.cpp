#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <tuple>

#include "CodePage.h"
#include "Commands.h"
#include "ExitCode.h"
#include "FigureTexts.h"
#include "FileRead.h"
#include "Probe.h"

namespace ombrix::cli {

namespace {

constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 as a TDateTime

// The sample rate as the Status page reads it: text that is not a whole number counts as 0.
int ReadRate(const std::string& text) {
  bool ok = false;
  const int rate = QString::fromStdString(text).trimmed().toInt(&ok);
  return ok ? rate : 0;
}

int ReadProbeText(const std::optional<std::string>& given, const char* what, int limit,
                  std::string& bytes, const Console& console) {
  if (!given) return kSuccess;
  if (!DefaultCodePage().TryFromUnicode(QString::fromUtf8(given->c_str()), bytes)) {
    console.Message(std::string("the ") + what + " holds characters that the probe cannot store");
    return kUsage;
  }
  if (static_cast<int>(bytes.size()) > limit) {
    console.Message(std::string("the ") + what + " is longer than the probe's " +
                    std::to_string(limit) + " characters");
    return kUsage;
  }
  return kSuccess;
}

// A file that a command will write: its folder must exist, and a file already there is replaced
// only with --yes.
int CheckTarget(const QString& path, bool yes, const Console& console) {
  const QFileInfo info(path);
  if (!info.absoluteDir().exists()) {
    console.Message("cannot write " + ShownFileName(path) + ": the folder does not exist");
    return kFileError;
  }
  if (info.isDir()) {
    console.Message("cannot write " + ShownFileName(path) + ": it is a folder");
    return kFileError;
  }
  // A FIFO or a device in the file's place is never written to or replaced.
  if (info.exists() && !info.isFile()) {
    console.Message("cannot write " + ShownFileName(path) + ": it is not a regular file");
    return kFileError;
  }
  if (info.exists() && !yes) {
    console.Message("File alrady exists. Do You want to overwrite it ? (" + ShownFileName(path) +
                    ": add --yes to replace it)");
    return kUsage;
  }
  return kSuccess;
}

bool SameFile(const QString& a, const QString& b) {
  return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

int PrepareLimits(const Options& options, const Console& console, Request& request) {
  for (auto [given, target, name] : {std::tuple{&options.low, &request.limits.low, "--low"},
                                     std::tuple{&options.high, &request.limits.high, "--high"}}) {
    if (!*given) continue;
    std::optional<double> value;
    if (!ParseLimit(**given, value)) {
      console.Message(std::string(name) + " takes a temperature in \u00B0C or off, not \"" +
                      Excerpt(**given) + "\"");
      return kUsage;
    }
    *target = value;
  }
  if (options.delay) {
    int minutes = 0;
    if (!ParseDelay(*options.delay, minutes)) {
      console.Message("--delay takes whole minutes from 0 to 10000, not \"" +
                      Excerpt(*options.delay) + "\"");
      return kUsage;
    }
    request.limits.delayMinutes = minutes;
  }
  TemperatureLimits given;
  given.low = request.limits.low.value_or(std::nullopt);
  given.high = request.limits.high.value_or(std::nullopt);
  std::string error;
  if (!CheckLimits(given, error)) {
    console.Message(error);
    return kUsage;
  }
  return kSuccess;
}

// The settings file of the window, found by the same rule: the program's folder holds the
// window's program too, and the file beside them is named after it.
void PrepareSettings(const Options& options, Request& request) {
  const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/ombrix.INI");
  const QString file = Settings::Prepare(beside);
  if (QFileInfo::exists(file)) request.settings.Use(std::make_shared<const TIniFile>(file));
  request.settings.archiveOverride = options.archive;
  request.storeDownload = !options.noArchive && request.settings.archiveEnabled;
  request.fullDownload = options.full || request.settings.fullDownload;
}

// archive list --limit and --offset: digits only, a whole number from `least`.
int ReadCount(const std::optional<std::string>& given, const char* option, std::int64_t least,
              std::int64_t& count, const Console& console) {
  if (!given) return kSuccess;
  const std::string& text = *given;
  std::int64_t value = 0;
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
      std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc() ||
      value < least) {
    console.Message(std::string(option) + " takes a whole number from " + std::to_string(least) +
                    ", not \"" + Excerpt(text) + "\"");
    return kUsage;
  }
  count = value;
  return kSuccess;
}

int PrepareArchive(const Options& options, const Console& console, Request& request) {
  std::string error;
  if (!request.settings.ArchiveLocationFor(request.archive, error)) {
    console.Message(error);
    return kUsage;
  }
  if (options.command != Command::kArchive) return kSuccess;
  switch (options.archiveCommand) {
    case ArchiveCommand::kList:
    case ArchiveCommand::kAudit:
      if (options.serial) {
        const std::optional<std::uint64_t> serial =
            figures::SerialNumberFromText(QString::fromStdString(*options.serial));
        if (!serial) {
          console.Message(
              "--serial takes the probe's serial number as status shows it (\"28 00 "
              "00 00 00 00 00 A2\") or as a record file keeps it "
              "(\"A200000000000028\"), not \"" +
              Excerpt(*options.serial) + "\"");
          return kUsage;
        }
        request.serial = serial;
      }
      if (options.since) {
        TDateTime since = 0;
        if (!ParseStartTime(*options.since, since)) {
          console.Message(
              "--since takes a date in the form the program shows it, or ISO 8601, "
              "not \"" +
              Excerpt(*options.since) + "\"");
          return kUsage;
        }
        request.sinceSeconds = DateTimeToProbeSeconds(since);
      }
      if (int code = ReadCount(options.limit, "--limit", 1, request.limit, console)) return code;
      return ReadCount(options.offset, "--offset", 0, request.offset, console);
    case ArchiveCommand::kExport:
      return CheckTarget(request.output, options.yes, console);
    default:
      return kSuccess;
  }
}

}  // namespace

bool ParseStartTime(const std::string& text, TDateTime& value) {
  const QString t = QString::fromUtf8(text.c_str()).trimmed();
  if (TextToDateTime(t, value)) return true;

  static const QRegularExpression iso(QStringLiteral(
      R"(^(\d{4})-(\d{2})-(\d{2})[Tt ](\d{2}):(\d{2})(?::(\d{2}))?(Z|z|[+-]\d{2}(?::?\d{2})?)?$)"));
  const QRegularExpressionMatch m = iso.match(t);
  if (!m.hasMatch()) return false;
  auto field = [&](int n) { return m.captured(n).toInt(); };
  TDateTime fields = 0;
  if (!TryEncodeDateTime(field(1), field(2), field(3), field(4), field(5), field(6), 0, fields)) {
    return false;
  }
  const QString zone = m.captured(7);
  if (zone.isEmpty()) {
    value = fields;
    return true;
  }
  // A time with a zone names an instant: it is converted to the program's time.
  int offsetMinutes = 0;
  if (zone.size() > 1) {
    const QString digits = zone.mid(1).remove(u':');
    offsetMinutes = digits.left(2).toInt() * 60 + digits.mid(2).toInt();
    if (zone[0] == u'-') offsetMinutes = -offsetMinutes;
  }
  const auto utcSeconds = static_cast<std::int64_t>(
      std::llround((fields - kUnixEpochDays) * 86400.0) - offsetMinutes * 60LL);
  if (utcSeconds < 0 || utcSeconds > 0xFFFFFFFFLL) return false;
  value = ProbeSecondsToDateTime(utcSeconds);
  return value != 0;
}

QString ExportFileFor(const QString& folder, const std::string& input) {
  QString base = QFileInfo(QFile::decodeName(input.c_str())).completeBaseName();
  if (input.rfind(kArchiveInput, 0) == 0) {
    base = QStringLiteral("archive-") +
           QString::fromStdString(input.substr(std::string_view(kArchiveInput).size()));
  }
  return QDir(folder).filePath(base + QStringLiteral(".txt"));
}

int Prepare(const Options& options, const Console& console, Request& request) {
  request.recordFile = QFile::decodeName(options.recordFile.c_str());
  request.output = QFile::decodeName(options.output.c_str());
  request.exportFile = QFile::decodeName(options.exportFile.c_str());
  PrepareSettings(options, request);
  if (options.command == Command::kShow || options.command == Command::kReport ||
      options.command == Command::kDownload || options.command == Command::kStation) {
    if (int code = PrepareLimits(options, console, request)) return code;
  }
  const bool archiveInput =
      std::any_of(options.recordFiles.begin(), options.recordFiles.end(),
                  [](const std::string& input) { return input.rfind(kArchiveInput, 0) == 0; });
  // Downloads are stored, and every command that changes a probe or writes a record out is
  // recorded in the archive's audit trail.
  const bool audited = options.command != Command::kStatus && options.command != Command::kShow &&
                       options.command != Command::kArchive && options.command != Command::kServe;
  if (archiveInput || (request.storeDownload && audited) || options.command == Command::kArchive ||
      options.command == Command::kKey || options.command == Command::kServe) {
    if (int code = PrepareArchive(options, console, request)) return code;
  }

  switch (options.command) {
    case Command::kLaunch:
      request.rate = ReadRate(*options.rate);
      if (request.rate < 1 || request.rate > 255) {
        console.Message("Sample rate out of range 1..255 min");
        return kUsage;
      }
      if (options.start && !ParseStartTime(*options.start, request.start)) {
        console.Message("Invalid format of First Sample time");
        return kUsage;
      }
      return kSuccess;
    case Command::kWriteText:
      if (int code = ReadProbeText(options.name, "name", TProbe::kNameSize, request.name, console))
        return code;
      return ReadProbeText(options.comment, "comment", TProbe::kCommentSize, request.comment,
                           console);
    case Command::kDownload:
      if (!request.exportFile.isEmpty()) {
        if (SameFile(request.output, request.exportFile)) {
          console.Message("the record file and the export must be different files");
          return kUsage;
        }
        if (int code = CheckTarget(request.exportFile, options.yes, console)) return code;
      }
      return CheckTarget(request.output, options.yes, console);
    case Command::kExport:
      for (const std::string& input : options.recordFiles) {
        if (SameFile(QFile::decodeName(input.c_str()), request.output)) {
          console.Message("the export would replace the record file it is made from");
          return kUsage;
        }
      }
      // Several records as text: one file each, into the folder -o names.
      if (!options.csv && options.recordFiles.size() > 1) {
        if (!QFileInfo(request.output).isDir()) {
          console.Message(
              "export of several records as text needs -o FOLDER (or --format csv "
              "for one file)");
          return kUsage;
        }
        for (const std::string& input : options.recordFiles) {
          if (int code = CheckTarget(ExportFileFor(request.output, input), options.yes, console))
            return code;
        }
        return kSuccess;
      }
      return CheckTarget(request.output, options.yes, console);
    case Command::kArchive:
      return kSuccess;
    case Command::kReport:
      for (const std::string& input : options.recordFiles) {
        if (SameFile(QFile::decodeName(input.c_str()), request.output)) {
          console.Message("the report would replace the record file it is made from");
          return kUsage;
        }
      }
      return CheckTarget(request.output, options.yes, console);
    default:
      return kSuccess;
  }
}

}  // namespace ombrix::cli
