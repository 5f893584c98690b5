// key create, confirm, revoke and list, and archive sign: the signers' keys and their signatures
// on archive entries. Passphrases come from the terminal or a file descriptor, never from the
// command line, and live only in locked memory while a key is unlocked.
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "Commands.h"
#include "ExitCode.h"
#include "KeyUse.h"
#include "Passphrase.h"
#include "SignatureText.h"
#include "Signing.h"

namespace ombrix::cli {

namespace {

// The least a passphrase must have: short ones fall to guessing even at Argon2id's cost.
constexpr std::size_t kMinPassphraseBytes = 8;

std::string KeyPath(const Options& options, const AuditActor& actor) {
  return options.keyFile.empty() ? DefaultKeyFilePath(actor.user) : options.keyFile;
}

int Answer(TArchive::KeyAnswer answer, const std::string& error, const Console& console) {
  if (answer == TArchive::KeyAnswer::kDone) return kSuccess;
  console.Message(error);
  return answer == TArchive::KeyAnswer::kRefused ? kRefused : kArchiveError;
}

// Loads the key file and unlocks it with the passphrase asked for. A wrong passphrase is refused
// and, as an attempt to use the key, recorded in the audit trail as `attempt`, failed.
int UnlockKey(const Options& options, TArchive& archive, const AuditActor& actor,
              const AuditEvent& attempt, TSigningKey& key, const Console& console) {
  const std::string path = KeyPath(options, actor);
  KeyFile file;
  std::string error;
  if (!LoadKeyFile(path, file, error)) {
    console.Message(error + (options.keyFile.empty() && !QFile::exists(QString::fromStdString(path))
                                 ? " Make your key with: ombrix-cli key create"
                                 : ""));
    return kFileError;
  }
  TSecret passphrase;
  if (!ReadPassphrase(options.passphraseFd,
                      "Passphrase of the key of " + file.signer.login + " (" +
                          KeyFingerprint(file.publicKey) + "): ",
                      passphrase, error)) {
    console.Message(error);
    return kUsage;
  }
  const UnlockResult result =
      UnlockForArchive(archive, actor, file, passphrase.View(), attempt, key, error);
  if (result == UnlockResult::kUnlocked) return kSuccess;
  console.Message(error);
  return result == UnlockResult::kDamaged ? kFileError : kRefused;
}

int Create(TArchive& archive, const Options& options, const Console& console) {
  const AuditActor actor = CurrentActor(OMBRIX_VERSION);
  Signer signer{actor.user, options.name.value_or(actor.fullName)};
  if (signer.name.empty()) signer.name = signer.login;
  std::string error;
  if (!ValidSigner(signer, error)) {
    console.Message(error + (options.name ? "" : " Give it with --name \"FULL NAME\"."));
    return kUsage;
  }
  std::vector<KeyState> keys;
  if (!archive.Keys(keys, error)) return ArchiveFailure(console, error);
  const bool first =
      options.administrator &&
      std::none_of(keys.begin(), keys.end(), [](const KeyState& k) { return k.confirmedSeq != 0; });
  const std::string path = KeyPath(options, actor);
  if (QFile::exists(QString::fromStdString(path))) {
    console.Message("A key file is at \"" + path +
                    "\" already; it is not replaced. Revoke its key if it is lost or known to "
                    "others, and make the new one with --key FILE.");
    return kFileError;
  }
  TSecret passphrase, again;
  if (!ReadPassphrase(options.passphraseFd, "Passphrase for the new key: ", passphrase, error) ||
      (!options.passphraseFd &&
       !ReadPassphrase(std::nullopt, "The same passphrase again: ", again, error))) {
    console.Message(error);
    return kUsage;
  }
  if (!options.passphraseFd && passphrase.View() != again.View()) {
    console.Message("The two passphrases differ; no key was made.");
    return kUsage;
  }
  if (passphrase.Size() < kMinPassphraseBytes) {
    console.Message("A passphrase needs at least " + std::to_string(kMinPassphraseBytes) +
                    " characters; no key was made.");
    return kUsage;
  }
  KeyFile file;
  if (CreateKeyFile(path, signer, passphrase.View(), DefaultKdfLimits(), false, file, error) !=
      CreateKeyResult::kCreated) {
    console.Message(error);
    return kFileError;
  }
  TSigningKey key;
  EnrolledKey enrolled;
  TArchive::KeyAnswer answer = TArchive::KeyAnswer::kFailed;
  if (TSigningKey::Unlock(file, passphrase.View(), key, error) == UnlockResult::kUnlocked) {
    answer = archive.EnrolKey(actor, key, signer,
                              options.administrator ? KeyRole::kAdministrator : KeyRole::kSigner,
                              first, enrolled, error);
  }
  if (answer != TArchive::KeyAnswer::kDone) {
    // A key the archive does not know is of no use: nothing is left behind.
    std::remove(path.c_str());
    return Answer(answer, error, console);
  }
  console.out << "key " << enrolled.fingerprint << " of " << signer.login << " (" << signer.name
              << "), " << RoleText(enrolled.role) << ", in \"" << path << "\"\n";
  console.Message(first ? "enrolled as the archive's first administrator key"
                        : "enrolled; it signs nothing until an administrator other than you "
                          "confirms it (ombrix-cli key confirm " +
                              signer.login + ")");
  return kSuccess;
}

int ConfirmOrRevoke(TArchive& archive, const Options& options, const Console& console) {
  const AuditActor actor = CurrentActor(OMBRIX_VERSION);
  const bool confirm = options.archiveCommand == ArchiveCommand::kKeyConfirm;
  AuditEvent attempt;
  attempt.action = "key";
  attempt.newValue =
      std::string("event=") + (confirm ? "confirmed" : "revoked") + "\nkey=" + options.keyName;
  TSigningKey key;
  if (int code = UnlockKey(options, archive, actor, attempt, key, console)) return code;
  EnrolledKey concerned;
  std::string error;
  const TArchive::KeyAnswer answer =
      confirm ? archive.ConfirmKey(actor, key, options.keyName, concerned, error)
              : archive.RevokeKey(actor, key, options.keyName, options.reason, concerned, error);
  if (int code = Answer(answer, error, console)) return code;
  console.Message((confirm ? "confirmed the key " : "revoked the key ") + concerned.fingerprint +
                  " of " + concerned.signer.login + " (" + concerned.signer.name + ")");
  return kSuccess;
}

int List(TArchive& archive, const Console& console) {
  std::vector<KeyState> keys;
  std::string error;
  if (!archive.Keys(keys, error)) return ArchiveFailure(console, error);
  const auto when = [](std::int64_t seconds) {
    return DateTimeText(ProbeSecondsToDateTime(seconds)).toStdString();
  };
  for (const KeyState& k : keys) {
    std::string state;
    if (k.revokedSeq != 0) {
      state = "revoked " + when(k.revokedSeconds) + " by " + k.revokedBy;
    } else if (k.key.firstAdministrator && k.confirmedSeq != 0) {
      state = "the first administrator key, since " + when(k.confirmedSeconds);
    } else if (k.confirmedSeq != 0) {
      state = "confirmed " + when(k.confirmedSeconds) + " by " + k.confirmedBy;
    } else {
      state = "awaiting confirmation";
    }
    console.out << k.key.fingerprint << "  " << k.key.signer.login << " (" << k.key.signer.name
                << ")  " << RoleText(k.key.role) << "  " << state << '\n';
  }
  if (keys.empty()) console.Message("no key is enrolled in the archive");
  return kSuccess;
}

}  // namespace

int Sign(TArchive& archive, const Options& options, const Console& console) {
  const AuditActor actor = CurrentActor(OMBRIX_VERSION);
  SignatureMeaning meaning = SignatureMeaning::kReviewed;
  ParseMeaning(options.meaning, meaning);
  const std::string comment = options.comment.value_or("");
  TSigningKey key;
  if (int code = UnlockKey(options, archive, actor,
                           SigningAttempt(options.archiveId, meaning, comment), key, console)) {
    return code;
  }
  EntrySignature signature;
  std::string error;
  if (int code =
          Answer(archive.Sign(actor, key, options.archiveId, meaning, comment, signature, error),
                 error, console)) {
    return code;
  }
  console.out << "entry " << signature.entryId << ": "
              << SignatureText(signature.statement).toStdString() << '\n';
  return kSuccess;
}

int RunKey(const Options& options, const Request& request, const Console& console) {
  std::unique_ptr<TArchive> archive;
  if (int code = OpenArchive(request, console, archive)) return code;
  switch (options.archiveCommand) {
    case ArchiveCommand::kKeyCreate:
      return Create(*archive, options, console);
    case ArchiveCommand::kKeyConfirm:
    case ArchiveCommand::kKeyRevoke:
      return ConfirmOrRevoke(*archive, options, console);
    case ArchiveCommand::kKeyList:
      return List(*archive, console);
    default:
      return kUsage;
  }
}

}  // namespace ombrix::cli
