#pragma once

#include <string>
#include <string_view>

#include "Archive.h"
#include "Signing.h"

namespace ombrix {

// Unlocks a key file with the passphrase given, for an action on the archive. A wrong passphrase
// is itself an action: `attempt` (what was tried: "sign", "key", with its values) is appended to
// the archive's audit trail as failed, with the key's fingerprint, so that guessing shows. The
// window and ombrix-cli both unlock this way.
UnlockResult UnlockForArchive(TArchive& archive, const AuditActor& actor, const KeyFile& file,
                              std::string_view passphrase, AuditEvent attempt, TSigningKey& key,
                              std::string& error);

// What an attempt to sign entry id records when it is refused before the archive is reached.
AuditEvent SigningAttempt(std::int64_t entryId, SignatureMeaning meaning,
                          const std::string& comment);

}  // namespace ombrix
