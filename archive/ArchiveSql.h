#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Archive.h"

// The archive's use of Qt SQL below TArchive: the two dialects, the connection, error causes in
// plain words, write transactions, and the listing values computed from a log.
namespace ombrix::archive_sql {

// Everything that differs between SQLite and PostgreSQL, in one place.
struct SqlDialect {
  bool postgres;
  const char* driver;      // Qt SQL driver
  const char* idColumn;    // an automatically numbered 64-bit key
  const char* blob;        // bytes
  const char* real64;      // an IEEE double, kept exactly
  const char* beginWrite;  // begins a transaction that writes
  const char* contains;    // SQL function: position of the second text in the first, 0 when absent
  const char* tables;      // names of the tables in the archive's schema
};

const SqlDialect& DialectOf(const ArchiveLocation& location);

// Sets up the named Qt SQL connection for the location (adding it when new) and opens it; an
// SQLite file's folder is created when missing. False with the cause in words.
// With readOnly, an SQLite file must exist and is opened read-only, and a PostgreSQL session
// refuses to write.
bool Connect(const ArchiveLocation& location, const QString& name, bool readOnly,
             std::string& cause);

// How long a writer waits for another one (SQLite) or for the server to answer a connection
// attempt (PostgreSQL), in seconds.
constexpr int kWaitSeconds = 10;

// The cause of a failed call in words, with the driver's own text.
std::string Cause(const QSqlError& error, const SqlDialect& dialect);
// SQLite found the archive locked by another connection.
bool IsBusy(const QSqlError& error);

// A write transaction that is rolled back unless committed.
class Transaction {
 public:
  Transaction(QSqlDatabase& db, const SqlDialect& dialect) : db_(db), dialect_(dialect) {}
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  // With schemaLock, PostgreSQL also takes the archive's schema lock until the end of the
  // transaction, so that two programs creating or upgrading the schema at once take turns
  // (SQLite's BEGIN IMMEDIATE already lets one writer in at a time).
  bool Begin(bool schemaLock, QSqlError& error);
  bool Commit(QSqlError& error);

 private:
  QSqlDatabase& db_;
  const SqlDialect& dialect_;
  bool active_ = false;
};

// What the listing shows of a log without decoding it: the held samples and the lowest and
// highest temperature among them (0 and 0 when there are none).
struct LogSummary {
  std::int32_t samples = 0;
  float minimum = 0;
  float maximum = 0;
};
LogSummary SummarizeLog(const std::uint8_t* log, int held);

// The keys and key events as stored, and the signatures on entry id (0: on every entry).
bool ReadKeys(QSqlDatabase& db, std::vector<EnrolledKey>& keys, std::vector<KeyEvent>& events,
              QSqlError& error);
bool ReadSignatures(QSqlDatabase& db, std::int64_t id, std::vector<EntrySignature>& signatures,
                    QSqlError& error);
// Verification's part for keys and signatures: each key row, key event and signature against the
// audit row that recorded it and against its signature; each signature of an entry in
// entryHashes (id → the content hash verification found it to hold), or of every entry when
// everyEntry, against that hash and against what its key could do at the time; failed signings
// in the audit trail as notes.
bool VerifySignatures(QSqlDatabase& db, const std::vector<AuditRow>& rows,
                      const std::map<std::int64_t, std::string>& entryHashes, bool everyEntry,
                      TArchive::VerifyReport& report, QSqlError& error);

// Bytes as a QByteArray that is never null, so that an empty text is stored as empty, not NULL.
QByteArray Bytes(const std::string& bytes);

}  // namespace ombrix::archive_sql
