#include "ArchiveSchema.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "AuditTrail.h"

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <iterator>
#include <thread>
#include <vector>

namespace ombrix::archive_sql {

namespace {

// Runs the statements in order; false with the failing one's error.
bool ExecAll(QSqlDatabase& db, const QStringList& statements, QSqlError& error) {
  QSqlQuery query(db);
  for (const QString& statement : statements) {
    if (!query.exec(statement)) {
      error = query.lastError();
      return false;
    }
  }
  return true;
}

// 0 → 1: the entries with every field of the record, its log, its provenance and its hash.
bool CreateEntries(QSqlDatabase& db, const SqlDialect& d, QSqlError& error) {
  const QString entries =
      QStringLiteral(
          "CREATE TABLE ombrix_entries ("
          "id %1, content_hash TEXT NOT NULL UNIQUE, serial_number BIGINT NOT NULL, "
          "serial_text TEXT NOT NULL, search_text TEXT NOT NULL, record_version INTEGER NOT NULL, "
          "name %2 NOT NULL, comment %2 NOT NULL, "
          "current_clock %3 NOT NULL, current_clock_seconds BIGINT NOT NULL, "
          "memory_clear INTEGER NOT NULL, mission_in_progress INTEGER NOT NULL, "
          "sample_rate INTEGER NOT NULL, rollover_enable INTEGER NOT NULL, "
          "start_time %3 NOT NULL, start_seconds BIGINT NOT NULL, "
          "mission_start %3 NOT NULL, mission_start_seconds BIGINT NOT NULL, "
          "mission_samples INTEGER NOT NULL, read_samples INTEGER NOT NULL, "
          "rollover_occurred INTEGER NOT NULL, "
          "download_time %3 NOT NULL, download_seconds BIGINT NOT NULL, "
          "samples_total INTEGER NOT NULL, test INTEGER NOT NULL, probe_off INTEGER NOT NULL, "
          "log %2 NOT NULL, "
          "adapter TEXT, workstation TEXT, login_user TEXT, program_version TEXT, source TEXT, "
          "stored_seconds BIGINT NOT NULL)")
          .arg(QString::fromLatin1(d.idColumn), QString::fromLatin1(d.blob),
               QString::fromLatin1(d.real64));
  return ExecAll(db,
                 {QStringLiteral("CREATE TABLE ombrix_schema (version INTEGER NOT NULL)"), entries,
                  QStringLiteral("CREATE INDEX ombrix_entries_mission ON ombrix_entries "
                                 "(serial_number, mission_start_seconds)"),
                  QStringLiteral("CREATE INDEX ombrix_entries_download ON ombrix_entries "
                                 "(download_seconds)")},
                 error);
}

// 1 → 2: the listing columns, filled by decoding the stored logs a batch at a time.
bool AddListingColumns(QSqlDatabase& db, const SqlDialect&, QSqlError& error) {
  if (!ExecAll(db,
               {QStringLiteral("ALTER TABLE ombrix_entries ADD COLUMN samples INTEGER NOT NULL "
                               "DEFAULT 0"),
                QStringLiteral("ALTER TABLE ombrix_entries ADD COLUMN minimum REAL NOT NULL "
                               "DEFAULT 0"),
                QStringLiteral("ALTER TABLE ombrix_entries ADD COLUMN maximum REAL NOT NULL "
                               "DEFAULT 0")},
               error)) {
    return false;
  }
  struct Row {
    qint64 id;
    LogSummary summary;
  };
  QSqlQuery select(db);
  QSqlQuery update(db);
  if (!select.prepare(QStringLiteral("SELECT id, read_samples, log FROM ombrix_entries "
                                     "WHERE id > ? ORDER BY id LIMIT 500")) ||
      !update.prepare(QStringLiteral(
          "UPDATE ombrix_entries SET samples = ?, minimum = ?, maximum = ? WHERE id = ?"))) {
    error = select.lastError().isValid() ? select.lastError() : update.lastError();
    return false;
  }
  qint64 last = 0;
  for (;;) {
    select.addBindValue(last);
    if (!select.exec()) {
      error = select.lastError();
      return false;
    }
    std::vector<Row> rows;
    while (select.next()) {
      const QByteArray log = select.value(2).toByteArray();
      const int held = std::min<qint64>(select.value(1).toInt(), log.size());
      rows.push_back({select.value(0).toLongLong(),
                      SummarizeLog(reinterpret_cast<const std::uint8_t*>(log.constData()), held)});
    }
    select.finish();
    if (rows.empty()) return true;
    for (const Row& row : rows) {
      update.addBindValue(row.summary.samples);
      update.addBindValue(double{row.summary.minimum});
      update.addBindValue(double{row.summary.maximum});
      update.addBindValue(row.id);
      if (!update.exec()) {
        error = update.lastError();
        return false;
      }
    }
    last = rows.back().id;
  }
}

// 2 → 3: whether the record was opened from a file edited after it was saved. No archive of an
// older schema could store such a record with its mark, so every entry there is unchanged.
bool AddChangedColumn(QSqlDatabase& db, const SqlDialect&, QSqlError& error) {
  return ExecAll(db,
                 {QStringLiteral("ALTER TABLE ombrix_entries ADD COLUMN changed_after_save "
                                 "INTEGER NOT NULL DEFAULT 0")},
                 error);
}

// Rows of these tables cannot be updated or deleted through the database: a trigger refuses it,
// whoever asks. (A later schema step that must rewrite rows drops them first.)
QStringList RefuseChanges(const SqlDialect& d, std::initializer_list<const char*> appendOnly) {
  QStringList statements;
  if (d.postgres) {
    statements << QStringLiteral(
        "CREATE OR REPLACE FUNCTION ombrix_refuse_change() RETURNS trigger LANGUAGE plpgsql AS "
        "$$ BEGIN RAISE EXCEPTION 'rows of % are kept as written: they cannot be changed or "
        "deleted', TG_TABLE_NAME; END $$");
  }
  if (d.postgres) {
    // The schema's version is read by every program that opens the archive.
    statements << QStringLiteral(
        "DO $$ BEGIN IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'ombrix_users') THEN "
        "GRANT SELECT ON ombrix_schema TO ombrix_users; END IF; IF EXISTS (SELECT 1 FROM pg_roles "
        "WHERE rolname = 'ombrix_readers') THEN GRANT SELECT ON ombrix_schema TO ombrix_readers; "
        "END IF; END $$");
  }
  for (const char* table : appendOnly) {
    const QString t = QString::fromLatin1(table);
    if (d.postgres) {
      statements << QStringLiteral(
                        "CREATE TRIGGER %1_kept BEFORE UPDATE OR DELETE ON %1 FOR EACH "
                        "ROW EXECUTE FUNCTION ombrix_refuse_change()")
                        .arg(t)
                 << QStringLiteral(
                        "CREATE TRIGGER %1_not_emptied BEFORE TRUNCATE ON %1 FOR "
                        "EACH STATEMENT EXECUTE FUNCTION ombrix_refuse_change()")
                        .arg(t);
      // The program's users may read and add rows, nothing else (see the help on electronic
      // records for the roles to create).
      statements << QStringLiteral(
                        "DO $$ BEGIN IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = "
                        "'ombrix_users') THEN GRANT SELECT, INSERT ON %1 TO ombrix_users; "
                        "EXECUTE format('GRANT USAGE ON SEQUENCE %s TO ombrix_users', "
                        "pg_get_serial_sequence('%1', 'id')); END IF; IF EXISTS "
                        "(SELECT 1 FROM pg_roles WHERE rolname = 'ombrix_readers') THEN GRANT "
                        "SELECT ON %1 TO ombrix_readers; END IF; END $$")
                        .arg(t);
    } else {
      for (const char* change : {"UPDATE", "DELETE"}) {
        statements << QStringLiteral(
                          "CREATE TRIGGER %1_kept_%2 BEFORE %3 ON %1 BEGIN SELECT "
                          "RAISE(ABORT, 'rows of %1 are kept as written: they cannot "
                          "be changed or deleted'); END")
                          .arg(t, QString::fromLatin1(change).toLower(),
                               QString::fromLatin1(change));
      }
    }
  }
  return statements;
}

// 3 → 4: the audit trail, chained row by row, and append-only tables. Every entry stored before
// gets its store row, in the order of storing, from its own provenance.
bool AddAuditTrail(QSqlDatabase& db, const SqlDialect& d, QSqlError& error) {
  if (!ExecAll(
          db,
          QStringList{
              QStringLiteral(
                  "CREATE TABLE ombrix_audit (id %1, seq BIGINT NOT NULL UNIQUE, "
                  "instant_seconds BIGINT NOT NULL, login_user TEXT NOT NULL, full_name TEXT NOT "
                  "NULL, workstation TEXT NOT NULL, program_version TEXT NOT NULL, "
                  "database_role TEXT NOT NULL, action TEXT NOT NULL, probe_serial TEXT NOT NULL, "
                  "adapter TEXT NOT NULL, entry_id BIGINT NOT NULL, old_value TEXT NOT NULL, "
                  "new_value TEXT NOT NULL, done INTEGER NOT NULL, message TEXT NOT NULL, "
                  "previous_hash TEXT NOT NULL, row_hash TEXT NOT NULL)")
                  .arg(QString::fromLatin1(d.idColumn)),
              QStringLiteral("CREATE INDEX ombrix_audit_probe ON ombrix_audit (probe_serial)"),
              QStringLiteral("CREATE INDEX ombrix_audit_entry ON ombrix_audit (entry_id)")},
          error)) {
    return false;
  }
  QSqlQuery select(db);
  select.setForwardOnly(true);
  if (!select.exec(QStringLiteral(
          "SELECT id, content_hash, serial_text, source, adapter, workstation, login_user, "
          "program_version, stored_seconds FROM ombrix_entries ORDER BY id"))) {
    error = select.lastError();
    return false;
  }
  struct Stored {
    AuditActor actor;
    AuditEvent event;
    std::int64_t seconds;
  };
  std::vector<Stored> stored;
  while (select.next()) {
    const auto text = [&](int column) { return select.value(column).toString().toStdString(); };
    Stored s;
    s.actor = {text(6), "", text(5), text(7)};
    s.event.action = text(3).rfind("import", 0) == 0 ? "import" : "download";
    s.event.probeSerial = text(2);
    s.event.adapter = text(4);
    s.event.entryId = select.value(0).toLongLong();
    s.seconds = select.value(8).toLongLong();
    s.event.newValue = StoreFacts(text(1), text(3), text(4), text(5), text(6), text(7), s.seconds);
    s.event.message = "stored before this archive kept an audit trail";
    stored.push_back(std::move(s));
  }
  if (select.lastError().isValid()) {
    error = select.lastError();
    return false;
  }
  select.finish();
  for (const Stored& s : stored) {
    if (!AppendAudit(db, d, s.actor, s.event, s.seconds, error)) return false;
  }
  return ExecAll(db, RefuseChanges(d, {"ombrix_entries", "ombrix_audit"}), error);
}

// 4 -> 5: the signers' public keys, their confirmations and revocations, and the signatures on
// entries, all kept as written. On SQLite, an index that holds every column the listing reads, so
// that a listing never reads the logs stored beside them.
bool AddSignatures(QSqlDatabase& db, const SqlDialect& d, QSqlError& error) {
  const QString id = QString::fromLatin1(d.idColumn);
  QStringList statements{
      QStringLiteral("CREATE TABLE ombrix_keys (id %1, public_key TEXT NOT NULL UNIQUE, "
                     "fingerprint TEXT NOT NULL, login TEXT NOT NULL, full_name TEXT NOT NULL, "
                     "role TEXT NOT NULL, instant_seconds BIGINT NOT NULL, "
                     "first_administrator INTEGER NOT NULL, self_signature TEXT NOT NULL, "
                     "audit_seq BIGINT NOT NULL)")
          .arg(id),
      QStringLiteral("CREATE TABLE ombrix_key_events (id %1, event TEXT NOT NULL, "
                     "key_public TEXT NOT NULL, by_public TEXT NOT NULL, "
                     "instant_seconds BIGINT NOT NULL, reason TEXT NOT NULL, "
                     "signature TEXT NOT NULL, audit_seq BIGINT NOT NULL)")
          .arg(id),
      QStringLiteral("CREATE TABLE ombrix_signatures (id %1, entry_id BIGINT NOT NULL, "
                     "content_hash TEXT NOT NULL, meaning TEXT NOT NULL, login TEXT NOT NULL, "
                     "full_name TEXT NOT NULL, instant_seconds BIGINT NOT NULL, "
                     "comment TEXT NOT NULL, public_key TEXT NOT NULL, signature TEXT NOT NULL, "
                     "audit_seq BIGINT NOT NULL)")
          .arg(id),
      QStringLiteral("CREATE INDEX ombrix_signatures_entry ON ombrix_signatures (entry_id)")};
  if (!d.postgres) {
    statements << QStringLiteral(
        "CREATE INDEX ombrix_entries_listing ON ombrix_entries (download_seconds, id, "
        "serial_number, serial_text, name, comment, mission_start_seconds, start_seconds, "
        "mission_start, download_time, sample_rate, samples, test, rollover_occurred, minimum, "
        "maximum, content_hash, adapter, workstation, login_user, program_version, source, "
        "stored_seconds, changed_after_save, search_text)");
  }
  statements << RefuseChanges(d, {"ombrix_keys", "ombrix_key_events", "ombrix_signatures"});
  return ExecAll(db, statements, error);
}

using Step = bool (*)(QSqlDatabase&, const SqlDialect&, QSqlError&);
// Step n brings the schema from version n to n + 1.
constexpr Step kSteps[] = {CreateEntries, AddListingColumns, AddChangedColumn, AddAuditTrail,
                           AddSignatures};
static_assert(std::size(kSteps) == kSchemaVersion);

struct SchemaState {
  int version = 0;     // 0: no Ombrix schema
  QStringList tables;  // all tables of the database
};

bool ReadState(QSqlDatabase& db, const SqlDialect& dialect, SchemaState& state, QSqlError& error) {
  state = SchemaState{};
  QSqlQuery query(db);
  query.setForwardOnly(true);
  if (!query.exec(QString::fromLatin1(dialect.tables))) {
    error = query.lastError();
    return false;
  }
  while (query.next()) state.tables << query.value(0).toString();
  query.finish();
  if (!state.tables.contains(QLatin1String(kSchemaTable))) return true;
  if (!query.exec(QStringLiteral("SELECT version FROM ombrix_schema"))) {
    error = query.lastError();
    return false;
  }
  // A schema table without its row is not an archive this program can trust.
  state.version = query.next() ? query.value(0).toInt() : -1;
  return true;
}

// The refusals that hold with or without the write lock.
bool Refuse(const SchemaState& state, const std::string& archiveText, std::string& error) {
  if (state.version > kSchemaVersion) {
    error = "The archive \"" + archiveText +
            "\" was written by a newer version of Ombrix (schema " + std::to_string(state.version) +
            "); this version reads schema " + std::to_string(kSchemaVersion) + " and older.";
    return true;
  }
  if (state.version < 0) {
    error = "The archive \"" + archiveText + "\" is damaged: it holds no schema version.";
    return true;
  }
  if (state.version == 0 && !state.tables.isEmpty()) {
    error = "The archive \"" + archiveText +
            "\" is not an Ombrix archive: it holds other tables (" +
            state.tables.join(QStringLiteral(", ")).toStdString() + ").";
    return true;
  }
  return false;
}

// Two programs opening a new archive at once both switch it to write-ahead logging; SQLite refuses
// one of them at once rather than letting it wait for the lock, so the waiting is done here.
bool SwitchToWal(QSqlDatabase& db, QSqlError& error) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kWaitSeconds);
  QSqlQuery query(db);
  while (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL"))) {
    error = query.lastError();
    if (!IsBusy(error) || std::chrono::steady_clock::now() > deadline) return false;
    // Another program, not this one, holds the lock: this waits in real time.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace

std::string StoreFacts(const std::string& contentHash, const std::string& source,
                       const std::string& adapter, const std::string& workstation,
                       const std::string& user, const std::string& programVersion,
                       std::int64_t storedSeconds) {
  return "content_hash=" + contentHash + "\nsource=" + source + "\nadapter=" + adapter +
         "\nworkstation=" + workstation + "\nuser=" + user + "\nprogram_version=" + programVersion +
         "\nstored=" + std::to_string(storedSeconds);
}

bool EnsureSchema(QSqlDatabase& db, const SqlDialect& dialect, const std::string& archiveText,
                  std::string& error) {
  const auto fail = [&](const char* doing, const QSqlError& sqlError, std::string more = {}) {
    error = std::string("Cannot ") + doing + " the archive \"" + archiveText + "\"" + more + ": " +
            Cause(sqlError, dialect) + ".";
    return false;
  };
  SchemaState state;
  QSqlError sqlError;
  if (!ReadState(db, dialect, state, sqlError)) return fail("open", sqlError);
  if (Refuse(state, archiveText, error)) return false;
  if (!dialect.postgres && !SwitchToWal(db, sqlError)) return fail("open", sqlError);
  if (state.version == kSchemaVersion) return true;

  // Another program may be making the schema right now: look again under the write lock.
  Transaction transaction(db, dialect);
  if (!transaction.Begin(true, sqlError)) return fail("open", sqlError);
  if (!ReadState(db, dialect, state, sqlError)) return fail("open", sqlError);
  if (Refuse(state, archiveText, error)) return false;
  if (state.version == kSchemaVersion) return true;
  const int from = state.version;
  for (int version = from; version < kSchemaVersion; ++version) {
    if (!kSteps[version](db, dialect, sqlError)) {
      if (version == 0) return fail("create", sqlError);
      return fail("upgrade", sqlError,
                  " from schema " + std::to_string(version) + " to " + std::to_string(version + 1));
    }
  }
  QSqlQuery query(db);
  if (!query.exec(QStringLiteral("DELETE FROM ombrix_schema")) ||
      !query.prepare(QStringLiteral("INSERT INTO ombrix_schema (version) VALUES (?)"))) {
    return fail("open", query.lastError());
  }
  query.addBindValue(kSchemaVersion);
  if (!query.exec()) return fail("open", query.lastError());
  if (!transaction.Commit(sqlError)) return fail(from == 0 ? "create" : "upgrade", sqlError);
  return true;
}

bool CheckSchema(QSqlDatabase& db, const SqlDialect& dialect, const std::string& archiveText,
                 std::string& error) {
  SchemaState state;
  QSqlError sqlError;
  if (!ReadState(db, dialect, state, sqlError)) {
    error = "Cannot open the archive \"" + archiveText + "\": " + Cause(sqlError, dialect) + ".";
    return false;
  }
  if (Refuse(state, archiveText, error)) return false;
  if (state.version == 0) {
    error = "The archive \"" + archiveText + "\" is empty: it holds no downloads yet.";
    return false;
  }
  if (state.version < kSchemaVersion) {
    error = "The archive \"" + archiveText + "\" has the older schema " +
            std::to_string(state.version) +
            "; open it once with a command that writes (archive list) to upgrade it to schema " +
            std::to_string(kSchemaVersion) + ".";
    return false;
  }
  return true;
}

}  // namespace ombrix::archive_sql
