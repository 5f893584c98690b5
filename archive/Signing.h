#pragma once

// Ed25519 signing keys for the people who review, approve and release archive entries: a key pair
// per signer, its secret half kept in a key file sealed by a passphrase (Argon2id, then
// XSalsa20-Poly1305), the bytes a signature covers, and signing and checking them. Public keys and
// signatures travel as lower-case hex text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

// Bytes that must not linger: kept in their own pages (locked out of swap where the system allows,
// with guard pages around them) and wiped when freed. Move-only.
class TSecret {
 public:
  TSecret() = default;
  // Room for capacity bytes, of which none is used yet. Throws std::bad_alloc when out of memory.
  explicit TSecret(std::size_t capacity);
  ~TSecret();
  TSecret(TSecret&& other) noexcept;
  TSecret& operator=(TSecret&& other) noexcept;
  TSecret(const TSecret&) = delete;
  TSecret& operator=(const TSecret&) = delete;

  unsigned char* Data() { return data_; }
  const unsigned char* Data() const { return data_; }
  std::size_t Size() const { return size_; }
  std::size_t Capacity() const { return capacity_; }
  // Sets how many bytes are in use (at most Capacity()); bytes given up are wiped.
  void Resize(std::size_t size);
  // Appends one byte; false when full.
  bool Append(unsigned char byte);
  std::string_view View() const { return {reinterpret_cast<const char*>(data_), size_}; }
  // Makes the bytes unreadable until AllowRead (a stray read then faults), or readable again.
  void ForbidAccess() const;
  void AllowRead() const;

 private:
  unsigned char* data_ = nullptr;
  std::size_t size_ = 0, capacity_ = 0;
};

// The cost of turning a passphrase into a key (Argon2id): passes over the memory, and bytes.
struct KdfLimits {
  std::uint64_t opslimit = 0;
  std::size_t memlimit = 0;
};
// What new keys get: 3 passes over 256 MiB, well under a second on a desktop, so that every guess
// of a passphrase for a copied key file costs an attacker as much.
KdfLimits DefaultKdfLimits();
// The least Argon2id allows (1 pass over 8 KiB), for tests that create keys; no protection.
KdfLimits MinimumKdfLimits();

// Who a key belongs to. login: 1 to 64 of A-Z a-z 0-9 . _ @ -, not starting with "." or "-" (it
// names the key file). name: the full name printed with a signature, 1 to 200 bytes of UTF-8
// without control characters.
struct Signer {
  std::string login;
  std::string name;
};
bool ValidSigner(const Signer& signer, std::string& error);

// UserDataFolder()/keys, and the key file of a login in it: UserDataFolder()/keys/<login>.key.
std::string KeyFolder();
std::string DefaultKeyFilePath(const std::string& login);

// What a key file holds, read without the passphrase. The key file is text:
//   Ombrix signing key 1
//   login=<login>
//   name=<full name, UTF-8>
//   public=<public key, 64 hex digits>
//   opslimit=<decimal>
//   memlimit=<decimal, bytes>
//   salt=<Argon2id salt, 32 hex digits>
//   nonce=<secretbox nonce, 48 hex digits>
//   secret=<secret key sealed with crypto_secretbox_easy, 160 hex digits>
//   check=<SHA-256 of every line above, 64 hex digits>
// check tells a damaged file from a wrong passphrase; it is no protection against a deliberate
// change, which the seal and the public key inside the sealed secret key catch on unlocking.
struct KeyFile {
  std::string path;  // as loaded or created; names the file in messages
  Signer signer;
  std::string publicKey;  // hex
  KdfLimits limits;
  std::vector<unsigned char> salt, nonce, sealedSecret;
};

enum class CreateKeyResult {
  kCreated,
  kExists,  // a file is at path and replace was not asked for
  kFailed,  // error says why; nothing is left at path
};
// Makes a new key pair for signer and writes it to path, sealed by passphrase (not empty) with
// the given limits. Folders missing on the way are made with mode 0700 (those already there are
// left as they are); the file gets mode 0600 and appears whole or not at all. An existing file is
// replaced only when replace is true. key receives what the file holds.
CreateKeyResult CreateKeyFile(const std::string& path, const Signer& signer,
                              std::string_view passphrase, const KdfLimits& limits, bool replace,
                              KeyFile& key, std::string& error);

// Reads and checks a key file. A file that is not a key file, or one that is damaged, is refused
// with an error that names the file and the line.
bool LoadKeyFile(const std::string& path, KeyFile& key, std::string& error);
// The same on text already read; path only names it in messages.
bool ParseKeyFile(std::string_view text, const std::string& path, KeyFile& key, std::string& error);

enum class UnlockResult {
  kUnlocked,
  kWrongPassphrase,  // the seal did not open: a wrong passphrase (or a deliberately changed file)
  kDamaged,          // the seal opened on a secret key that is not that of the file's public key
  kFailed,           // the key could not be derived (out of memory); nothing was tried
};

// An unlocked secret key, held in TSecret memory that is readable only while signing. Not shared
// between threads.
class TSigningKey {
 public:
  // Derives the sealing key from passphrase and opens key's secret key into signingKey. On
  // anything but kUnlocked, signingKey is left locked and error says why, naming the file.
  static UnlockResult Unlock(const KeyFile& key, std::string_view passphrase,
                             TSigningKey& signingKey, std::string& error);

  bool Unlocked() const { return secret_.Size() != 0; }
  const std::string& PublicKey() const { return publicKey_; }  // hex
  // The detached signature of message, 128 hex digits; empty when not unlocked.
  std::string Sign(std::string_view message) const;

 private:
  TSecret secret_;
  std::string publicKey_;
};

// Whether signature (hex) is publicKey's (hex) signature of message. Malformed hex is false.
bool VerifySignature(std::string_view publicKey, std::string_view message,
                     std::string_view signature);

// People compare keys by this: the first 16 hex digits of the SHA-256 of the public key, in groups
// of four ("1a2b 3c4d 5e6f 7a8b"). Empty when publicKey is not a public key's hex.
std::string KeyFingerprint(std::string_view publicKey);

// What a signer states by signing.
enum class SignatureMeaning { kReviewed, kApproved, kReleased };
// "reviewed", "approved", "released".
std::string_view MeaningText(SignatureMeaning meaning);
bool ParseMeaning(std::string_view text, SignatureMeaning& meaning);

// The statement a signature covers.
struct SignedStatement {
  std::string contentHash;  // the entry's, 64 lower-case hex digits
  SignatureMeaning meaning = SignatureMeaning::kReviewed;
  Signer signer;             // login and name as given (not checked as ValidSigner does)
  std::int64_t instant = 0;  // UTC seconds since 1970, not negative
  std::string comment;       // empty: none
};
// The exact bytes signed for statement, the same in every locale:
//   ombrix-signature/1\n
//   content_hash=<64 hex>\n
//   meaning=<reviewed|approved|released>\n
//   login=<hex of the UTF-8 login>\n
//   name=<hex of the UTF-8 name>\n
//   instant=<decimal>\n
//   comment=<hex of the UTF-8 comment, empty for none>\n
// Texts enter as hex so that no text can forge a line. False with error for a content hash that
// is not 64 lower-case hex digits, an empty login or name, or a negative instant.
bool SignedMessage(const SignedStatement& statement, std::string& message, std::string& error);

}  // namespace ombrix
