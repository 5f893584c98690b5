#include "KeyUse.h"

namespace ombrix {

UnlockResult UnlockForArchive(TArchive& archive, const AuditActor& actor, const KeyFile& file,
                              std::string_view passphrase, AuditEvent attempt, TSigningKey& key,
                              std::string& error) {
  const UnlockResult result = TSigningKey::Unlock(file, passphrase, key, error);
  if (result != UnlockResult::kWrongPassphrase) return result;
  attempt.done = false;
  attempt.newValue += (attempt.newValue.empty() ? "" : "\n") + std::string("fingerprint=") +
                      KeyFingerprint(file.publicKey);
  attempt.message = "wrong passphrase for the key of " + file.signer.login;
  std::string auditError;
  if (!archive.Append(actor, attempt, auditError)) error += " " + auditError;
  return result;
}

AuditEvent SigningAttempt(std::int64_t entryId, SignatureMeaning meaning,
                          const std::string& comment) {
  AuditEvent attempt;
  attempt.action = "sign";
  attempt.entryId = entryId;
  attempt.newValue = "meaning=" + std::string(MeaningText(meaning)) + "\ncomment=" + comment;
  return attempt;
}

}  // namespace ombrix
