#include "Archive.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>

#include "ArchiveSchema.h"
#include "ArchiveSql.h"

namespace ombrix {

using archive_sql::Bytes;
using archive_sql::Cause;
using archive_sql::DialectOf;
using archive_sql::SqlDialect;
using archive_sql::Transaction;

namespace {

// The columns a listing shows, in the order ReadEntry reads them.
constexpr const char* kEntryColumns =
    "id, serial_number, serial_text, name, comment, mission_start_seconds, start_seconds, "
    "download_seconds, mission_start, download_time, sample_rate, samples, test, "
    "rollover_occurred, minimum, maximum, content_hash, adapter, workstation, login_user, "
    "program_version, source, stored_seconds, changed_after_save";
constexpr int kEntryColumnCount = 24;
// The rest of the record, after the entry's columns, in the order ReadRecord reads them.
constexpr const char* kRecordColumns =
    "record_version, current_clock, memory_clear, mission_in_progress, rollover_enable, "
    "start_time, mission_samples, read_samples, samples_total, probe_off, log";

std::string Utf8(const QVariant& value) {
  return value.toString().toStdString();
}
std::string RawBytes(const QVariant& value) {
  return value.toByteArray().toStdString();
}
QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

std::int64_t WholeSeconds(TDateTime value) {
  return value == 0 ? 0 : DateTimeToProbeSeconds(value);
}

void ReadEntry(const QSqlQuery& q, ArchiveEntry& e) {
  e.id = q.value(0).toLongLong();
  e.serialNumber = static_cast<std::uint64_t>(q.value(1).toLongLong());
  e.serialText = Utf8(q.value(2));
  e.name = RawBytes(q.value(3));
  e.comment = RawBytes(q.value(4));
  e.missionStartSeconds = q.value(5).toLongLong();
  e.startSeconds = q.value(6).toLongLong();
  e.downloadSeconds = q.value(7).toLongLong();
  e.missionStart = q.value(8).toDouble();
  e.downloadTime = q.value(9).toDouble();
  e.sampleRate = q.value(10).toInt();
  e.samples = q.value(11).toInt();
  e.test = q.value(12).toInt() != 0;
  e.rollover = q.value(13).toInt() != 0;
  e.minimum = q.value(14).toFloat();
  e.maximum = q.value(15).toFloat();
  e.contentHash = Utf8(q.value(16));
  e.provenance.adapter = Utf8(q.value(17));
  e.provenance.workstation = Utf8(q.value(18));
  e.provenance.user = Utf8(q.value(19));
  e.provenance.programVersion = Utf8(q.value(20));
  e.provenance.source = Utf8(q.value(21));
  e.storedSeconds = q.value(22).toLongLong();
  e.changed = q.value(23).toInt() != 0;
}

// The record of a row read with kEntryColumns and kRecordColumns; false when its log does not
// have the length its sample count gives. Without `decode` its samples and histogram are left as
// they were: what its hash and its listing columns come from is the log itself.
bool ReadRecord(const QSqlQuery& q, const ArchiveEntry& e, TProbeRecord& r, bool decode = true) {
  constexpr int k = kEntryColumnCount;
  r.Version = q.value(k).toInt();
  r.SerialNumber = e.serialNumber;
  r.Name = e.name;
  r.Comment = e.comment;
  r.CurrentClock = q.value(k + 1).toDouble();
  r.MemoryClear = q.value(k + 2).toInt() != 0;
  r.MissionInProgress = q.value(k + 3).toInt() != 0;
  r.SampleRate = e.sampleRate;
  r.RolloverEnable = q.value(k + 4).toInt() != 0;
  r.StartTime = q.value(k + 5).toDouble();
  r.MissionStart = e.missionStart;
  r.MissionSamples = q.value(k + 6).toInt();
  r.ReadSamples = q.value(k + 7).toInt();
  r.RolloverOccured = e.rollover;
  r.DownloadTime = e.downloadTime;
  r.SamplesTotal = q.value(k + 8).toInt();
  r.Test = e.test;
  r.ChangedAfterSave = e.changed;
  r.ProbeOff = q.value(k + 9).toInt() != 0;
  r.StartSeconds = e.startSeconds;
  r.MissionStartSeconds = e.missionStartSeconds;
  const QByteArray log = q.value(k + 10).toByteArray();
  if (log.size() != r.HeldSamples()) return false;
  r.LogBuffer.fill(0);
  std::copy(log.begin(), log.end(), r.LogBuffer.begin());
  if (decode) r.DecodeLog();
  return true;
}

// Letters folded to lower case for the text filter: ASCII and the Latin-1 range (which the
// Windows code pages of Western and Central Europe share), each byte kept as one character so
// that the database holds valid text whatever the code page. NUL bytes, which PostgreSQL text
// cannot hold, are dropped.
QString SearchText(const std::string& bytes) {
  std::string folded;
  folded.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0) continue;
    const bool upper = (b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7);
    folded += static_cast<char>(upper ? b + 0x20 : b);
  }
  return QString::fromLatin1(folded.data(), static_cast<qsizetype>(folded.size()));
}

// The conditions of a filter, each as " AND ...", their values appended to `values` in order.
// inListingOrder: the rows are wanted in the listing's order. SQLite then takes them from the
// listing index in that order, which holds every column a listing reads, rather than gathering a
// serial number's rows through the mission index and sorting them: those rows hold their logs, and
// reading the listing columns after a log reads the whole row (8 KB for a full log). The unary +
// keeps the serial number's condition from choosing that index.
QString FilterCondition(const ArchiveFilter& filter, const SqlDialect& dialect,
                        QVariantList& values, bool inListingOrder = false) {
  QString sql;
  if (filter.serialNumber) {
    sql += inListingOrder && !dialect.postgres ? QStringLiteral(" AND +serial_number = ?")
                                               : QStringLiteral(" AND serial_number = ?");
    values << static_cast<qint64>(*filter.serialNumber);
  }
  if (const QString text = SearchText(filter.text); !text.isEmpty()) {
    sql += QStringLiteral(" AND %1(search_text, ?) > 0").arg(QString::fromLatin1(dialect.contains));
    values << text;
  }
  if (filter.fromSeconds) {
    sql += QStringLiteral(" AND download_seconds >= ?");
    values << static_cast<qint64>(*filter.fromSeconds);
  }
  if (filter.toSeconds) {
    sql += QStringLiteral(" AND download_seconds <= ?");
    values << static_cast<qint64>(*filter.toSeconds);
  }
  return sql;
}

bool Alive(QSqlDatabase& db) {
  return db.isOpen() && QSqlQuery(db).exec(QStringLiteral("SELECT 1"));
}

std::atomic<int> connectionCount{0};

}  // namespace

TArchive::TArchive(ArchiveLocation location)
    : location_(std::move(location)),
      connectionName_("ombrix-archive-" + std::to_string(++connectionCount)) {}

TArchive::~TArchive() {
  Close();
  QSqlDatabase::removeDatabase(QString::fromStdString(connectionName_));
}

const ArchiveLocation& TArchive::Location() const {
  return location_;
}

const std::string& TArchive::ConnectionName() const {
  return connectionName_;
}

void TArchive::Close() {
  open_ = false;
  const QString name = QString::fromStdString(connectionName_);
  if (QSqlDatabase::contains(name)) QSqlDatabase::database(name, false).close();
}

bool TArchive::Open(std::string& error) {
  Close();
  const QString name = QString::fromStdString(connectionName_);
  std::string cause;
  if (!archive_sql::Connect(location_, name, readOnly_, cause)) {
    error = "Cannot open the archive \"" + location_.Text() + "\": " + cause + ".";
    return false;
  }
  QSqlDatabase db = QSqlDatabase::database(name, false);
  const bool schemaHolds =
      readOnly_ ? archive_sql::CheckSchema(db, DialectOf(location_), location_.Text(), error)
                : archive_sql::EnsureSchema(db, DialectOf(location_), location_.Text(), error);
  if (!schemaHolds) {
    db.close();
    return false;
  }
  open_ = true;
  return true;
}

bool TArchive::Run(const Work& work, std::string& error) {
  const QString name = QString::fromStdString(connectionName_);
  // A connection found lost by an earlier call is opened again before anything is sent on it.
  if ((!open_ || !QSqlDatabase::database(name, false).isOpen()) && !Open(error)) return false;
  {
    QSqlDatabase db = QSqlDatabase::database(name, false);
    if (work(db, error)) return true;
    if (Alive(db)) return false;
  }
  // The connection was lost (a server restart, the network, an administrator ending the
  // session): connect again and try once more. A write cut off before its commit was rolled back.
  const std::string lost = error;
  if (!Open(error)) {
    error = lost + " " + error;
    return false;
  }
  QSqlDatabase db = QSqlDatabase::database(name, false);
  return work(db, error);
}

bool TArchive::Store(const TProbeRecord& record, const ArchiveProvenance& provenance,
                     StoreResult& result, std::string& error) {
  const SqlDialect& dialect = DialectOf(location_);
  const std::string what = "Cannot store the download in the archive \"" + location_.Text() + "\"";
  const QString hash = QString::fromStdString(ContentHash(record));
  const int held = record.HeldSamples();
  const archive_sql::LogSummary summary = archive_sql::SummarizeLog(record.LogBuffer.data(), held);
  const std::string serialText = record.SerialNumberText();
  const std::int64_t storedSeconds = NowProbeSeconds();
  const QVariantList values{
      hash,
      static_cast<qint64>(record.SerialNumber),
      Text(serialText),
      SearchText(serialText + '\n' + record.Name + '\n' + record.Comment),
      record.Version,
      Bytes(record.Name),
      Bytes(record.Comment),
      record.CurrentClock,
      static_cast<qint64>(WholeSeconds(record.CurrentClock)),
      int{record.MemoryClear},
      int{record.MissionInProgress},
      record.SampleRate,
      int{record.RolloverEnable},
      record.StartTime,
      static_cast<qint64>(record.StartSeconds),
      record.MissionStart,
      static_cast<qint64>(record.MissionStartSeconds),
      record.MissionSamples,
      record.ReadSamples,
      int{record.RolloverOccured},
      record.DownloadTime,
      static_cast<qint64>(WholeSeconds(record.DownloadTime)),
      record.SamplesTotal,
      int{record.Test},
      int{record.ProbeOff},
      QByteArray(reinterpret_cast<const char*>(record.LogBuffer.data()), held),
      Text(provenance.adapter),
      Text(provenance.workstation),
      Text(provenance.user),
      Text(provenance.programVersion),
      Text(provenance.source),
      static_cast<qint64>(storedSeconds),
      summary.samples,
      double{summary.minimum},
      double{summary.maximum},
      int{record.ChangedAfterSave},
  };
  static const QString insert = QStringLiteral(
      "INSERT INTO ombrix_entries (content_hash, serial_number, serial_text, search_text, "
      "record_version, name, comment, current_clock, current_clock_seconds, memory_clear, "
      "mission_in_progress, sample_rate, rollover_enable, start_time, start_seconds, "
      "mission_start, mission_start_seconds, mission_samples, read_samples, rollover_occurred, "
      "download_time, download_seconds, samples_total, test, probe_off, log, adapter, "
      "workstation, login_user, program_version, source, stored_seconds, samples, minimum, "
      "maximum, changed_after_save) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
      "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (content_hash) DO NOTHING "
      "RETURNING id");

  return Run(
      [&](QSqlDatabase& db, std::string& error) {
        const auto fail = [&](const QSqlError& e) {
          error = what + ": " + Cause(e, dialect) + ".";
          return false;
        };
        Transaction transaction(db, dialect);
        QSqlError sqlError;
        if (!transaction.Begin(false, sqlError)) return fail(sqlError);
        QSqlQuery query(db);
        if (!query.prepare(insert)) return fail(query.lastError());
        for (const QVariant& value : values) query.addBindValue(value);
        if (!query.exec()) return fail(query.lastError());
        StoreResult stored;
        if (query.next()) {
          stored.id = query.value(0).toLongLong();
        } else {
          // The same content is there already, stored by this or another program.
          query.finish();
          if (!query.prepare(
                  QStringLiteral("SELECT id FROM ombrix_entries WHERE content_hash = ?")))
            return fail(query.lastError());
          query.addBindValue(hash);
          if (!query.exec()) return fail(query.lastError());
          if (!query.next()) {
            error = what + ": the entry of the same content vanished while it was looked up.";
            return false;
          }
          stored.id = query.value(0).toLongLong();
          stored.duplicate = true;
        }
        query.finish();
        AuditActor actor = CurrentActor(provenance.programVersion);
        actor.user = provenance.user;
        actor.workstation = provenance.workstation;
        AuditEvent event;
        event.action = provenance.source.rfind("import", 0) == 0 ? "import" : "download";
        event.probeSerial = serialText;
        event.adapter = provenance.adapter;
        event.entryId = stored.id;
        if (stored.duplicate) {
          event.message = "already in the archive as entry " + std::to_string(stored.id);
        } else {
          event.newValue = archive_sql::StoreFacts(
              hash.toStdString(), provenance.source, provenance.adapter, provenance.workstation,
              provenance.user, provenance.programVersion, storedSeconds);
        }
        if (!archive_sql::AppendAudit(db, dialect, actor, event, storedSeconds, sqlError) ||
            !transaction.Commit(sqlError)) {
          return fail(sqlError);
        }
        result = stored;
        return true;
      },
      error);
}

bool TArchive::List(const ArchiveFilter& filter,
                    const std::function<bool(const ArchiveEntry&)>& each, std::string& error) {
  const SqlDialect& dialect = DialectOf(location_);
  QVariantList values;
  // The download index gives this order without sorting (SQLite keeps the id in every index), and
  // a window of it without reading the rows it skips.
  QString sql =
      QStringLiteral(
          "SELECT %1 FROM ombrix_entries WHERE 1 = 1%2 "
          "ORDER BY download_seconds DESC, id DESC")
          .arg(QString::fromLatin1(kEntryColumns), FilterCondition(filter, dialect, values, true));
  if (filter.limit > 0 || filter.offset > 0) {
    // SQLite takes an offset only after a limit, where -1 (ALL on PostgreSQL) means none.
    sql += QStringLiteral(" LIMIT %1")
               .arg(filter.limit > 0   ? QString::number(filter.limit)
                    : dialect.postgres ? QStringLiteral("ALL")
                                       : QStringLiteral("-1"));
    if (filter.offset > 0) sql += QStringLiteral(" OFFSET %1").arg(filter.offset);
  }

  std::int64_t given = 0;
  std::string cut;
  return Run(
      [&](QSqlDatabase& db, std::string& error) {
        // Entries already handed over cannot be taken back: a listing cut off after them is not
        // started again on the new connection.
        if (given > 0) {
          error = cut;
          return false;
        }
        QSqlQuery query(db);
        // Forward only: SQLite steps through the rows as they are read, and the PostgreSQL
        // driver takes them a row at a time instead of the whole result at once.
        query.setForwardOnly(true);
        bool ok = query.prepare(sql);
        for (const QVariant& value : values) query.addBindValue(value);
        ok = ok && query.exec();
        ArchiveEntry entry;  // one for all rows, so that its texts keep their room
        while (ok && query.next()) {
          ReadEntry(query, entry);
          ++given;
          if (!each(entry)) return true;
        }
        // A listing cut off by a lost connection shows as an error, not as a short list.
        if (!ok || query.lastError().isValid()) {
          error = cut = "Cannot list the archive \"" + location_.Text() +
                        "\": " + Cause(query.lastError(), dialect) + ".";
          return false;
        }
        return true;
      },
      error);
}

bool TArchive::List(const ArchiveFilter& filter, std::vector<ArchiveEntry>& entries,
                    std::string& error) {
  std::vector<ArchiveEntry> found;
  const auto collect = [&found](const ArchiveEntry& e) {
    found.push_back(e);
    return true;
  };
  if (!List(filter, collect, error)) return false;
  entries = std::move(found);
  return true;
}

bool TArchive::Count(const ArchiveFilter& filter, std::int64_t& count, std::string& error) {
  const SqlDialect& dialect = DialectOf(location_);
  QVariantList values;
  const QString sql = QStringLiteral("SELECT count(*) FROM ombrix_entries WHERE 1 = 1%1")
                          .arg(FilterCondition(filter, dialect, values));
  return Run(
      [&](QSqlDatabase& db, std::string& error) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        bool ok = query.prepare(sql);
        for (const QVariant& value : values) query.addBindValue(value);
        ok = ok && query.exec() && query.next();
        if (!ok) {
          error = "Cannot list the archive \"" + location_.Text() +
                  "\": " + Cause(query.lastError(), dialect) + ".";
          return false;
        }
        count = query.value(0).toLongLong();
        return true;
      },
      error);
}

bool TArchive::Serials(std::vector<std::uint64_t>& serials, std::string& error) {
  const SqlDialect& dialect = DialectOf(location_);
  return Run(
      [&](QSqlDatabase& db, std::string& error) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        // The mission index answers it without reaching the rows.
        bool ok = query.exec(QStringLiteral(
            "SELECT DISTINCT serial_number FROM ombrix_entries ORDER BY serial_number"));
        std::vector<std::uint64_t> found;
        while (ok && query.next()) {
          found.push_back(static_cast<std::uint64_t>(query.value(0).toLongLong()));
        }
        if (!ok || query.lastError().isValid()) {
          error = "Cannot list the archive \"" + location_.Text() +
                  "\": " + Cause(query.lastError(), dialect) + ".";
          return false;
        }
        serials = std::move(found);
        return true;
      },
      error);
}

bool TArchive::LastAuditRow(std::int64_t& seq, std::string& error) {
  const SqlDialect& dialect = DialectOf(location_);
  return Run(
      [&](QSqlDatabase& db, std::string& error) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("SELECT COALESCE(MAX(seq), 0) FROM ombrix_audit")) ||
            !query.next()) {
          error = "Cannot read the audit trail of the archive \"" + location_.Text() +
                  "\": " + Cause(query.lastError(), dialect) + ".";
          return false;
        }
        seq = query.value(0).toLongLong();
        return true;
      },
      error);
}

bool TArchive::Load(std::int64_t id, TProbeRecord& record, ArchiveEntry* entry,
                    std::string& error) {
  const SqlDialect& dialect = DialectOf(location_);
  const std::string name =
      "entry " + std::to_string(id) + " of the archive \"" + location_.Text() + "\"";
  return Run(
      [&](QSqlDatabase& db, std::string& error) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        const bool ok = query.prepare(
            QStringLiteral("SELECT %1, %2 FROM ombrix_entries WHERE id = ?")
                .arg(QString::fromLatin1(kEntryColumns), QString::fromLatin1(kRecordColumns)));
        query.addBindValue(static_cast<qint64>(id));
        if (!ok || !query.exec()) {
          error = "Cannot read " + name + ": " + Cause(query.lastError(), dialect) + ".";
          return false;
        }
        if (!query.next()) {
          if (query.lastError().isValid()) {
            error = "Cannot read " + name + ": " + Cause(query.lastError(), dialect) + ".";
          } else {
            error = "There is no entry " + std::to_string(id) + " in the archive \"" +
                    location_.Text() + "\".";
          }
          return false;
        }
        ArchiveEntry found;
        ReadEntry(query, found);
        auto loaded = std::make_unique<TProbeRecord>();
        if (!ReadRecord(query, found, *loaded)) {
          error = "The " + name + " is damaged: its log does not hold the samples it announces.";
          return false;
        }
        if (ContentHash(*loaded) != found.contentHash) {
          error = "The " + name + " is damaged: its content does not match its hash.";
          return false;
        }
        record = *loaded;
        if (entry) *entry = std::move(found);
        return true;
      },
      error);
}

bool TArchive::Append(const AuditActor& actor, const AuditEvent& event, std::string& error) {
  const SqlDialect& dialect = DialectOf(location_);
  return Run(
      [&](QSqlDatabase& db, std::string& error) {
        Transaction transaction(db, dialect);
        QSqlError sqlError;
        if (transaction.Begin(false, sqlError) &&
            archive_sql::AppendAudit(db, dialect, actor, event, NowProbeSeconds(), sqlError) &&
            transaction.Commit(sqlError)) {
          return true;
        }
        error = "Cannot add to the audit trail of the archive \"" + location_.Text() +
                "\": " + Cause(sqlError, dialect) + ".";
        return false;
      },
      error);
}

bool TArchive::Audit(const AuditFilter& filter, std::vector<AuditRow>& rows, std::string& error) {
  const SqlDialect& dialect = DialectOf(location_);
  return Run(
      [&](QSqlDatabase& db, std::string& error) {
        QSqlError sqlError;
        if (archive_sql::ReadAudit(db, filter, rows, sqlError)) return true;
        error = "Cannot read the audit trail of the archive \"" + location_.Text() +
                "\": " + Cause(sqlError, dialect) + ".";
        return false;
      },
      error);
}

namespace {

// The chain from its first row, a row at a time: numbered without gaps, each row holding the hash
// of the one before and its own.
struct ChainCheck {
  std::string previous = std::string(64, '0');
  std::int64_t expected = 1;

  void Check(const AuditRow& row, std::vector<std::string>& faults) {
    const std::string name = "audit row " + std::to_string(row.seq);
    if (row.seq != expected) {
      faults.push_back(name + ": follows row " + std::to_string(expected - 1) +
                       (row.seq > expected ? ", so rows are missing" : ", out of order"));
    } else if (row.previousHash != previous) {
      faults.push_back(name + ": does not hold the hash of the row before it");
    }
    if (AuditRowHash(row) != row.rowHash) {
      faults.push_back(name + ": its fields do not match its hash (the row was changed)");
    }
    previous = row.rowHash;
    expected = row.seq + 1;
  }
};

// An entry's store row is the first audit row that stored it: a download or an import whose new
// value holds the facts of the entry it stored.
constexpr const char* kStoreRow =
    "FROM ombrix_audit WHERE entry_id = ombrix_entries.id AND action IN ('download', 'import') "
    "AND substr(new_value, 1, 13) = 'content_hash=' ORDER BY seq LIMIT 1";

}  // namespace

bool TArchive::Verify(const std::vector<std::int64_t>& ids, VerifyReport& report,
                      std::string& error) {
  const SqlDialect& dialect = DialectOf(location_);
  report = VerifyReport{};
  std::vector<AuditRow> signingRows;
  // The audit trail first, streamed: its faults come before those of the entries.
  const bool chained = Run(
      [&](QSqlDatabase& db, std::string& error) {
        report = VerifyReport{};  // again from the first row on a new connection
        signingRows.clear();
        ChainCheck chain;
        const auto each = [&](const AuditRow& row) {
          ++report.rows;
          chain.Check(row, report.faults);
          // The rows of keys and signatures, few as they are, for checking those below.
          if (row.event.action == "key" || row.event.action == "sign") signingRows.push_back(row);
          return true;
        };
        QSqlError sqlError;
        if (archive_sql::ReadAudit(db, {}, each, sqlError)) return true;
        error = "Cannot read the audit trail of the archive \"" + location_.Text() +
                "\": " + Cause(sqlError, dialect) + ".";
        return false;
      },
      error);
  if (!chained) return false;
  const std::size_t chainFaults = report.faults.size();

  // Each entry with the sequence number and the new value of its store row, read in the same
  // statement, so that an entry stored meanwhile comes with its row.
  QString sql = QStringLiteral(
                    "SELECT %1, %2, search_text, current_clock_seconds, (SELECT seq %3), "
                    "(SELECT new_value %3) FROM ombrix_entries")
                    .arg(QString::fromLatin1(kEntryColumns), QString::fromLatin1(kRecordColumns),
                         QString::fromLatin1(kStoreRow));
  if (!ids.empty()) sql += QStringLiteral(" WHERE id = ?");
  sql += QStringLiteral(" ORDER BY id");
  std::map<std::int64_t, std::string> hashes;  // of the entries checked
  ArchiveEntry e;                              // one entry and one record for all rows
  auto record = std::make_unique<TProbeRecord>();
  std::vector<std::string> columns;
  const auto check = [&](const QSqlQuery& query) {
    ReadEntry(query, e);
    ++report.entries;
    hashes.emplace(e.id, e.contentHash);
    const std::string name = "entry " + std::to_string(e.id);
    if (!ReadRecord(query, e, *record, /*decode=*/false)) {
      report.faults.push_back(name + ": its log does not hold the samples it announces");
      return;
    }
    if (ContentHash(*record) != e.contentHash) {
      report.faults.push_back(name + ": its content does not match its hash");
      return;
    }
    const archive_sql::LogSummary summary =
        archive_sql::SummarizeLog(record->LogBuffer.data(), record->HeldSamples());
    columns.clear();
    const auto column = [&](bool holds, const char* what) {
      if (!holds) columns.push_back(what);
    };
    column(e.serialText == record->SerialNumberText(), "serial_text");
    column(e.samples == summary.samples, "samples");
    column(e.minimum == summary.minimum, "minimum");
    column(e.maximum == summary.maximum, "maximum");
    column(e.downloadSeconds == WholeSeconds(record->DownloadTime), "download_seconds");
    // A local time names its instant, or (in the repeated autumn hour) one of its two.
    const auto sameTime = [](TDateTime local, std::int64_t seconds) {
      return seconds == 0 || local == ProbeSecondsToDateTime(seconds) ||
             DateTimeToProbeSeconds(local) == seconds;
    };
    column(sameTime(e.missionStart, e.missionStartSeconds), "mission_start");
    column(sameTime(record->StartTime, e.startSeconds), "start_time");
    const int k = kEntryColumnCount + 11;
    column(query.value(k).toString() ==
               SearchText(e.serialText + '\n' + record->Name + '\n' + record->Comment),
           "search_text");
    column(query.value(k + 1).toLongLong() == WholeSeconds(record->CurrentClock),
           "current_clock_seconds");
    if (!columns.empty()) {
      std::string list;
      for (const std::string& c : columns) list += (list.empty() ? "" : ", ") + c;
      report.faults.push_back(name + ": its listing columns do not match its content (" + list +
                              ")");
    }
    const QVariant storeSeq = query.value(k + 2);
    if (storeSeq.isNull()) {
      report.faults.push_back(name + ": the audit trail has no row that stored it");
    } else if (Utf8(query.value(k + 3)) !=
               archive_sql::StoreFacts(e.contentHash, e.provenance.source, e.provenance.adapter,
                                       e.provenance.workstation, e.provenance.user,
                                       e.provenance.programVersion, e.storedSeconds)) {
      report.faults.push_back(name + ": its provenance differs from audit row " +
                              std::to_string(storeSeq.toLongLong()) + ", which stored it");
    }
  };
  const std::int64_t rows = report.rows;
  return Run(
      [&](QSqlDatabase& db, std::string& error) {
        // Again from the first entry on a new connection.
        report.faults.resize(chainFaults);
        report.entries = 0;
        report.rows = rows;
        report.signatures = 0;
        report.notes.clear();
        hashes.clear();
        QSqlQuery query(db);
        query.setForwardOnly(true);
        const auto failed = [&] {
          error = "Cannot read the archive \"" + location_.Text() +
                  "\": " + Cause(query.lastError(), dialect) + ".";
          return false;
        };
        if (!query.prepare(sql)) return failed();
        for (std::size_t i = 0; i < std::max<std::size_t>(ids.size(), 1); ++i) {
          if (!ids.empty()) query.addBindValue(static_cast<qint64>(ids[i]));
          if (!query.exec()) return failed();
          bool any = false;
          while (query.next()) {
            any = true;
            check(query);
          }
          if (query.lastError().isValid()) return failed();
          if (!ids.empty() && !any) {
            report.faults.push_back("entry " + std::to_string(ids[i]) +
                                    ": there is no such entry in the archive");
          }
        }
        QSqlError sqlError;
        if (!archive_sql::VerifySignatures(db, signingRows, hashes, ids.empty(), report,
                                           sqlError)) {
          error = "Cannot read the archive \"" + location_.Text() +
                  "\": " + Cause(sqlError, dialect) + ".";
          return false;
        }
        return true;
      },
      error);
}

bool TArchive::FindMission(const TProbeStatus& status, std::unique_ptr<TProbeRecord>& earlier,
                           bool& found, std::string& error) {
  const SqlDialect& dialect = DialectOf(location_);
  std::int64_t id = 0;
  bool any = false;
  // The latest download of a mission is the one with the most samples taken; the log of a
  // mission that rolled over stays at its size while the count goes on.
  const bool ok = Run(
      [&](QSqlDatabase& db, std::string& error) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        bool ok = query.prepare(QStringLiteral(
            "SELECT id FROM ombrix_entries WHERE serial_number = ? AND mission_start_seconds = ? "
            "AND sample_rate = ? AND test = ? AND source = 'download' "
            "ORDER BY mission_samples DESC, read_samples DESC, download_seconds DESC, id DESC "
            "LIMIT 1"));
        query.addBindValue(static_cast<qint64>(status.SerialNumber));
        query.addBindValue(static_cast<qint64>(status.MissionStartSeconds));
        query.addBindValue(status.SampleRate);
        query.addBindValue(int{status.Test});
        ok = ok && query.exec();
        any = ok && query.next();
        if (!ok || query.lastError().isValid()) {
          error = "Cannot search the archive \"" + location_.Text() +
                  "\": " + Cause(query.lastError(), dialect) + ".";
          return false;
        }
        if (any) id = query.value(0).toLongLong();
        return true;
      },
      error);
  if (!ok) return false;
  if (!any) {
    found = false;
    earlier.reset();
    return true;
  }
  auto record = std::make_unique<TProbeRecord>();
  if (!Load(id, *record, nullptr, error)) return false;
  earlier = std::move(record);
  found = true;
  return true;
}

TProbe::EarlierDownload EarlierDownloadsFrom(TArchive& archive) {
  return [&archive](const TProbeStatus& status) -> std::unique_ptr<TProbeRecord> {
    std::unique_ptr<TProbeRecord> earlier;
    bool found = false;
    std::string error;
    if (!archive.FindMission(status, earlier, found, error) || !found) return nullptr;
    return earlier;
  };
}

}  // namespace ombrix
