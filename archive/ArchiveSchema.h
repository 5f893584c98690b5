#pragma once

#include <QSqlDatabase>

#include <string>

#include "ArchiveSql.h"

namespace ombrix::archive_sql {

// The schema this program writes. Version 1 kept every record field; version 2 added the listing
// columns (samples, minimum, maximum), filled in place from the stored logs; version 3 keeps the
// mark of a record whose file was changed after it was saved (changed_after_save); version 4 keeps
// the audit trail (ombrix_audit) and refuses changes to stored rows; version 5 keeps the signers'
// keys (ombrix_keys, ombrix_key_events) and the signatures on entries (ombrix_signatures).
constexpr int kSchemaVersion = 5;

constexpr const char* kEntriesTable = "ombrix_entries";
constexpr const char* kSchemaTable = "ombrix_schema";

// The text an entry's store row in the audit trail keeps as its new value.
std::string StoreFacts(const std::string& contentHash, const std::string& source,
                       const std::string& adapter, const std::string& workstation,
                       const std::string& user, const std::string& programVersion,
                       std::int64_t storedSeconds);

// Makes sure the open connection holds an Ombrix archive of the current schema: an empty database
// gets the schema, an older schema is upgraded in one transaction; a newer schema, a database of
// other tables or one that cannot be read is refused. Switches an SQLite archive to write-ahead
// logging, so that readers and one writer work at the same time. archiveText names the archive in
// messages.
bool EnsureSchema(QSqlDatabase& db, const SqlDialect& dialect, const std::string& archiveText,
                  std::string& error);

// For a connection that only reads: makes sure it holds an Ombrix archive of the current schema,
// changing nothing. An empty database, an older schema (which only a program that writes may
// upgrade), a newer one or other tables are refused with the reason.
bool CheckSchema(QSqlDatabase& db, const SqlDialect& dialect, const std::string& archiveText,
                 std::string& error);

}  // namespace ombrix::archive_sql
