#pragma once

#include <QSqlDatabase>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ombrix {

// Who does what, as every audit row names them. Held as UTF-8 text.
struct AuditActor {
  std::string user;            // login name
  std::string fullName;        // the account's full name, "" when it has none
  std::string workstation;     // host name
  std::string programVersion;  // e.g. "2.10"
};
// This process's user, full name and host, with the program version given.
AuditActor CurrentActor(std::string programVersion);

// One action on a probe, a record or what judges a record, as the program appends it.
struct AuditEvent {
  // "download", "import", "launch", "stop", "clear", "clock setup", "write text", "limits",
  // "export", "report", "sign", "key", ...
  std::string action;
  std::string probeSerial;   // as shown ("4F E2 71 ..."), "" when no probe is concerned
  std::string adapter;       // "" when no adapter is concerned
  std::int64_t entryId = 0;  // the archive entry concerned, 0 when none
  // What was and what is now, as "key=value" lines.
  std::string oldValue, newValue;
  bool done = true;
  std::string message;  // why it failed, or a note
};

// A row of the audit trail as stored. Rows are chained: each holds the hash of the row before it
// (64 zeros for the first) and its own hash over all of its fields.
struct AuditRow {
  std::int64_t seq = 0;             // 1, 2, 3, ... in the order of appending
  std::int64_t instantSeconds = 0;  // UTC
  AuditActor actor;
  std::string databaseRole;  // PostgreSQL's session_user; "" on SQLite
  AuditEvent event;
  std::string previousHash, rowHash;
};

// The hash a row must hold: SHA-256 over its fields in a fixed, locale-independent form.
std::string AuditRowHash(const AuditRow& row);

struct AuditFilter {
  std::optional<std::string> probeSerial;   // as shown
  std::optional<std::int64_t> fromSeconds;  // instant, inclusive
  std::optional<std::int64_t> toSeconds;    // instant, exclusive
  bool newestFirst = false;                 // the last appended row first
  int limit = 0;                            // 0: all
  std::int64_t offset = 0;                  // with a limit: rows passed over before the first
};

namespace archive_sql {

struct SqlDialect;

// Appends a row for the event, done by the actor now, to the chain; the caller holds a write
// transaction (on PostgreSQL this takes the audit lock, so that appends from several programs
// take turns and the chain never forks). False with the SQL error.
// The row's number goes to seq when given.
bool AppendAudit(QSqlDatabase& db, const SqlDialect& dialect, const AuditActor& actor,
                 const AuditEvent& event, std::int64_t instantSeconds, QSqlError& error,
                 std::int64_t* seq = nullptr);
// Takes the audit lock (PostgreSQL) as AppendAudit does, for a transaction that must read what
// the trail holds before it appends; SQLite's write transaction holds its lock already.
bool LockAudit(QSqlDatabase& db, const SqlDialect& dialect, QSqlError& error);

// The rows in chain order, filtered.
bool ReadAudit(QSqlDatabase& db, const AuditFilter& filter, std::vector<AuditRow>& rows,
               QSqlError& error);
// The same rows handed to `each` one at a time as the database gives them, in one row's room
// whatever the length of the trail (verification reads all of them); `each` returning false ends
// the reading.
bool ReadAudit(QSqlDatabase& db, const AuditFilter& filter,
               const std::function<bool(const AuditRow&)>& each, QSqlError& error);

}  // namespace archive_sql

}  // namespace ombrix
