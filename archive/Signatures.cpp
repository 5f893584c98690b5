#include "Signatures.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>
#include <set>

#include "Archive.h"
#include "ArchiveSql.h"
#include "TimeConversion.h"

namespace ombrix {

using archive_sql::Cause;
using archive_sql::DialectOf;
using archive_sql::SqlDialect;
using archive_sql::Transaction;

namespace {

std::string Hexed(std::string_view text) {
  std::string out;
  AppendHex(out, text);
  return out;
}

std::string Utf8(const QVariant& value) {
  return value.toString().toStdString();
}
QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

const char* EventText(KeyEvent::Kind kind) {
  return kind == KeyEvent::Kind::kConfirm ? "confirm" : "revoke";
}

}  // namespace

std::string_view RoleText(KeyRole role) {
  return role == KeyRole::kAdministrator ? "administrator" : "signer";
}

std::string KeyEnrolmentMessage(const EnrolledKey& key) {
  return "ombrix-key/1\npublic=" + key.publicKey + "\nlogin=" + Hexed(key.signer.login) +
         "\nname=" + Hexed(key.signer.name) + "\nrole=" + std::string(RoleText(key.role)) +
         "\nfirst_administrator=" + (key.firstAdministrator ? "1" : "0") +
         "\ninstant=" + std::to_string(key.instantSeconds) + "\n";
}

std::string KeyEventMessage(const KeyEvent& event) {
  return std::string("ombrix-key-event/1\nevent=") + EventText(event.kind) +
         "\nkey=" + event.keyPublic + "\nby=" + event.byPublic +
         "\ninstant=" + std::to_string(event.instantSeconds) + "\nreason=" + Hexed(event.reason) +
         "\n";
}

const KeyState* FindKey(const std::vector<KeyState>& states, std::string_view publicKey) {
  for (const KeyState& state : states) {
    if (state.key.publicKey == publicKey) return &state;
  }
  return nullptr;
}

const KeyState* FindKeyNamed(const std::vector<KeyState>& states, std::string_view name) {
  std::string compact;
  for (char c : name) {
    if (c != ' ') compact += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  const KeyState* found = nullptr;
  for (const KeyState& state : states) {
    std::string fingerprint = state.key.fingerprint;
    std::erase(fingerprint, ' ');
    if (state.key.signer.login == name || state.key.publicKey == compact ||
        (!compact.empty() && fingerprint == compact)) {
      found = &state;  // the newest key of a login
    }
  }
  return found;
}

std::vector<KeyState> KeyStates(const std::vector<EnrolledKey>& keys,
                                const std::vector<KeyEvent>& events,
                                std::vector<std::string>* faults) {
  const auto fault = [faults](std::string text) {
    if (faults) faults->push_back(std::move(text));
  };
  std::vector<KeyState> states;
  // Enrolments and events in the order of the audit trail.
  struct Step {
    std::int64_t seq;
    const EnrolledKey* key;  // an enrolment, or
    const KeyEvent* event;   // a confirmation or revocation
  };
  std::vector<Step> timeline;
  for (const EnrolledKey& key : keys) timeline.push_back({key.auditSeq, &key, nullptr});
  for (const KeyEvent& event : events) timeline.push_back({event.auditSeq, nullptr, &event});
  std::stable_sort(timeline.begin(), timeline.end(),
                   [](const Step& a, const Step& b) { return a.seq < b.seq; });
  bool anyConfirmed = false;
  for (const Step& step : timeline) {
    const std::int64_t seq = step.seq;
    if (step.key) {
      const EnrolledKey& key = *step.key;
      const std::string name = "key " + key.fingerprint + " of " + key.signer.login;
      if (!VerifySignature(key.publicKey, KeyEnrolmentMessage(key), key.selfSignature)) {
        fault(name + ": its enrolment is not signed by the key itself (the key row was changed)");
        continue;
      }
      KeyState& state = states.emplace_back();
      state.key = key;
      if (key.firstAdministrator) {
        if (anyConfirmed || key.role != KeyRole::kAdministrator) {
          fault(name + ": enrolled as the first administrator key when it could not be one");
        } else {
          state.confirmedSeq = key.auditSeq;
          state.confirmedBy = key.signer.login;
          state.confirmedSeconds = key.instantSeconds;
          anyConfirmed = true;
        }
      }
      continue;
    }
    const KeyEvent& event = *step.event;
    const std::string name =
        std::string("key event ") + std::to_string(event.id) + " (" +
        (event.kind == KeyEvent::Kind::kConfirm ? "confirmation" : "revocation") + ")";
    auto target = std::find_if(states.begin(), states.end(), [&](const KeyState& s) {
      return s.key.publicKey == event.keyPublic;
    });
    const KeyState* by = FindKey(states, event.byPublic);
    if (target == states.end() || !by) {
      fault(name + ": names a key that is not enrolled before it");
      continue;
    }
    if (!VerifySignature(event.byPublic, KeyEventMessage(event), event.signature)) {
      fault(name + ": its signature does not verify (the row was changed)");
      continue;
    }
    const bool administrator = by->key.role == KeyRole::kAdministrator && by->CanSignAt(seq);
    if (event.kind == KeyEvent::Kind::kConfirm) {
      if (!administrator || by->key.signer.login == target->key.signer.login ||
          target->confirmedSeq != 0 || target->revokedSeq != 0) {
        fault(name + ": made by a key that could not confirm this one");
        continue;
      }
      target->confirmedSeq = seq;
      target->confirmedBy = by->key.signer.login;
      target->confirmedSeconds = event.instantSeconds;
      anyConfirmed = true;
    } else {
      if ((!administrator && by != &*target) || target->revokedSeq != 0) {
        fault(name + ": made by a key that could not revoke this one");
        continue;
      }
      target->revokedSeq = seq;
      target->revokedBy = by->key.signer.login;
      target->revokedSeconds = event.instantSeconds;
    }
  }
  return states;
}

namespace archive_sql {

namespace {

// Runs the statement with the values bound in order.
bool Insert(QSqlDatabase& db, const QString& sql, const QVariantList& values, QSqlError& error) {
  QSqlQuery query(db);
  bool ok = query.prepare(sql);
  for (const QVariant& value : values) query.addBindValue(value);
  if (ok && query.exec()) return true;
  error = query.lastError();
  return false;
}

}  // namespace

bool ReadKeys(QSqlDatabase& db, std::vector<EnrolledKey>& keys, std::vector<KeyEvent>& events,
              QSqlError& error) {
  QSqlQuery query(db);
  query.setForwardOnly(true);
  if (!query.exec(QStringLiteral(
          "SELECT id, public_key, fingerprint, login, full_name, role, instant_seconds, "
          "first_administrator, self_signature, audit_seq FROM ombrix_keys ORDER BY audit_seq"))) {
    error = query.lastError();
    return false;
  }
  keys.clear();
  while (query.next()) {
    EnrolledKey& k = keys.emplace_back();
    k.id = query.value(0).toLongLong();
    k.publicKey = Utf8(query.value(1));
    k.fingerprint = Utf8(query.value(2));
    k.signer = {Utf8(query.value(3)), Utf8(query.value(4))};
    k.role = Utf8(query.value(5)) == "administrator" ? KeyRole::kAdministrator : KeyRole::kSigner;
    k.instantSeconds = query.value(6).toLongLong();
    k.firstAdministrator = query.value(7).toInt() != 0;
    k.selfSignature = Utf8(query.value(8));
    k.auditSeq = query.value(9).toLongLong();
  }
  if (query.lastError().isValid() ||
      !query.exec(QStringLiteral("SELECT id, event, key_public, by_public, instant_seconds, "
                                 "reason, signature, audit_seq FROM ombrix_key_events "
                                 "ORDER BY audit_seq"))) {
    error = query.lastError();
    return false;
  }
  events.clear();
  while (query.next()) {
    KeyEvent& e = events.emplace_back();
    e.id = query.value(0).toLongLong();
    e.kind = Utf8(query.value(1)) == "revoke" ? KeyEvent::Kind::kRevoke : KeyEvent::Kind::kConfirm;
    e.keyPublic = Utf8(query.value(2));
    e.byPublic = Utf8(query.value(3));
    e.instantSeconds = query.value(4).toLongLong();
    e.reason = Utf8(query.value(5));
    e.signature = Utf8(query.value(6));
    e.auditSeq = query.value(7).toLongLong();
  }
  if (query.lastError().isValid()) {
    error = query.lastError();
    return false;
  }
  return true;
}

bool ReadSignatures(QSqlDatabase& db, std::int64_t id, std::vector<EntrySignature>& signatures,
                    QSqlError& error) {
  QSqlQuery query(db);
  query.setForwardOnly(true);
  bool ok = query.prepare(
      QStringLiteral("SELECT id, entry_id, content_hash, meaning, login, full_name, "
                     "instant_seconds, comment, public_key, signature, audit_seq FROM "
                     "ombrix_signatures%1 ORDER BY audit_seq")
          .arg(id != 0 ? QStringLiteral(" WHERE entry_id = ?") : QString()));
  if (id != 0) query.addBindValue(static_cast<qint64>(id));
  if (!ok || !query.exec()) {
    error = query.lastError();
    return false;
  }
  signatures.clear();
  while (query.next()) {
    EntrySignature& s = signatures.emplace_back();
    s.id = query.value(0).toLongLong();
    s.entryId = query.value(1).toLongLong();
    s.statement.contentHash = Utf8(query.value(2));
    ParseMeaning(Utf8(query.value(3)), s.statement.meaning);
    s.statement.signer = {Utf8(query.value(4)), Utf8(query.value(5))};
    s.statement.instant = query.value(6).toLongLong();
    s.statement.comment = Utf8(query.value(7));
    s.publicKey = Utf8(query.value(8));
    s.signature = Utf8(query.value(9));
    s.auditSeq = query.value(10).toLongLong();
    // A meaning this program does not know cannot have been signed by it: without its signature
    // the row fails verification instead of passing as the meaning it was read as.
    if (Utf8(query.value(3)) != MeaningText(s.statement.meaning)) s.signature.clear();
  }
  if (query.lastError().isValid()) {
    error = query.lastError();
    return false;
  }
  return true;
}

}  // namespace archive_sql

namespace {

// What the audit rows of keys, key events and signatures hold as their new value, so that each
// row of those tables can be held against the row that recorded it.
std::string KeyFacts(const EnrolledKey& key) {
  return "event=enrolled\nlogin=" + key.signer.login + "\nname=" + key.signer.name +
         "\nrole=" + std::string(RoleText(key.role)) + "\nfingerprint=" + key.fingerprint +
         "\npublic_key=" + key.publicKey +
         "\nfirst_administrator=" + (key.firstAdministrator ? "yes" : "no") +
         "\nenrolled=" + std::to_string(key.instantSeconds);
}

std::string KeyEventFacts(const KeyEvent& event, const EnrolledKey& key, const EnrolledKey& by) {
  return std::string("event=") +
         (event.kind == KeyEvent::Kind::kConfirm ? "confirmed" : "revoked") +
         "\nlogin=" + key.signer.login + "\nfingerprint=" + key.fingerprint +
         "\npublic_key=" + key.publicKey + "\nby=" + by.signer.login +
         "\nby_fingerprint=" + by.fingerprint +
         "\ninstant=" + std::to_string(event.instantSeconds) + "\nreason=" + event.reason;
}

std::string SignatureFacts(const EntrySignature& s) {
  return "meaning=" + std::string(MeaningText(s.statement.meaning)) +
         "\nlogin=" + s.statement.signer.login + "\nname=" + s.statement.signer.name +
         "\ninstant=" + std::to_string(s.statement.instant) + "\ncomment=" + s.statement.comment +
         "\ncontent_hash=" + s.statement.contentHash +
         "\nfingerprint=" + KeyFingerprint(s.publicKey);
}

std::string When(std::int64_t seconds) {
  return IsoDateTimeText(seconds).toStdString();
}

std::string KeyName(const EnrolledKey& key) {
  return "key " + key.fingerprint + " of " + key.signer.login;
}

// Why the key cannot sign now; empty when it can.
std::string CannotSign(const KeyState* state, const std::string& archiveText) {
  if (!state) {
    return "This key is not enrolled in the archive \"" + archiveText +
           "\": enrol it first, then have an administrator confirm it.";
  }
  if (state->revokedSeq != 0) {
    return "The " + KeyName(state->key) + " was revoked on " + When(state->revokedSeconds) +
           " by " + state->revokedBy + ": it signs nothing any more.";
  }
  if (state->confirmedSeq == 0) {
    return "The " + KeyName(state->key) +
           " has not been confirmed by an administrator yet: it signs nothing until a second "
           "person confirms it.";
  }
  return {};
}

}  // namespace

TArchive::KeyAnswer TArchive::KeyCall(const AuditActor& actor, AuditEvent refused,
                                      const KeyWork& act, std::string& error) {
  const SqlDialect& dialect = DialectOf(location_);
  std::string refusal;
  const bool ok = Run(
      [&](QSqlDatabase& db, std::string& error) {
        refusal.clear();
        Transaction transaction(db, dialect);
        QSqlError sqlError;
        std::vector<EnrolledKey> keys;
        std::vector<KeyEvent> events;
        if (transaction.Begin(false, sqlError) && archive_sql::LockAudit(db, dialect, sqlError) &&
            archive_sql::ReadKeys(db, keys, events, sqlError)) {
          if (act(db, KeyStates(keys, events), NowProbeSeconds(), refusal, sqlError) &&
              transaction.Commit(sqlError)) {
            return true;
          }
          if (!refusal.empty()) return false;
        }
        error = "Cannot write to the archive \"" + location_.Text() +
                "\": " + Cause(sqlError, dialect) + ".";
        return false;
      },
      error);
  if (ok) return KeyAnswer::kDone;
  if (refusal.empty()) return KeyAnswer::kFailed;
  // The refusal is an action of its own: someone tried, and it is on record.
  error = refusal;
  refused.done = false;
  refused.message = refusal;
  std::string auditError;
  if (!Append(actor, refused, auditError)) error += " " + auditError;
  return KeyAnswer::kRefused;
}

TArchive::KeyAnswer TArchive::EnrolKey(const AuditActor& actor, const TSigningKey& key,
                                       const Signer& signer, KeyRole role, bool firstAdministrator,
                                       EnrolledKey& enrolled, std::string& error) {
  if (!key.Unlocked()) {
    error = "The key is not unlocked.";
    return KeyAnswer::kRefused;
  }
  if (!ValidSigner(signer, error)) return KeyAnswer::kRefused;
  AuditEvent refused;
  refused.action = "key";
  refused.newValue = "event=enrolled\nlogin=" + signer.login + "\nname=" + signer.name +
                     "\nrole=" + std::string(RoleText(role)) +
                     "\nfingerprint=" + KeyFingerprint(key.PublicKey());
  return KeyCall(
      actor, refused,
      [&](QSqlDatabase& db, const std::vector<KeyState>& states, std::int64_t now,
          std::string& refusal, QSqlError& sqlError) {
        if (const KeyState* same = FindKey(states, key.PublicKey())) {
          refusal = "This key is enrolled already, as the " + KeyName(same->key) + ".";
          return false;
        }
        if (firstAdministrator && std::any_of(states.begin(), states.end(), [](const KeyState& s) {
              return s.confirmedSeq != 0;
            })) {
          refusal = "The archive \"" + location_.Text() +
                    "\" has its administrator already: a new key is enrolled as any other and "
                    "confirmed by an administrator.";
          return false;
        }
        EnrolledKey k;
        k.publicKey = key.PublicKey();
        k.fingerprint = KeyFingerprint(k.publicKey);
        k.signer = signer;
        k.role = firstAdministrator ? KeyRole::kAdministrator : role;
        k.instantSeconds = now;
        k.firstAdministrator = firstAdministrator;
        k.selfSignature = key.Sign(KeyEnrolmentMessage(k));
        AuditEvent event;
        event.action = "key";
        event.newValue = KeyFacts(k);
        event.message = firstAdministrator ? "the archive's first administrator key"
                                           : "awaiting confirmation by an administrator";
        if (!archive_sql::AppendAudit(db, DialectOf(location_), actor, event, now, sqlError,
                                      &k.auditSeq) ||
            !archive_sql::Insert(
                db,
                QStringLiteral("INSERT INTO ombrix_keys (public_key, fingerprint, login, "
                               "full_name, role, instant_seconds, first_administrator, "
                               "self_signature, audit_seq) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {Text(k.publicKey), Text(k.fingerprint), Text(k.signer.login), Text(k.signer.name),
                 Text(std::string(RoleText(k.role))), static_cast<qint64>(k.instantSeconds),
                 int{k.firstAdministrator}, Text(k.selfSignature), static_cast<qint64>(k.auditSeq)},
                sqlError)) {
          return false;
        }
        enrolled = k;
        return true;
      },
      error);
}

TArchive::KeyAnswer TArchive::KeyEventCall(const AuditActor& actor, const TSigningKey& by,
                                           bool confirm, const std::string& name,
                                           const std::string& reason, EnrolledKey& concerned,
                                           std::string& error) {
  if (!by.Unlocked()) {
    error = "The key is not unlocked.";
    return KeyAnswer::kRefused;
  }
  AuditEvent refused;
  refused.action = "key";
  refused.newValue = std::string("event=") + (confirm ? "confirmed" : "revoked") + "\nkey=" + name +
                     "\nby_fingerprint=" + KeyFingerprint(by.PublicKey()) +
                     (confirm ? "" : "\nreason=" + reason);
  return KeyCall(
      actor, refused,
      [&](QSqlDatabase& db, const std::vector<KeyState>& states, std::int64_t now,
          std::string& refusal, QSqlError& sqlError) {
        const KeyState* target = FindKeyNamed(states, name);
        const KeyState* signer = FindKey(states, by.PublicKey());
        const bool administrator = signer && signer->key.role == KeyRole::kAdministrator &&
                                   signer->confirmedSeq != 0 && signer->revokedSeq == 0;
        if (!target) {
          refusal =
              "No key \"" + name + "\" is enrolled in the archive \"" + location_.Text() + "\".";
        } else if (!signer) {
          refusal = "Your key is not enrolled in the archive \"" + location_.Text() + "\".";
        } else if (target->revokedSeq != 0) {
          refusal = "The " + KeyName(target->key) + " was revoked on " +
                    When(target->revokedSeconds) + " by " + target->revokedBy + ".";
        } else if (confirm && target->confirmedSeq != 0) {
          refusal = "The " + KeyName(target->key) + " was confirmed already, on " +
                    When(target->confirmedSeconds) + " by " + target->confirmedBy + ".";
        } else if (confirm && signer->key.signer.login == target->key.signer.login) {
          refusal =
              "Nobody confirms their own key: a second person with an administrator key "
              "must confirm the " +
              KeyName(target->key) + ".";
        } else if (!administrator && (confirm || signer != target)) {
          refusal = "Only a confirmed administrator key can " +
                    std::string(confirm ? "confirm a key" : "revoke another person's key") +
                    "; yours is the " + KeyName(signer->key) + " (" +
                    std::string(RoleText(signer->key.role)) +
                    (signer->confirmedSeq == 0 ? ", not confirmed" : "") +
                    (signer->revokedSeq != 0 ? ", revoked" : "") + ").";
        }
        if (!refusal.empty()) return false;
        KeyEvent e;
        e.kind = confirm ? KeyEvent::Kind::kConfirm : KeyEvent::Kind::kRevoke;
        e.keyPublic = target->key.publicKey;
        e.byPublic = signer->key.publicKey;
        e.instantSeconds = now;
        e.reason = reason;
        e.signature = by.Sign(KeyEventMessage(e));
        AuditEvent event;
        event.action = "key";
        event.newValue = KeyEventFacts(e, target->key, signer->key);
        event.message = reason;
        if (!archive_sql::AppendAudit(db, DialectOf(location_), actor, event, now, sqlError,
                                      &e.auditSeq) ||
            !archive_sql::Insert(
                db,
                QStringLiteral("INSERT INTO ombrix_key_events (event, "
                               "key_public, by_public, instant_seconds, reason, "
                               "signature, audit_seq) VALUES (?, ?, ?, ?, ?, ?, "
                               "?)"),
                {QString::fromLatin1(EventText(e.kind)), Text(e.keyPublic), Text(e.byPublic),
                 static_cast<qint64>(e.instantSeconds), Text(e.reason), Text(e.signature),
                 static_cast<qint64>(e.auditSeq)},
                sqlError)) {
          return false;
        }
        concerned = target->key;
        return true;
      },
      error);
}

TArchive::KeyAnswer TArchive::ConfirmKey(const AuditActor& actor, const TSigningKey& by,
                                         const std::string& name, EnrolledKey& confirmed,
                                         std::string& error) {
  return KeyEventCall(actor, by, true, name, "", confirmed, error);
}

TArchive::KeyAnswer TArchive::RevokeKey(const AuditActor& actor, const TSigningKey& by,
                                        const std::string& name, const std::string& reason,
                                        EnrolledKey& revoked, std::string& error) {
  return KeyEventCall(actor, by, false, name, reason, revoked, error);
}

TArchive::KeyAnswer TArchive::Sign(const AuditActor& actor, const TSigningKey& key, std::int64_t id,
                                   SignatureMeaning meaning, const std::string& comment,
                                   EntrySignature& signature, std::string& error) {
  if (!key.Unlocked()) {
    error = "The key is not unlocked.";
    return KeyAnswer::kRefused;
  }
  AuditEvent refused;
  refused.action = "sign";
  refused.entryId = id;
  refused.newValue = "meaning=" + std::string(MeaningText(meaning)) +
                     "\nfingerprint=" + KeyFingerprint(key.PublicKey()) + "\ncomment=" + comment;
  return KeyCall(
      actor, refused,
      [&](QSqlDatabase& db, const std::vector<KeyState>& states, std::int64_t now,
          std::string& refusal, QSqlError& sqlError) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.prepare(QStringLiteral(
                "SELECT content_hash, serial_text FROM ombrix_entries WHERE id = ?"))) {
          sqlError = query.lastError();
          return false;
        }
        query.addBindValue(static_cast<qint64>(id));
        if (!query.exec()) {
          sqlError = query.lastError();
          return false;
        }
        if (!query.next()) {
          refusal = "There is no entry " + std::to_string(id) + " in the archive \"" +
                    location_.Text() + "\".";
          return false;
        }
        EntrySignature s;
        s.entryId = id;
        s.statement.contentHash = Utf8(query.value(0));
        const std::string serial = Utf8(query.value(1));
        query.finish();
        const KeyState* state = FindKey(states, key.PublicKey());
        refusal = CannotSign(state, location_.Text());
        if (!refusal.empty()) return false;
        s.statement.meaning = meaning;
        s.statement.signer = state->key.signer;
        s.statement.instant = now;
        s.statement.comment = comment;
        s.publicKey = key.PublicKey();
        std::string message;
        if (!SignedMessage(s.statement, message, refusal)) return false;
        s.signature = key.Sign(message);
        AuditEvent event;
        event.action = "sign";
        event.probeSerial = serial;
        event.entryId = id;
        event.newValue = SignatureFacts(s);
        if (!archive_sql::AppendAudit(db, DialectOf(location_), actor, event, now, sqlError,
                                      &s.auditSeq) ||
            !archive_sql::Insert(
                db,
                QStringLiteral("INSERT INTO ombrix_signatures (entry_id, content_hash, meaning, "
                               "login, full_name, instant_seconds, comment, public_key, "
                               "signature, audit_seq) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {static_cast<qint64>(id), Text(s.statement.contentHash),
                 QString::fromLatin1(MeaningText(meaning).data(),
                                     static_cast<int>(MeaningText(meaning).size())),
                 Text(s.statement.signer.login), Text(s.statement.signer.name),
                 static_cast<qint64>(now), Text(comment), Text(s.publicKey), Text(s.signature),
                 static_cast<qint64>(s.auditSeq)},
                sqlError)) {
          return false;
        }
        signature = s;
        return true;
      },
      error);
}

bool TArchive::Keys(std::vector<KeyState>& states, std::string& error) {
  const SqlDialect& dialect = DialectOf(location_);
  return Run(
      [&](QSqlDatabase& db, std::string& error) {
        std::vector<EnrolledKey> keys;
        std::vector<KeyEvent> events;
        QSqlError sqlError;
        if (archive_sql::ReadKeys(db, keys, events, sqlError)) {
          states = KeyStates(keys, events);
          return true;
        }
        error = "Cannot read the keys of the archive \"" + location_.Text() +
                "\": " + Cause(sqlError, dialect) + ".";
        return false;
      },
      error);
}

bool TArchive::Signatures(std::int64_t id, std::vector<EntrySignature>& signatures,
                          std::string& error) {
  const SqlDialect& dialect = DialectOf(location_);
  return Run(
      [&](QSqlDatabase& db, std::string& error) {
        QSqlError sqlError;
        if (archive_sql::ReadSignatures(db, id, signatures, sqlError)) return true;
        error = "Cannot read the signatures of the archive \"" + location_.Text() +
                "\": " + Cause(sqlError, dialect) + ".";
        return false;
      },
      error);
}

namespace archive_sql {

bool VerifySignatures(QSqlDatabase& db, const std::vector<AuditRow>& rows,
                      const std::map<std::int64_t, std::string>& entryHashes, bool everyEntry,
                      TArchive::VerifyReport& report, QSqlError& error) {
  std::vector<EnrolledKey> keys;
  std::vector<KeyEvent> events;
  std::vector<EntrySignature> signatures;
  if (!ReadKeys(db, keys, events, error) || !ReadSignatures(db, 0, signatures, error)) {
    return false;
  }
  std::map<std::int64_t, const AuditRow*> bySeq;
  for (const AuditRow& row : rows) bySeq.emplace(row.seq, &row);
  // Each key row, key event and signature against the audit row that recorded it.
  const auto recorded = [&](const std::string& name, std::int64_t seq, const char* action,
                            const std::string& facts) {
    const auto row = bySeq.find(seq);
    if (row == bySeq.end() || row->second->event.action != action || !row->second->event.done) {
      report.faults.push_back(name + ": the audit trail has no row that recorded it");
    } else if (row->second->event.newValue != facts) {
      report.faults.push_back(name + ": it differs from audit row " + std::to_string(seq) +
                              ", which recorded it");
    }
  };
  for (const EnrolledKey& key : keys) recorded(KeyName(key), key.auditSeq, "key", KeyFacts(key));
  const auto keyOf = [&](const std::string& publicKey) -> const EnrolledKey* {
    for (const EnrolledKey& key : keys) {
      if (key.publicKey == publicKey) return &key;
    }
    return nullptr;
  };
  for (const KeyEvent& event : events) {
    const EnrolledKey* key = keyOf(event.keyPublic);
    const EnrolledKey* by = keyOf(event.byPublic);
    if (key && by) {
      recorded("key event " + std::to_string(event.id), event.auditSeq, "key",
               KeyEventFacts(event, *key, *by));
    }
  }
  const std::vector<KeyState> states = KeyStates(keys, events, &report.faults);

  for (const EntrySignature& s : signatures) {
    const auto hash = entryHashes.find(s.entryId);
    if (!everyEntry && hash == entryHashes.end()) continue;
    ++report.signatures;
    const std::string name = "signature " + std::to_string(s.id) + " (entry " +
                             std::to_string(s.entryId) + ", " + s.statement.signer.login + ")";
    if (hash == entryHashes.end()) {
      report.faults.push_back(name + ": its entry is not in the archive");
      continue;
    }
    if (s.statement.contentHash != hash->second) {
      report.faults.push_back(name + ": it signs other content than the entry holds");
      continue;
    }
    recorded(name, s.auditSeq, "sign", SignatureFacts(s));
    std::string message, why;
    if (!SignedMessage(s.statement, message, why) ||
        !VerifySignature(s.publicKey, message, s.signature)) {
      report.faults.push_back(name + ": its signature does not verify (the row was changed)");
      continue;
    }
    const KeyState* state = FindKey(states, s.publicKey);
    if (!state) {
      report.faults.push_back(name + ": made with a key the archive does not hold");
    } else if (state->key.signer.login != s.statement.signer.login ||
               state->key.signer.name != s.statement.signer.name) {
      report.faults.push_back(name + ": its signer is not the owner of its key");
    } else if (!state->CanSignAt(s.auditSeq)) {
      report.faults.push_back(name + ": made with the " + KeyName(state->key) +
                              (state->confirmedSeq == 0 || state->confirmedSeq > s.auditSeq
                                   ? " before it was confirmed"
                                   : " after it was revoked"));
    }
  }
  // Every key, key event and signature the trail recorded is still there.
  std::set<std::int64_t> held;
  for (const EnrolledKey& key : keys) held.insert(key.auditSeq);
  for (const KeyEvent& event : events) held.insert(event.auditSeq);
  for (const EntrySignature& s : signatures) held.insert(s.auditSeq);
  for (const AuditRow& row : rows) {
    const bool sign = row.event.action == "sign";
    if (!row.event.done || held.count(row.seq) != 0 || (!sign && row.event.action != "key") ||
        (sign && !everyEntry && entryHashes.count(row.event.entryId) == 0)) {
      continue;
    }
    const bool keyRow = row.event.newValue.rfind("event=enrolled", 0) == 0;
    report.faults.push_back("audit row " + std::to_string(row.seq) + ": records " +
                            (sign     ? "a signature"
                             : keyRow ? "a key"
                                      : "a key event") +
                            " that the archive no longer holds");
  }
  for (const AuditRow& row : rows) {
    if (row.event.action == "sign" && !row.event.done &&
        (everyEntry || entryHashes.count(row.event.entryId) != 0)) {
      report.notes.push_back("audit row " + std::to_string(row.seq) +
                             ": a failed signing of entry " + std::to_string(row.event.entryId) +
                             " by " + row.actor.user + " on " + When(row.instantSeconds) + ": " +
                             row.event.message);
    }
  }
  return true;
}

}  // namespace archive_sql

}  // namespace ombrix
