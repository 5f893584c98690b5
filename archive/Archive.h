#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AuditTrail.h"
#include "Probe.h"
#include "ProbeRecord.h"
#include "Signatures.h"

class QSqlDatabase;
class QSqlError;

namespace ombrix {

// Where an archive lives: an SQLite file (the default, one user) or a PostgreSQL database (an
// archive shared by several workstations).
struct ArchiveLocation {
  enum class Kind { kSqlite, kPostgres } kind = Kind::kSqlite;
  std::string path;  // SQLite file
  std::string host, database, user;
  int port = 0;  // PostgreSQL; user/port empty/0: libpq's default
  // As shown to users, never with a password: the file path, or the PostgreSQL URL.
  std::string Text() const;
};

// "postgresql://[user@]host[:port]/dbname" (also "postgres://") or a SQLite file path. A URL with a
// password ("user:pw@") is refused: passwords belong in ~/.pgpass or PGPASSWORD, which libpq reads
// by itself (so never set a password on the QSqlDatabase). Empty text → false with error.
// User and database name may be percent-encoded; an IPv6 host is written in brackets. An empty
// host means libpq's default (the local socket).
bool ParseArchiveLocation(const std::string& text, ArchiveLocation& location, std::string& error);
// The user's own Ombrix data folder: $XDG_DATA_HOME/ombrix ($HOME/.local/share/ombrix when
// XDG_DATA_HOME is unset or not absolute), without a trailing "/". Not created here.
std::string UserDataFolder();
// UserDataFolder()/archive.sqlite.
std::string DefaultArchivePath();

// Who stored an entry and with what; not part of the content hash. Held as UTF-8 text.
struct ArchiveProvenance {
  std::string adapter;         // e.g. "Ombrix adapter (USB serial OMX1)", empty for imports
  std::string workstation;     // host name
  std::string user;            // login name
  std::string programVersion;  // e.g. "2.10"
  std::string source;          // "download", or "import FILE"
};
// workstation and user of this process, programVersion as given.
ArchiveProvenance CurrentProvenance(std::string adapter, std::string source,
                                    std::string programVersion);

struct ArchiveEntry {  // one row as listed
  std::int64_t id = 0;
  std::uint64_t serialNumber = 0;
  std::string serialText;  // TProbeStatus::SerialNumberText()
  std::string name, comment;
  std::int64_t missionStartSeconds = 0, startSeconds = 0, downloadSeconds = 0;  // probe seconds
  TDateTime missionStart = 0, downloadTime = 0;  // local, as the record shows them
  std::int32_t sampleRate = 0, samples = 0;      // samples = HeldSamples()
  bool test = false, rollover = false;
  // TProbeRecord::ChangedAfterSave: stored from a record file edited after it was saved.
  bool changed = false;
  float minimum = 0, maximum = 0;  // meaningful when samples > 0
  std::string contentHash;         // 64 lower-case hex digits
  ArchiveProvenance provenance;
  std::int64_t storedSeconds = 0;  // when it was stored (UTC seconds)
};

struct ArchiveFilter {
  std::optional<std::uint64_t> serialNumber;
  // Case-insensitive, in name, comment or serial text. Bytes in the code page of the record texts;
  // letters of ASCII and of the Latin-1 range match either case.
  std::string text;
  std::optional<std::int64_t> fromSeconds, toSeconds;  // download instant, inclusive bounds
  // A window of the listing, which runs newest download first (the higher id first among
  // downloads of the same second): `offset` entries are skipped, then at most `limit` (0: all)
  // are given.
  std::int64_t limit = 0;
  std::int64_t offset = 0;
};

struct StoreResult {
  std::int64_t id = 0;
  bool duplicate = false;
};

// The download archive: every stored download with its provenance, deduplicated by content.
// Errors name the archive (Location().Text()) and the cause. Not shared between threads.
class TArchive {
 public:
  explicit TArchive(ArchiveLocation location);
  ~TArchive();  // closes and removes its Qt SQL connection
  TArchive(const TArchive&) = delete;
  TArchive& operator=(const TArchive&) = delete;

  const ArchiveLocation& Location() const;
  // Before Open: opens the archive for reading only. An SQLite file is opened in SQLite's
  // read-only mode (never created, its schema never upgraded); a PostgreSQL session is made
  // read-only, on top of the SELECT-only role a reader should connect as. Every write then fails.
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  bool ReadOnly() const { return readOnly_; }
  // The name of this archive's Qt SQL connection (unique per TArchive).
  const std::string& ConnectionName() const;

  // Connects (creating the SQLite file and its folder when missing), creates the schema or
  // upgrades an older one in place; refuses a newer one. Every other call opens on demand and
  // reconnects once when the connection was lost.
  bool Open(std::string& error);
  // One transaction per entry; an entry with the same content hash already stored is not stored
  // again (result.duplicate, result.id = the stored one's id).
  bool Store(const TProbeRecord& record, const ArchiveProvenance& provenance, StoreResult& result,
             std::string& error);
  // The entries the filter lets through, each handed to `each` as the database gives it, so that
  // a listing of any size needs the memory of one entry. `each` returns false to stop the listing
  // (which still succeeds) and must not call this archive while the listing runs. A listing cut
  // off after entries have been handed over fails and is not started again.
  bool List(const ArchiveFilter& filter, const std::function<bool(const ArchiveEntry&)>& each,
            std::string& error);
  // The same entries, collected.
  bool List(const ArchiveFilter& filter, std::vector<ArchiveEntry>& entries, std::string& error);
  // The serial numbers of the probes the archive holds downloads of, each once.
  bool Serials(std::vector<std::uint64_t>& serials, std::string& error);
  // The number of the audit trail's newest row (0 when it has none). Every change the program
  // makes to the archive (a download stored, a signature, a key) appends a row, so what was read
  // at one number still holds while the number stays.
  bool LastAuditRow(std::int64_t& seq, std::string& error);
  // How many entries the filter lets through, its limit and offset left aside.
  bool Count(const ArchiveFilter& filter, std::int64_t& count, std::string& error);
  // The stored record, equal field for field and byte for byte to the one stored, decoded.
  // An unknown id → false, error "There is no entry N in the archive "…"."
  bool Load(std::int64_t id, TProbeRecord& record, ArchiveEntry* entry, std::string& error);
  // Appends the event, done by the actor now, to the audit trail (one writer at a time).
  bool Append(const AuditActor& actor, const AuditEvent& event, std::string& error);
  // The audit trail's rows in the order they were appended.
  bool Audit(const AuditFilter& filter, std::vector<AuditRow>& rows, std::string& error);
  // Checks the entries with the given ids (all when none is given) - their content against its
  // hash, their listing columns against their content, their provenance against their store row
  // in the audit trail - and the audit trail's chain from its first row. Each fault found is a
  // line of report.faults naming the entry or row and what does not hold; false only when the
  // archive cannot be read.
  // It also checks every signature on those entries (all signatures when no id is given) against
  // its enrolled key, and that key against its enrolment, confirmation and revocation. Failed
  // signings (a wrong passphrase, a key that could not sign) are no fault but are listed in notes.
  struct VerifyReport {
    std::int64_t entries = 0, rows = 0, signatures = 0;
    std::vector<std::string> faults;
    std::vector<std::string> notes;
  };
  bool Verify(const std::vector<std::int64_t>& ids, VerifyReport& report, std::string& error);

  // Signers' keys and signatures. Each call runs in one transaction that also appends its audit
  // row, and judges what the keys may do from the enrolments and key events the archive holds at
  // that moment. Anything refused (kRefused, error says why) is recorded in the audit trail as a
  // failed action; kFailed: the archive could not be read or written.
  enum class KeyAnswer { kDone, kRefused, kFailed };
  //
  // Enrols the unlocked key of signer with role. firstAdministrator asks for the archive's first
  // administrator key, confirmed by its own enrolment: refused when a key is confirmed already.
  KeyAnswer EnrolKey(const AuditActor& actor, const TSigningKey& key, const Signer& signer,
                     KeyRole role, bool firstAdministrator, EnrolledKey& enrolled,
                     std::string& error);
  // Confirms (or revokes) the key named (FindKeyNamed) by the unlocked key `by`. A confirmation
  // takes a confirmed, unrevoked administrator key of another login than the key's; a revocation
  // the key itself or such an administrator key.
  KeyAnswer ConfirmKey(const AuditActor& actor, const TSigningKey& by, const std::string& name,
                       EnrolledKey& confirmed, std::string& error);
  KeyAnswer RevokeKey(const AuditActor& actor, const TSigningKey& by, const std::string& name,
                      const std::string& reason, EnrolledKey& revoked, std::string& error);
  // Signs entry id with meaning, by the unlocked key, which must be confirmed and not revoked.
  KeyAnswer Sign(const AuditActor& actor, const TSigningKey& key, std::int64_t id,
                 SignatureMeaning meaning, const std::string& comment, EntrySignature& signature,
                 std::string& error);
  // The keys with their confirmations and revocations, as KeyStates judges them.
  bool Keys(std::vector<KeyState>& keys, std::string& error);
  // The signatures on entry id (on every entry when id is 0), in the order they were made.
  bool Signatures(std::int64_t id, std::vector<EntrySignature>& signatures, std::string& error);

  // The entry stored by a download (never an import) of the same mission (serial, mission start
  // instant, sample rate, test flag) that holds the most samples (the latest download of it);
  // found=false when none. An entry whose content no longer matches its hash is an error.
  bool FindMission(const TProbeStatus& status, std::unique_ptr<TProbeRecord>& earlier, bool& found,
                   std::string& error);

 private:
  using Work = std::function<bool(QSqlDatabase& db, std::string& error)>;
  // Opens on demand and runs work; when it fails because the connection was lost, connects again
  // and runs it once more.
  bool Run(const Work& work, std::string& error);
  void Close();
  // One key or signing call: in a write transaction, under the audit lock, with the keys as they
  // stand judged by KeyStates, `act` writes its rows and appends its audit row (true), refuses
  // with `refusal` set, or fails on the database (sqlError). A refusal is appended to the audit
  // trail as `refused`, failed, with the refusal as its message.
  using KeyWork = std::function<bool(QSqlDatabase& db, const std::vector<KeyState>& states,
                                     std::int64_t now, std::string& refusal, QSqlError& sqlError)>;
  KeyAnswer KeyCall(const AuditActor& actor, AuditEvent refused, const KeyWork& act,
                    std::string& error);
  KeyAnswer KeyEventCall(const AuditActor& actor, const TSigningKey& by, bool confirm,
                         const std::string& name, const std::string& reason, EnrolledKey& concerned,
                         std::string& error);

  ArchiveLocation location_;
  std::string connectionName_;
  bool open_ = false;
  bool readOnly_ = false;
};

// Where a download finds the earlier download of its mission: the archive's latest entry of it.
// An archive that cannot be asked gives none, which only costs a whole download. The archive
// must outlive the download.
TProbe::EarlierDownload EarlierDownloadsFrom(TArchive& archive);

// The canonical form (versioned, locale-independent bytes) and its SHA-256 as 64 hex digits.
std::string CanonicalRecord(const TProbeRecord& record);
std::string ContentHash(const TProbeRecord& record);
// Appends the bytes as lower-case hexadecimal digits.
void AppendHex(std::string& out, std::string_view bytes);

}  // namespace ombrix
