#pragma once

// Electronic signatures on archive entries, and the keys that make them. Every signer's public key
// is enrolled in the archive with a signature by its own secret half; a key signs nothing until a
// second person holding a confirmed administrator key confirms it (only the archive's first
// administrator key is confirmed by its own enrolment, and only while no key is confirmed yet);
// a revoked key signs nothing after its revocation, while what it signed before stays valid.
// "Before" and "after" are judged by the audit trail's order, which nobody can change unnoticed.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Signing.h"

namespace ombrix {

enum class KeyRole { kSigner, kAdministrator };
std::string_view RoleText(KeyRole role);  // "signer", "administrator"

// A public key as the archive keeps it.
struct EnrolledKey {
  std::int64_t id = 0;
  std::string publicKey;    // hex
  std::string fingerprint;  // KeyFingerprint(publicKey)
  Signer signer;
  KeyRole role = KeyRole::kSigner;
  std::int64_t instantSeconds = 0;  // enrolled (UTC)
  bool firstAdministrator = false;
  std::string selfSignature;  // of KeyEnrolmentMessage, by the key itself
  std::int64_t auditSeq = 0;  // the audit row that enrolled it
};

// A confirmation or revocation of a key, signed by the key of the person who made it.
struct KeyEvent {
  enum class Kind { kConfirm, kRevoke } kind = Kind::kConfirm;
  std::int64_t id = 0;
  std::string keyPublic;  // the key concerned
  std::string byPublic;   // the key that signed the event
  std::int64_t instantSeconds = 0;
  std::string reason;
  std::string signature;  // of KeyEventMessage, by byPublic
  std::int64_t auditSeq = 0;
};

struct EntrySignature {
  std::int64_t id = 0, entryId = 0;
  SignedStatement statement;
  std::string publicKey, signature;
  std::int64_t auditSeq = 0;  // the audit row that recorded it
};

// What a key may do, as the enrolments and key events up to a point of the audit trail make it.
struct KeyState {
  EnrolledKey key;
  std::int64_t confirmedSeq = 0, revokedSeq = 0;  // 0: not (yet)
  std::string confirmedBy, revokedBy;             // logins
  std::int64_t confirmedSeconds = 0, revokedSeconds = 0;
  // Whether the key could sign at audit row seq: confirmed before it, not revoked before it.
  bool CanSignAt(std::int64_t seq) const {
    return confirmedSeq != 0 && confirmedSeq < seq && (revokedSeq == 0 || revokedSeq > seq);
  }
};

// The bytes the key's own signature covers at its enrolment, and those a key event's signature
// covers. Texts enter as hex of their bytes, so that no text can pose as another field.
std::string KeyEnrolmentMessage(const EnrolledKey& key);
std::string KeyEventMessage(const KeyEvent& event);

// The states of the keys after all enrolments and events, in the audit trail's order. An
// enrolment or event that does not hold (a signature that does not verify, a confirmation by a key
// that could not confirm, a second person who is the same one) changes nothing and is named in
// faults, when given.
std::vector<KeyState> KeyStates(const std::vector<EnrolledKey>& keys,
                                const std::vector<KeyEvent>& events,
                                std::vector<std::string>* faults = nullptr);
// The state of the key with that public key, nullptr when none is enrolled.
const KeyState* FindKey(const std::vector<KeyState>& states, std::string_view publicKey);
// A key named the way people name it: by its owner's login (the newest key of that login), by its
// fingerprint (with or without the spaces) or by its public key. nullptr when none matches.
const KeyState* FindKeyNamed(const std::vector<KeyState>& states, std::string_view name);

}  // namespace ombrix
