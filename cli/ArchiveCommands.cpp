// The archive commands: list, show, export and import of the downloads the archive keeps, its
// audit trail and its verification.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

#include "Archive.h"
#include "CodePage.h"
#include "CsvExport.h"
#include "Commands.h"
#include "ExitCode.h"
#include "FileRead.h"
#include "RecordFile.h"
#include "Report.h"

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

QJsonObject EntryJson(const ArchiveEntry& e) {
  QJsonObject object{
      {"Id", static_cast<qint64>(e.id)},
      {"SerialNumber", QString::fromStdString(e.serialText)},
      {"Name", ProbeText(e.name)},
      {"MissionStart", DateTimeText(e.missionStart)},
      {"MissionStartIso",
       e.missionStart != 0 ? QJsonValue(IsoDateTimeText(e.missionStartSeconds)) : QJsonValue()},
      {"DownloadTime", DateTimeText(e.downloadTime)},
      {"DownloadTimeIso", IsoDateTimeText(e.downloadSeconds)},
      {"Samples", e.samples},
      {"Changed", e.changed},
      {"ContentHash", QString::fromStdString(e.contentHash)},
      {"Adapter", QString::fromStdString(e.provenance.adapter)},
      {"Workstation", QString::fromStdString(e.provenance.workstation)},
      {"User", QString::fromStdString(e.provenance.user)},
      {"ProgramVersion", QString::fromStdString(e.provenance.programVersion)},
      {"Source", QString::fromStdString(e.provenance.source)},
  };
  object["Min"] = e.samples > 0 ? QJsonValue(static_cast<double>(e.minimum)) : QJsonValue();
  object["Max"] = e.samples > 0 ? QJsonValue(static_cast<double>(e.maximum)) : QJsonValue();
  return object;
}

// The object as QJsonDocument writes it indented, every line `indent` further in and without the
// last line's end, so that it can stand as an item of an enclosing array.
std::string NestedJson(const QJsonObject& object, const std::string& indent) {
  const QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Indented);
  std::string nested;
  nested.reserve(static_cast<std::size_t>(text.size()) + 24 * indent.size());
  bool lineStart = true;
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {  // the last byte is the final line end
    if (lineStart) nested += indent;
    nested += text[i];
    lineStart = text[i] == '\n';
  }
  return nested;
}

// A text as a JSON string, quoted and escaped.
std::string JsonString(const QString& text) {
  const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return array.mid(1, array.size() - 2).toStdString();  // without the brackets
}

// The listing is written entry by entry as the archive gives them, so that its time and memory
// do not grow with the archive beyond the output itself. The JSON is the document PrintJson
// would write of {"Archive", "Entries": [...]}, its array written an item at a time. Nothing is
// written until the first entry or the end of the listing, so that an archive that cannot be read
// at all leaves only its message; one cut off later leaves a truncated listing and exit code 9.
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
    const QString header = QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8  %9")
                               .arg(QStringLiteral("Id"), 6)
                               .arg(QStringLiteral("Serial number"), -23)
                               .arg(QStringLiteral("Name"), -20)
                               .arg(QStringLiteral("Mission start"), -19)
                               .arg(QStringLiteral("Downloaded"), -19)
                               .arg(QStringLiteral("Samples"), 7)
                               .arg(QStringLiteral("Min"), 6)
                               .arg(QStringLiteral("Max"), 6)
                               .arg(QStringLiteral("Adapter"));
    out << WithoutTrailingBlanks(header) << '\n';
  };
  // One line an entry, newest download first, in columns; an entry stored from a record file
  // edited after it was saved ends its line with the note show's table gives such a file.
  const auto each = [&](const ArchiveEntry& e) {
    begin();
    if (json) {
      out << (written > 0 ? ",\n" : "") << NestedJson(EntryJson(e), "        ");
    } else {
      const bool any = e.samples > 0;
      const QString line = QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8  %9")
                               .arg(e.id, 6)
                               .arg(QString::fromStdString(e.serialText), -23)
                               .arg(ProbeText(e.name).left(20), -20)
                               .arg(DateTimeText(e.missionStart), -19)
                               .arg(DateTimeText(e.downloadTime), -19)
                               .arg(e.samples, 7)
                               .arg(any ? Celsius(e.minimum) : QString(), 6)
                               .arg(any ? Celsius(e.maximum) : QString(), 6)
                               .arg(QString::fromStdString(e.provenance.adapter));
      out << WithoutTrailingBlanks(line) << ChangedNote(e.changed) << '\n';
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
  std::string error;
  if (!archive.Load(id, record, &entry, error)) return ArchiveFailure(console, error);
  const Fields fields = RecordFields(record);
  const Fields summary = SampleSummary(ComputeStatistics(record, {}));
  if (json) {
    PrintJson(console.out, {{"Archive", QString::fromStdString(archive.Location().Text())},
                            {"Entry", EntryJson(entry)},
                            {"Record", ToJson(fields)},
                            {"Summary", ToJson(summary)}});
    return kSuccess;
  }
  Fields all{
      {QString(), QStringLiteral("Archive entry :"), QString::number(entry.id), {}},
      {QString(),
       QStringLiteral("Stored by :"),
       QString::fromStdString(entry.provenance.user + "@" + entry.provenance.workstation + ", " +
                              entry.provenance.source),
       {}},
      {QString(),
       QStringLiteral("Adapter :"),
       QString::fromStdString(entry.provenance.adapter),
       {}},
      {QString(), QStringLiteral("Content hash :"), QString::fromStdString(entry.contentHash), {}}};
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
  if (!SaveToFile(record, request.output, &error)) {
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
      {"Entry", r.event.entryId != 0 ? QJsonValue(static_cast<qint64>(r.event.entryId))
                                     : QJsonValue()},
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
    static const char* kColumns[] = {"Seq", "Time", "TimeIso", "User", "FullName", "Workstation",
                                     "ProgramVersion", "DatabaseRole", "Action", "SerialNumber",
                                     "Adapter", "Entry", "Old", "New", "Outcome", "Message",
                                     "PreviousHash", "RowHash"};
    std::string line;
    for (const char* column : kColumns) line += (line.empty() ? "" : ",") + std::string(column);
    console.out << line << "\r\n";
    for (const AuditRow& row : rows) {
      const QJsonObject json = AuditJson(row);
      line.clear();
      for (const char* column : kColumns) {
        const QJsonValue value = json[QLatin1String(column)];
        const std::string text = value.isDouble() ? std::to_string(value.toInteger())
                                                  : value.toString().toStdString();
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
  const std::string counted = std::to_string(report.entries) + " entries and " +
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
    case ArchiveCommand::kNone:
      break;
  }
  return kUsage;
}

}  // namespace ombrix::cli
