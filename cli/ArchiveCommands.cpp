// The archive commands: list, show, export and import of the downloads the archive keeps, its
// audit trail and its verification.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <array>
#include <cmath>
#include <memory>
#include <string_view>
#include <utility>
#include <variant>

#include "Archive.h"
#include "CodePage.h"
#include "Commands.h"
#include "CsvExport.h"
#include "ExitCode.h"
#include "FileRead.h"
#include "ProbeAudit.h"
#include "RecordFile.h"
#include "Report.h"
#include "SignatureText.h"

namespace ombrix::cli {

namespace {

QString Celsius(float value) {
  return QString::number(value, 'f', 1);
}

QString ProbeText(const std::string& bytes) {
  return DefaultCodePage().ToUnicode(bytes);
}

// An entry without an adapter (an import) ends its line with the column before.
std::string WithoutTrailingBlanks(QString line) {
  while (line.endsWith(u' ')) line.chop(1);
  return line.toStdString();
}

// A value of an entry for scripts: null, a flag, a whole number, a number or a text (UTF-8).
using EntryValue = std::variant<std::nullptr_t, bool, qint64, double, std::string>;
struct EntryField {
  const char* key;
  EntryValue value;
};
constexpr std::size_t kEntryFields = 17;

// What scripts get of an entry (archive list and archive show), in the order of the keys, which
// is the order QJsonObject keeps and writes them in.
std::array<EntryField, kEntryFields> EntryFields(const ArchiveEntry& e) {
  const bool any = e.samples > 0;
  const auto number = [any](float value) { return any ? EntryValue(double{value}) : nullptr; };
  return {{
      {"Adapter", e.provenance.adapter},
      {"Changed", e.changed},
      {"ContentHash", e.contentHash},
      {"DownloadTime", DateTimeText(e.downloadTime).toStdString()},
      {"DownloadTimeIso", IsoDateTimeText(e.downloadSeconds).toStdString()},
      {"Id", qint64{e.id}},
      {"Max", number(e.maximum)},
      {"Min", number(e.minimum)},
      {"MissionStart", DateTimeText(e.missionStart).toStdString()},
      {"MissionStartIso", e.missionStart != 0
                              ? EntryValue(IsoDateTimeText(e.missionStartSeconds).toStdString())
                              : nullptr},
      {"Name", ProbeText(e.name).toStdString()},
      {"ProgramVersion", e.provenance.programVersion},
      {"Samples", qint64{e.samples}},
      {"SerialNumber", e.serialText},
      {"Source", e.provenance.source},
      {"User", e.provenance.user},
      {"Workstation", e.provenance.workstation},
  }};
}

QJsonObject EntryJson(const ArchiveEntry& e) {
  QJsonObject object;
  for (const EntryField& field : EntryFields(e)) {
    QJsonValue value;  // null
    if (const auto* flag = std::get_if<bool>(&field.value)) value = *flag;
    if (const auto* whole = std::get_if<qint64>(&field.value)) value = *whole;
    if (const auto* number = std::get_if<double>(&field.value)) value = *number;
    if (const auto* text = std::get_if<std::string>(&field.value))
      value = QString::fromStdString(*text);
    object.insert(QLatin1String(field.key), value);
  }
  return object;
}

// Appends valid UTF-8 text as a JSON string, escaped as QJsonDocument escapes it.
void AppendJsonText(std::string& out, std::string_view text) {
  constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && c != '"' && c != '\\') {
      out += c;
      continue;
    }
    out += '\\';
    switch (c) {
      case '"':
      case '\\':
        out += c;
        break;
      case '\b':
        out += 'b';
        break;
      case '\f':
        out += 'f';
        break;
      case '\n':
        out += 'n';
        break;
      case '\r':
        out += 'r';
        break;
      case '\t':
        out += 't';
        break;
      default:
        out += "u00";
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
    }
  }
  out += '"';
}

// Appends the entry as an item of the listing's Entries array, byte for byte as QJsonDocument
// writes it indented there, without building the document: writing the listing's JSON this way
// takes a fraction of the time.
void AppendEntryJson(std::string& out, const ArchiveEntry& e) {
  const std::array<EntryField, kEntryFields> fields = EntryFields(e);
  out += "        {\n";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    out += "            \"";
    out += fields[i].key;
    out += "\": ";
    const EntryValue& value = fields[i].value;
    if (const auto* flag = std::get_if<bool>(&value)) {
      out += *flag ? "true" : "false";
    } else if (const auto* whole = std::get_if<qint64>(&value)) {
      out += std::to_string(*whole);
    } else if (const auto* number = std::get_if<double>(&value); number && std::isfinite(*number)) {
      out += QByteArray::number(*number, 'g', QLocale::FloatingPointShortest).toStdString();
    } else if (const auto* text = std::get_if<std::string>(&value)) {
      AppendJsonText(out, *text);
    } else {
      out += "null";
    }
    out += i + 1 < fields.size() ? ",\n" : "\n";
  }
  out += "        }";
}

// A text as a JSON string, quoted and escaped.
std::string JsonString(const QString& text) {
  const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return array.mid(1, array.size() - 2).toStdString();  // without the brackets
}

// A line of the listing: the columns, each padded to its width (a wider value is not cut), without
// trailing blanks.
std::string ListLine(const QString& id, const QString& serial, const QString& name,
                     const QString& missionStart, const QString& downloaded, const QString& samples,
                     const QString& minimum, const QString& maximum, const QString& adapter) {
  QString line;
  line.reserve(160);
  line += id.rightJustified(6);
  for (const auto& [column, width] :
       {std::pair{&serial, 23}, {&name, 20}, {&missionStart, 19}, {&downloaded, 19}}) {
    line += u"  ";
    line += column->leftJustified(width);
  }
  for (const auto& [column, width] : {std::pair{&samples, 7}, {&minimum, 6}, {&maximum, 6}}) {
    line += u"  ";
    line += column->rightJustified(width);
  }
  line += u"  ";
  line += adapter;
  return WithoutTrailingBlanks(std::move(line));
}

// The listing is written entry by entry as the archive gives them, so that its memory does not
// grow with the archive. The JSON is the document PrintJson would write of {"Archive",
// "Entries": [...]}, its array written an item at a time. Nothing is written until the first
// entry or the end of the listing, so that an archive that cannot be read at all leaves only its
// message; one cut off later leaves a truncated listing and exit code 9.
int List(TArchive& archive, const Request& request, bool json, const Console& console) {
  ArchiveFilter filter;
  filter.serialNumber = request.serial;
  filter.fromSeconds = request.sinceSeconds;
  filter.limit = request.limit;
  filter.offset = request.offset;
  std::ostream& out = console.out;
  bool begun = false;
  std::int64_t written = 0;
  const auto begin = [&] {
    if (begun) return;
    begun = true;
    if (json) {
      out << "{\n    \"Archive\": " << JsonString(QString::fromStdString(archive.Location().Text()))
          << ",\n    \"Entries\": [\n";
      return;
    }
    out << ListLine(QStringLiteral("Id"), QStringLiteral("Serial number"), QStringLiteral("Name"),
                    QStringLiteral("Mission start"), QStringLiteral("Downloaded"),
                    QStringLiteral("Samples"), QStringLiteral("Min"), QStringLiteral("Max"),
                    QStringLiteral("Adapter"))
        << '\n';
  };
  // One line an entry, newest download first, in columns; an entry stored from a record file
  // edited after it was saved ends its line with the note show's table gives such a file.
  std::string item;  // one for all entries, so that it keeps its room
  const auto each = [&](const ArchiveEntry& e) {
    begin();
    if (json) {
      item.assign(written > 0 ? ",\n" : "");
      AppendEntryJson(item, e);
      out << item;
    } else {
      const bool any = e.samples > 0;
      out << ListLine(QString::number(e.id), QString::fromStdString(e.serialText),
                      ProbeText(e.name).left(20), DateTimeText(e.missionStart),
                      DateTimeText(e.downloadTime), QString::number(e.samples),
                      any ? Celsius(e.minimum) : QString(), any ? Celsius(e.maximum) : QString(),
                      QString::fromStdString(e.provenance.adapter))
          << ChangedNote(e.changed) << '\n';
    }
    ++written;
    return true;
  };
  std::string error;
  if (!archive.List(filter, each, error)) return ArchiveFailure(console, error);
  begin();
  if (json) out << (written > 0 ? "\n" : "") << "    ]\n}\n";
  return kSuccess;
}

int Show(TArchive& archive, std::int64_t id, bool json, const Console& console) {
  TProbeRecord record;
  ArchiveEntry entry;
  std::vector<EntrySignature> signatures;
  std::string error;
  if (!archive.Load(id, record, &entry, error) || !archive.Signatures(id, signatures, error)) {
    return ArchiveFailure(console, error);
  }
  const Fields fields = RecordFields(record);
  const Fields summary = SampleSummary(ComputeStatistics(record, {}));
  if (json) {
    QJsonArray signed_;
    for (const EntrySignature& s : signatures) {
      const SignedStatement& t = s.statement;
      signed_.append(QJsonObject{
          {"Meaning", QString::fromLatin1(MeaningText(t.meaning).data(),
                                          static_cast<int>(MeaningText(t.meaning).size()))},
          {"Login", QString::fromStdString(t.signer.login)},
          {"Name", QString::fromStdString(t.signer.name)},
          {"TimeIso", IsoDateTimeText(t.instant)},
          {"Comment", QString::fromStdString(t.comment)},
          {"Fingerprint", QString::fromStdString(KeyFingerprint(s.publicKey))},
          {"Text", SignatureText(t)}});
    }
    PrintJson(console.out, {{"Archive", QString::fromStdString(archive.Location().Text())},
                            {"Entry", EntryJson(entry)},
                            {"Record", ToJson(fields)},
                            {"Summary", ToJson(summary)},
                            {"Signatures", signed_}});
    return kSuccess;
  }
  Fields all = ArchiveEntryFields(entry);
  for (const EntrySignature& s : signatures) {
    all.push_back({QString(), QStringLiteral("Signature :"), SignatureText(s.statement), {}});
  }
  if (signatures.empty()) {
    all.push_back({QString(), QStringLiteral("Signature :"), QStringLiteral("none"), {}});
  }
  const Fields changed = ChangedFields(entry.changed);
  all.insert(all.end(), changed.begin(), changed.end());
  all.insert(all.end(), fields.begin(), fields.end());
  PrintText(console.out, all);
  console.out << '\n';
  PrintText(console.out, summary);
  return kSuccess;
}

int Export(TArchive& archive, std::int64_t id, const Request& request, const Console& console) {
  TProbeRecord record;
  std::string error;
  if (!archive.Load(id, record, nullptr, error)) return ArchiveFailure(console, error);
  const bool saved = SaveToFile(record, request.output, &error);
  // The entry written out, done or failed, as the Archive window records its exports.
  AuditEvent event = RecordEvent("export", record, ShownFileName(request.output), saved,
                                 saved ? std::string() : error);
  event.entryId = id;
  std::string auditError;
  if (!archive.Append(CurrentActor(OMBRIX_VERSION), event, auditError)) {
    console.Message("the audit trail does not have this export: " + auditError);
  }
  if (!saved) {
    console.Message("the record file was not saved: " + error);
    return kFileError;
  }
  console.Message("archive entry " + std::to_string(id) + " saved to " +
                  ShownFileName(request.output));
  return kSuccess;
}

// Each file is read whole before it is stored; one that cannot be read is named and the others
// still go in. The exit code is that of the first failure.
int Import(TArchive& archive, const Options& options, const Console& console) {
  int result = kSuccess;
  for (const std::string& name : options.importFiles) {
    const QString file = QFile::decodeName(name.c_str());
    auto record = std::make_unique<TProbeRecord>();
    if (int code = LoadRecordFile(options, file, *record, console)) {
      if (result == kSuccess) result = code;
      continue;
    }
    std::string error;
    StoreResult stored;
    const ArchiveProvenance provenance =
        CurrentProvenance("", "import " + ShownFileName(file), OMBRIX_VERSION);
    if (!archive.Store(*record, provenance, stored, error)) {
      const int code = ArchiveFailure(console, error);
      if (result == kSuccess) result = code;
      continue;
    }
    console.Message(
        ShownFileName(file) +
        (stored.duplicate ? ": already in the archive as entry " : ": stored as archive entry ") +
        std::to_string(stored.id));
  }
  return result;
}

// A value of several "key=value" lines on one line.
QString OneLine(const std::string& value) {
  return QString::fromStdString(value).replace(u'\n', QStringLiteral("; "));
}

QJsonObject AuditJson(const AuditRow& r) {
  return QJsonObject{
      {"Seq", static_cast<qint64>(r.seq)},
      {"Time", DateTimeText(ProbeSecondsToDateTime(r.instantSeconds))},
      {"TimeIso", IsoDateTimeText(r.instantSeconds)},
      {"User", QString::fromStdString(r.actor.user)},
      {"FullName", QString::fromStdString(r.actor.fullName)},
      {"Workstation", QString::fromStdString(r.actor.workstation)},
      {"ProgramVersion", QString::fromStdString(r.actor.programVersion)},
      {"DatabaseRole", QString::fromStdString(r.databaseRole)},
      {"Action", QString::fromStdString(r.event.action)},
      {"SerialNumber", QString::fromStdString(r.event.probeSerial)},
      {"Adapter", QString::fromStdString(r.event.adapter)},
      {"Entry",
       r.event.entryId != 0 ? QJsonValue(static_cast<qint64>(r.event.entryId)) : QJsonValue()},
      {"Old", QString::fromStdString(r.event.oldValue)},
      {"New", QString::fromStdString(r.event.newValue)},
      {"Outcome", r.event.done ? QStringLiteral("done") : QStringLiteral("failed")},
      {"Message", QString::fromStdString(r.event.message)},
      {"PreviousHash", QString::fromStdString(r.previousHash)},
      {"RowHash", QString::fromStdString(r.rowHash)},
  };
}

int Audit(TArchive& archive, const Options& options, const Request& request,
          const Console& console) {
  AuditFilter filter;
  if (request.serial) filter.probeSerial = SerialNumberText(*request.serial);
  filter.fromSeconds = request.sinceSeconds;
  std::vector<AuditRow> rows;
  std::string error;
  if (!archive.Audit(filter, rows, error)) return ArchiveFailure(console, error);
  if (options.json) {
    QJsonArray array;
    for (const AuditRow& row : rows) array.append(AuditJson(row));
    console.out << QJsonDocument(array).toJson().toStdString();
    return kSuccess;
  }
  if (options.auditCsv) {
    static const char* kColumns[] = {
        "Seq",         "Time",           "TimeIso",      "User",   "FullName",
        "Workstation", "ProgramVersion", "DatabaseRole", "Action", "SerialNumber",
        "Adapter",     "Entry",          "Old",          "New",    "Outcome",
        "Message",     "PreviousHash",   "RowHash"};
    std::string line;
    for (const char* column : kColumns) line += (line.empty() ? "" : ",") + std::string(column);
    console.out << line << "\r\n";
    for (const AuditRow& row : rows) {
      const QJsonObject json = AuditJson(row);
      line.clear();
      for (const char* column : kColumns) {
        const QJsonValue value = json[QLatin1String(column)];
        const std::string text =
            value.isDouble() ? std::to_string(value.toInteger()) : value.toString().toStdString();
        line += (line.empty() ? "" : ",") + CsvField(text);
      }
      console.out << line << "\r\n";
    }
    return kSuccess;
  }
  for (const AuditRow& row : rows) {
    const AuditEvent& e = row.event;
    QString who = QString::fromStdString(row.actor.user);
    if (!row.actor.fullName.empty()) who += QStringLiteral(" (%1)").arg(row.actor.fullName.c_str());
    QString line = QStringLiteral("%1  %2  %3 on %4, %5  %6")
                       .arg(row.seq, 5)
                       .arg(DateTimeText(ProbeSecondsToDateTime(row.instantSeconds)), who,
                            QString::fromStdString(row.actor.workstation),
                            QString::fromStdString("Ombrix " + row.actor.programVersion),
                            QString::fromStdString(e.action));
    if (!e.probeSerial.empty()) line += QStringLiteral("  probe %1").arg(e.probeSerial.c_str());
    if (e.entryId != 0) line += QStringLiteral("  entry %1").arg(e.entryId);
    line += e.done ? QStringLiteral("  done") : QStringLiteral("  FAILED");
    if (!e.oldValue.empty()) line += QStringLiteral("\n       was: ") + OneLine(e.oldValue);
    if (!e.newValue.empty()) line += QStringLiteral("\n       now: ") + OneLine(e.newValue);
    if (!e.message.empty()) line += QStringLiteral("\n       ") + OneLine(e.message);
    console.out << line.toStdString() << '\n';
  }
  return kSuccess;
}

int Verify(TArchive& archive, const Options& options, const Console& console) {
  TArchive::VerifyReport report;
  std::string error;
  if (!archive.Verify(options.verifyIds, report, error)) return ArchiveFailure(console, error);
  for (const std::string& fault : report.faults) console.out << fault << '\n';
  for (const std::string& note : report.notes) console.out << "note: " << note << '\n';
  const std::string counted = std::to_string(report.entries) + " entries, " +
                              std::to_string(report.signatures) + " signatures and " +
                              std::to_string(report.rows) + " audit rows";
  if (report.faults.empty()) {
    console.Message("verified " + counted + ": all hold");
    return kSuccess;
  }
  console.Message("verified " + counted + ": " + std::to_string(report.faults.size()) +
                  (report.faults.size() == 1 ? " fault, " : " faults, the first: ") +
                  report.faults.front());
  return kArchiveError;
}

}  // namespace

int ArchiveFailure(const Console& console, const std::string& error) {
  console.Message(error);
  return kArchiveError;
}

int OpenArchive(const Request& request, const Console& console,
                std::unique_ptr<TArchive>& archive) {
  archive = std::make_unique<TArchive>(request.archive);
  std::string error;
  if (archive->Open(error)) return kSuccess;
  archive.reset();
  return ArchiveFailure(console, error);
}

int RunArchive(const Options& options, const Request& request, const Console& console) {
  std::unique_ptr<TArchive> archive;
  if (int code = OpenArchive(request, console, archive)) return code;
  switch (options.archiveCommand) {
    case ArchiveCommand::kList:
      return List(*archive, request, options.json, console);
    case ArchiveCommand::kShow:
      return Show(*archive, options.archiveId, options.json, console);
    case ArchiveCommand::kExport:
      return Export(*archive, options.archiveId, request, console);
    case ArchiveCommand::kImport:
      return Import(*archive, options, console);
    case ArchiveCommand::kAudit:
      return Audit(*archive, options, request, console);
    case ArchiveCommand::kVerify:
      return Verify(*archive, options, console);
    case ArchiveCommand::kSign:
      return Sign(*archive, options, console);
    default:
      break;
  }
  return kUsage;
}

}  // namespace ombrix::cli
