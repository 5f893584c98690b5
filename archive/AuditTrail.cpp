#include "AuditTrail.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "Archive.h"
#include "ArchiveSql.h"

namespace ombrix {

namespace {

const std::string kNoHash(64, '0');

}  // namespace

std::string AuditRowHash(const AuditRow& row) {
  // Texts as hex of their bytes, so that no text can pose as another field.
  std::string out = "ombrix-audit/1\n";
  const auto number = [&out](const char* key, std::int64_t value) {
    out += key;
    out += '=';
    out += std::to_string(value);
    out += '\n';
  };
  const auto text = [&out](const char* key, const std::string& value) {
    out += key;
    out += '=';
    AppendHex(out, value);
    out += '\n';
  };
  number("seq", row.seq);
  number("instant", row.instantSeconds);
  text("user", row.actor.user);
  text("full_name", row.actor.fullName);
  text("workstation", row.actor.workstation);
  text("program_version", row.actor.programVersion);
  text("database_role", row.databaseRole);
  text("action", row.event.action);
  text("probe_serial", row.event.probeSerial);
  text("adapter", row.event.adapter);
  number("entry", row.event.entryId);
  text("old", row.event.oldValue);
  text("new", row.event.newValue);
  number("done", row.event.done ? 1 : 0);
  text("message", row.event.message);
  text("previous", row.previousHash);
  return QCryptographicHash::hash(QByteArray::fromStdString(out), QCryptographicHash::Sha256)
      .toHex()
      .toStdString();
}

namespace archive_sql {

namespace {

constexpr const char* kAuditColumns =
    "seq, instant_seconds, login_user, full_name, workstation, program_version, database_role, "
    "action, probe_serial, adapter, entry_id, old_value, new_value, done, message, "
    "previous_hash, row_hash";

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}
std::string Utf8(const QVariant& value) {
  return value.toString().toStdString();
}

void ReadRow(const QSqlQuery& q, AuditRow& row) {
  row.seq = q.value(0).toLongLong();
  row.instantSeconds = q.value(1).toLongLong();
  row.actor.user = Utf8(q.value(2));
  row.actor.fullName = Utf8(q.value(3));
  row.actor.workstation = Utf8(q.value(4));
  row.actor.programVersion = Utf8(q.value(5));
  row.databaseRole = Utf8(q.value(6));
  row.event.action = Utf8(q.value(7));
  row.event.probeSerial = Utf8(q.value(8));
  row.event.adapter = Utf8(q.value(9));
  row.event.entryId = q.value(10).toLongLong();
  row.event.oldValue = Utf8(q.value(11));
  row.event.newValue = Utf8(q.value(12));
  row.event.done = q.value(13).toInt() != 0;
  row.event.message = Utf8(q.value(14));
  row.previousHash = Utf8(q.value(15));
  row.rowHash = Utf8(q.value(16));
}

}  // namespace

bool LockAudit(QSqlDatabase& db, const SqlDialect& dialect, QSqlError& error) {
  // SQLite lets one writer in at a time already; PostgreSQL takes the audit lock, which only
  // appenders take, until the transaction ends.
  if (!dialect.postgres) return true;
  QSqlQuery query(db);
  if (query.exec(QStringLiteral("LOCK TABLE ombrix_audit IN SHARE ROW EXCLUSIVE MODE"))) {
    return true;
  }
  error = query.lastError();
  return false;
}

bool AppendAudit(QSqlDatabase& db, const SqlDialect& dialect, const AuditActor& actor,
                 const AuditEvent& event, std::int64_t instantSeconds, QSqlError& error,
                 std::int64_t* seq) {
  if (!LockAudit(db, dialect, error)) return false;
  QSqlQuery query(db);
  query.setForwardOnly(true);
  AuditRow row;
  row.instantSeconds = instantSeconds;
  row.actor = actor;
  row.event = event;
  if (dialect.postgres) {
    if (!query.exec(QStringLiteral("SELECT session_user")) || !query.next()) {
      error = query.lastError();
      return false;
    }
    row.databaseRole = Utf8(query.value(0));
  }
  if (!query.exec(
          QStringLiteral("SELECT seq, row_hash FROM ombrix_audit ORDER BY seq DESC LIMIT 1"))) {
    error = query.lastError();
    return false;
  }
  if (query.next()) {
    row.seq = query.value(0).toLongLong() + 1;
    row.previousHash = Utf8(query.value(1));
  } else {
    row.seq = 1;
    row.previousHash = kNoHash;
  }
  query.finish();
  row.rowHash = AuditRowHash(row);
  if (!query.prepare(QStringLiteral("INSERT INTO ombrix_audit (%1) VALUES (?, ?, ?, ?, ?, ?, ?, "
                                    "?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                         .arg(QString::fromLatin1(kAuditColumns)))) {
    error = query.lastError();
    return false;
  }
  for (const QVariant& value : QVariantList{
           static_cast<qint64>(row.seq), static_cast<qint64>(row.instantSeconds), Text(actor.user),
           Text(actor.fullName), Text(actor.workstation), Text(actor.programVersion),
           Text(row.databaseRole), Text(event.action), Text(event.probeSerial), Text(event.adapter),
           static_cast<qint64>(event.entryId), Text(event.oldValue), Text(event.newValue),
           int{event.done}, Text(event.message), Text(row.previousHash), Text(row.rowHash)}) {
    query.addBindValue(value);
  }
  if (!query.exec()) {
    error = query.lastError();
    return false;
  }
  if (seq) *seq = row.seq;
  return true;
}

bool ReadAudit(QSqlDatabase& db, const AuditFilter& filter,
               const std::function<bool(const AuditRow&)>& each, QSqlError& error) {
  QString sql = QStringLiteral("SELECT %1 FROM ombrix_audit WHERE 1 = 1")
                    .arg(QString::fromLatin1(kAuditColumns));
  QVariantList values;
  if (filter.probeSerial) {
    sql += QStringLiteral(" AND probe_serial = ?");
    values << Text(*filter.probeSerial);
  }
  if (filter.fromSeconds) {
    sql += QStringLiteral(" AND instant_seconds >= ?");
    values << static_cast<qint64>(*filter.fromSeconds);
  }
  if (filter.toSeconds) {
    sql += QStringLiteral(" AND instant_seconds < ?");
    values << static_cast<qint64>(*filter.toSeconds);
  }
  sql +=
      filter.newestFirst ? QStringLiteral(" ORDER BY seq DESC") : QStringLiteral(" ORDER BY seq");
  if (filter.limit > 0) {
    sql += QStringLiteral(" LIMIT %1 OFFSET %2").arg(filter.limit).arg(filter.offset);
  }
  QSqlQuery query(db);
  // Forward only: SQLite steps through the rows as they are read, and the PostgreSQL driver takes
  // them a row at a time instead of the whole result at once.
  query.setForwardOnly(true);
  bool ok = query.prepare(sql);
  for (const QVariant& value : values) query.addBindValue(value);
  ok = ok && query.exec();
  AuditRow row;  // one for all rows, so that its texts keep their room
  while (ok && query.next()) {
    ReadRow(query, row);
    if (!each(row)) return true;
  }
  if (!ok || query.lastError().isValid()) {
    error = query.lastError();
    return false;
  }
  return true;
}

bool ReadAudit(QSqlDatabase& db, const AuditFilter& filter, std::vector<AuditRow>& rows,
               QSqlError& error) {
  std::vector<AuditRow> found;
  const auto collect = [&found](const AuditRow& row) {
    found.push_back(row);
    return true;
  };
  if (!ReadAudit(db, filter, collect, error)) return false;
  rows = std::move(found);
  return true;
}

}  // namespace archive_sql

}  // namespace ombrix
