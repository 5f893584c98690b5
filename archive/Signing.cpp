#include "Signing.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Archive.h"

namespace ombrix {

namespace {

constexpr std::string_view kKeyFileHeader = "Ombrix signing key 1";
constexpr std::string_view kKeyFileHeaderStem = "Ombrix signing key ";
constexpr std::size_t kMaxKeyFileBytes = 64 * 1024;
constexpr std::size_t kSealedSecretBytes = crypto_sign_SECRETKEYBYTES + crypto_secretbox_MACBYTES;

// libsodium picks its implementations and seeds its generator once per process; every entry
// point that needs it asks here first.
bool SodiumReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

std::string Hex(const unsigned char* bytes, std::size_t size) {
  std::string out;
  AppendHex(out, std::string_view(reinterpret_cast<const char*>(bytes), size));
  return out;
}
std::string Hex(std::string_view text) {
  return Hex(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

int LowerHexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Exactly 2 * size lower-case hex digits, as this program writes them.
bool FromHex(std::string_view text, std::size_t size, std::vector<unsigned char>& out) {
  if (text.size() != 2 * size) return false;
  out.assign(size, 0);
  for (std::size_t i = 0; i < size; ++i) {
    const int high = LowerHexDigit(text[2 * i]);
    const int low = LowerHexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    out[i] = static_cast<unsigned char>(high * 16 + low);
  }
  return true;
}

std::string Sha256Hex(std::string_view text) {
  std::array<unsigned char, crypto_hash_sha256_BYTES> digest{};
  crypto_hash_sha256(digest.data(), reinterpret_cast<const unsigned char*>(text.data()),
                     text.size());
  return Hex(digest.data(), digest.size());
}

bool ValidLogin(std::string_view login, std::string& why) {
  if (login.empty() || login.size() > 64) {
    why = "a login name has 1 to 64 characters";
    return false;
  }
  for (const char c : login) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '@' || c == '-';
    if (!allowed) {
      why = "a login name has only letters A-Z, digits and . _ @ -";
      return false;
    }
  }
  if (login.front() == '.' || login.front() == '-') {
    why = "a login name does not start with \".\" or \"-\"";
    return false;
  }
  return true;
}

// Well-formed UTF-8 (shortest forms, no surrogates) without control characters.
bool PrintableUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7f) return false;
      ++i;
      continue;
    }
    int length = 0;
    char32_t point = 0, least = 0;
    if ((c & 0xe0) == 0xc0) {
      length = 2, point = c & 0x1f, least = 0x80;
    } else if ((c & 0xf0) == 0xe0) {
      length = 3, point = c & 0x0f, least = 0x800;
    } else if ((c & 0xf8) == 0xf0) {
      length = 4, point = c & 0x07, least = 0x10000;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (int k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xc0) != 0x80) return false;
      point = (point << 6) | (next & 0x3f);
    }
    if (point < least || point > 0x10ffff || (point >= 0xd800 && point <= 0xdfff)) return false;
    if (point >= 0x80 && point < 0xa0) return false;  // C1 controls
    i += length;
  }
  return true;
}

bool ValidName(std::string_view name, std::string& why) {
  if (name.empty() || name.size() > 200) {
    why = "a full name has 1 to 200 bytes";
    return false;
  }
  if (!PrintableUtf8(name)) {
    why = "a full name is UTF-8 text without control characters";
    return false;
  }
  return true;
}

// The limits a key file may ask for: from the least Argon2id allows up to libsodium's
// "sensitive" level, so that a damaged file cannot make unlocking take gigabytes or hours.
bool LimitsAccepted(const KdfLimits& limits) {
  return limits.opslimit >= crypto_pwhash_argon2id_OPSLIMIT_MIN &&
         limits.opslimit <= crypto_pwhash_argon2id_OPSLIMIT_SENSITIVE &&
         limits.memlimit >= crypto_pwhash_argon2id_MEMLIMIT_MIN &&
         limits.memlimit <= crypto_pwhash_argon2id_MEMLIMIT_SENSITIVE;
}
std::string LimitsRange() {
  return std::to_string(crypto_pwhash_argon2id_OPSLIMIT_MIN) + ".." +
         std::to_string(crypto_pwhash_argon2id_OPSLIMIT_SENSITIVE) + " passes over " +
         std::to_string(crypto_pwhash_argon2id_MEMLIMIT_MIN) + ".." +
         std::to_string(crypto_pwhash_argon2id_MEMLIMIT_SENSITIVE) + " bytes";
}

// The key that seals a secret key: Argon2id of the passphrase. False when out of memory.
bool DeriveSealingKey(std::string_view passphrase, const unsigned char* salt,
                      const KdfLimits& limits, TSecret& sealingKey) {
  sealingKey = TSecret(crypto_secretbox_KEYBYTES);
  sealingKey.Resize(crypto_secretbox_KEYBYTES);
  return crypto_pwhash(sealingKey.Data(), sealingKey.Size(), passphrase.data(), passphrase.size(),
                       salt, limits.opslimit, limits.memlimit, crypto_pwhash_ALG_ARGON2ID13) == 0;
}

std::string KeyFileText(const KeyFile& key) {
  std::string text;
  text += kKeyFileHeader;
  text += "\nlogin=" + key.signer.login;
  text += "\nname=" + key.signer.name;
  text += "\npublic=" + key.publicKey;
  text += "\nopslimit=" + std::to_string(key.limits.opslimit);
  text += "\nmemlimit=" + std::to_string(key.limits.memlimit);
  text += "\nsalt=" + Hex(key.salt.data(), key.salt.size());
  text += "\nnonce=" + Hex(key.nonce.data(), key.nonce.size());
  text += "\nsecret=" + Hex(key.sealedSecret.data(), key.sealedSecret.size());
  text += "\n";
  return text + "check=" + Sha256Hex(text) + "\n";
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string SystemError(int code) {
  return std::strerror(code);
}

// mkdir -p, each folder it makes with mode 0700; folders already there are left as they are.
bool MakeFolders(const std::string& folder, std::string& error) {
  for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    const std::string part = folder.substr(0, end);
    if (!part.empty() && part.back() != '/' && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      error = "Cannot make the folder " + part + ": " + SystemError(errno);
      return false;
    }
    if (end == std::string::npos) break;
  }
  struct stat status {};
  if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    error = "Cannot make the folder " + folder + ": something else is in its place";
    return false;
  }
  return true;
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Moves temp to path unless something is there: EEXIST then, with temp left in place.
int MoveWithoutReplacing(const std::string& temp, const std::string& path) {
  if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the flag: a hard link is just as atomic and refuses to replace.
  if (link(temp.c_str(), path.c_str()) != 0) return errno;
  unlink(temp.c_str());
  return 0;
}

// Writes text to path through a private temporary file in the same folder, so that path holds
// either nothing, its old file, or the whole new one.
CreateKeyResult WriteKeyFile(const std::string& path, std::string_view text, bool replace,
                             std::string& error) {
  const std::string folder = FolderOf(path);
  if (!MakeFolders(folder, error)) return CreateKeyResult::kFailed;
  std::string temp = path + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) {
    error = "Cannot write the key file " + path + ": " + SystemError(errno);
    return CreateKeyResult::kFailed;
  }
  const bool written = fchmod(fd, 0600) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
  const int writeError = errno;
  if (close(fd) != 0 || !written) {
    unlink(temp.c_str());
    error = "Cannot write the key file " + path + ": " + SystemError(written ? errno : writeError);
    return CreateKeyResult::kFailed;
  }
  const int moveError = replace ? (rename(temp.c_str(), path.c_str()) == 0 ? 0 : errno)
                                : MoveWithoutReplacing(temp, path);
  if (moveError != 0) {
    unlink(temp.c_str());
    if (moveError == EEXIST) {
      error = "The key file " + path + " exists already; it is not replaced.";
      return CreateKeyResult::kExists;
    }
    error = "Cannot write the key file " + path + ": " + SystemError(moveError);
    return CreateKeyResult::kFailed;
  }
  if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return CreateKeyResult::kCreated;
}

// Reads "name=value" lines in a fixed order, each refusal naming the file and the line.
class TKeyFileReader {
 public:
  TKeyFileReader(std::string_view text, const std::string& path) : text_(text), path_(path) {}

  // The next line without its "\n"; false at the end of the text.
  bool NextLine(std::string_view& line) {
    if (offset_ >= text_.size()) return false;
    lineStart_ = offset_;
    ++lineNumber_;
    const std::size_t end = text_.find('\n', offset_);
    if (end == std::string_view::npos) {
      line = text_.substr(offset_);
      offset_ = text_.size();
      cutShort_ = true;
    } else {
      line = text_.substr(offset_, end - offset_);
      offset_ = end + 1;
    }
    return true;
  }

  // The value of the next line, which must be "<name>=...".
  bool Field(std::string_view name, std::string_view& value, std::string& error) {
    std::string_view line;
    if (!NextLine(line)) {
      lineNumber_ += 1;
      return Refuse("the file ends where \"" + std::string(name) + "=\" belongs", error);
    }
    if (cutShort_) return Refuse("the file is cut short in this line", error);
    if (line.size() <= name.size() || line.substr(0, name.size()) != name ||
        line[name.size()] != '=') {
      return Refuse("\"" + std::string(name) + "=\" was expected here", error);
    }
    value = line.substr(name.size() + 1);
    return true;
  }

  bool HexField(std::string_view name, std::size_t size, std::vector<unsigned char>& out,
                std::string& error) {
    std::string_view value;
    if (!Field(name, value, error)) return false;
    if (!FromHex(value, size, out)) {
      return Refuse(
          std::string(name) + " is not " + std::to_string(2 * size) + " lower-case hex digits",
          error);
    }
    return true;
  }

  bool NumberField(std::string_view name, std::uint64_t& number, std::string& error) {
    std::string_view value;
    if (!Field(name, value, error)) return false;
    number = 0;
    const bool digits = !value.empty() && value.size() <= 19 && (value == "0" || value[0] != '0');
    for (const char c : value) {
      if (!digits || c < '0' || c > '9')
        return Refuse(std::string(name) + " is not a decimal number", error);
      number = number * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
  }

  bool Refuse(const std::string& what, std::string& error) const {
    // An empty file is refused for its first line.
    error = "Line " + std::to_string(std::max(lineNumber_, 1)) + " of the key file " + path_ +
            ": " + what + ".";
    return false;
  }

  // Everything before the current line.
  std::string_view Before() const { return text_.substr(0, lineStart_); }
  bool AtEnd() const { return offset_ >= text_.size(); }

 private:
  std::string_view text_;
  const std::string& path_;
  std::size_t offset_ = 0, lineStart_ = 0;
  int lineNumber_ = 0;
  bool cutShort_ = false;
};

}  // namespace

TSecret::TSecret(std::size_t capacity) : capacity_(capacity) {
  if (capacity == 0) return;
  if (!SodiumReady()) throw std::bad_alloc();
  data_ = static_cast<unsigned char*>(sodium_malloc(capacity));
  if (!data_) throw std::bad_alloc();
}

TSecret::~TSecret() {
  if (data_) sodium_free(data_);  // makes the pages writable again and wipes them
}

TSecret::TSecret(TSecret&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

TSecret& TSecret::operator=(TSecret&& other) noexcept {
  if (this != &other) {
    if (data_) sodium_free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

void TSecret::Resize(std::size_t size) {
  if (size > capacity_) size = capacity_;
  if (size < size_) sodium_memzero(data_ + size, size_ - size);
  size_ = size;
}

bool TSecret::Append(unsigned char byte) {
  if (size_ >= capacity_) return false;
  data_[size_++] = byte;
  return true;
}

void TSecret::ForbidAccess() const {
  if (data_) sodium_mprotect_noaccess(data_);
}

void TSecret::AllowRead() const {
  if (data_) sodium_mprotect_readonly(data_);
}

KdfLimits DefaultKdfLimits() {
  return {crypto_pwhash_argon2id_OPSLIMIT_MODERATE, crypto_pwhash_argon2id_MEMLIMIT_MODERATE};
}

KdfLimits MinimumKdfLimits() {
  return {crypto_pwhash_argon2id_OPSLIMIT_MIN, crypto_pwhash_argon2id_MEMLIMIT_MIN};
}

bool ValidSigner(const Signer& signer, std::string& error) {
  std::string why;
  if (!ValidLogin(signer.login, why)) {
    error = "The login name \"" + signer.login + "\" cannot sign: " + why + ".";
    return false;
  }
  if (!ValidName(signer.name, why)) {
    error = "The full name of " + signer.login + " cannot be used: " + why + ".";
    return false;
  }
  return true;
}

std::string KeyFolder() {
  return UserDataFolder() + "/keys";
}

std::string DefaultKeyFilePath(const std::string& login) {
  return KeyFolder() + "/" + login + ".key";
}

CreateKeyResult CreateKeyFile(const std::string& path, const Signer& signer,
                              std::string_view passphrase, const KdfLimits& limits, bool replace,
                              KeyFile& key, std::string& error) {
  if (!ValidSigner(signer, error)) return CreateKeyResult::kFailed;
  if (passphrase.empty()) {
    error = "An empty passphrase would not protect the key file " + path + ".";
    return CreateKeyResult::kFailed;
  }
  if (!LimitsAccepted(limits)) {
    error = "The key derivation limits are outside " + LimitsRange() + ".";
    return CreateKeyResult::kFailed;
  }
  // Deriving the key takes a while: say at once that the file is there.
  if (struct stat status{}; !replace && lstat(path.c_str(), &status) == 0) {
    error = "The key file " + path + " exists already; it is not replaced.";
    return CreateKeyResult::kExists;
  }
  if (!SodiumReady()) {
    error = "The cryptography library could not be started.";
    return CreateKeyResult::kFailed;
  }

  KeyFile made;
  made.path = path;
  made.signer = signer;
  made.limits = limits;
  made.salt.resize(crypto_pwhash_SALTBYTES);
  made.nonce.resize(crypto_secretbox_NONCEBYTES);
  made.sealedSecret.resize(kSealedSecretBytes);
  std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> publicKey{};
  TSecret secretKey(crypto_sign_SECRETKEYBYTES), sealingKey;
  secretKey.Resize(crypto_sign_SECRETKEYBYTES);
  crypto_sign_keypair(publicKey.data(), secretKey.Data());
  made.publicKey = Hex(publicKey.data(), publicKey.size());
  randombytes_buf(made.salt.data(), made.salt.size());
  randombytes_buf(made.nonce.data(), made.nonce.size());
  if (!DeriveSealingKey(passphrase, made.salt.data(), limits, sealingKey)) {
    error = "Cannot derive a key from the passphrase for " + path + ": out of memory.";
    return CreateKeyResult::kFailed;
  }
  crypto_secretbox_easy(made.sealedSecret.data(), secretKey.Data(), secretKey.Size(),
                        made.nonce.data(), sealingKey.Data());

  const CreateKeyResult result = WriteKeyFile(path, KeyFileText(made), replace, error);
  if (result == CreateKeyResult::kCreated) key = std::move(made);
  return result;
}

bool LoadKeyFile(const std::string& path, KeyFile& key, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "Cannot read the key file " + path + ": " + SystemError(errno);
    return false;
  }
  std::string text;
  char buffer[4096];
  ssize_t got = 0;
  while (text.size() <= kMaxKeyFileBytes && (got = read(fd, buffer, sizeof buffer)) != 0) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  const int readError = errno;
  close(fd);
  if (got < 0) {
    error = "Cannot read the key file " + path + ": " + SystemError(readError);
    return false;
  }
  if (text.size() > kMaxKeyFileBytes) {
    error = "The file " + path + " is not an Ombrix signing key: it is far too long for one.";
    return false;
  }
  return ParseKeyFile(text, path, key, error);
}

bool ParseKeyFile(std::string_view text, const std::string& path, KeyFile& key,
                  std::string& error) {
  TKeyFileReader reader(text, path);
  std::string_view header;
  if (!reader.NextLine(header) || header != kKeyFileHeader) {
    if (header.substr(0, kKeyFileHeaderStem.size()) == kKeyFileHeaderStem) {
      return reader.Refuse("this key file was written by a newer Ombrix (\"" + std::string(header) +
                               "\"); this one reads \"" + std::string(kKeyFileHeader) + "\"",
                           error);
    }
    return reader.Refuse("this is not an Ombrix signing key (it does not start with \"" +
                             std::string(kKeyFileHeader) + "\")",
                         error);
  }

  KeyFile read;
  read.path = path;
  std::string_view value;
  std::string why;
  if (!reader.Field("login", value, error)) return false;
  if (!ValidLogin(value, why)) return reader.Refuse(why, error);
  read.signer.login = value;
  if (!reader.Field("name", value, error)) return false;
  if (!ValidName(value, why)) return reader.Refuse(why, error);
  read.signer.name = value;
  std::vector<unsigned char> publicKey;
  if (!reader.HexField("public", crypto_sign_PUBLICKEYBYTES, publicKey, error)) return false;
  read.publicKey = Hex(publicKey.data(), publicKey.size());
  std::uint64_t memlimit = 0;
  if (!reader.NumberField("opslimit", read.limits.opslimit, error)) return false;
  if (!reader.NumberField("memlimit", memlimit, error)) return false;
  read.limits.memlimit = static_cast<std::size_t>(memlimit);
  if (!LimitsAccepted(read.limits))
    return reader.Refuse("the limits are outside " + LimitsRange(), error);
  if (!reader.HexField("salt", crypto_pwhash_SALTBYTES, read.salt, error) ||
      !reader.HexField("nonce", crypto_secretbox_NONCEBYTES, read.nonce, error) ||
      !reader.HexField("secret", kSealedSecretBytes, read.sealedSecret, error)) {
    return false;
  }
  std::vector<unsigned char> check;
  if (!reader.HexField("check", crypto_hash_sha256_BYTES, check, error)) return false;
  if (Hex(check.data(), check.size()) != Sha256Hex(reader.Before()))
    return reader.Refuse("the check does not match the lines above it: the file is damaged", error);
  std::string_view extra;
  if (reader.NextLine(extra)) return reader.Refuse("text follows the check line", error);
  key = std::move(read);
  return true;
}

UnlockResult TSigningKey::Unlock(const KeyFile& key, std::string_view passphrase,
                                 TSigningKey& signingKey, std::string& error) {
  signingKey = TSigningKey();
  if (!SodiumReady() || key.salt.size() != crypto_pwhash_SALTBYTES ||
      key.nonce.size() != crypto_secretbox_NONCEBYTES ||
      key.sealedSecret.size() != kSealedSecretBytes || !LimitsAccepted(key.limits)) {
    error = "The key file " + key.path + " was not loaded whole.";
    return UnlockResult::kFailed;
  }
  TSecret sealingKey, secretKey(crypto_sign_SECRETKEYBYTES);
  if (!DeriveSealingKey(passphrase, key.salt.data(), key.limits, sealingKey)) {
    error = "Cannot derive a key from the passphrase for " + key.path + ": out of memory.";
    return UnlockResult::kFailed;
  }
  secretKey.Resize(crypto_sign_SECRETKEYBYTES);
  if (crypto_secretbox_open_easy(secretKey.Data(), key.sealedSecret.data(), key.sealedSecret.size(),
                                 key.nonce.data(), sealingKey.Data()) != 0) {
    error = "The passphrase does not unlock the key file " + key.path + ".";
    return UnlockResult::kWrongPassphrase;
  }
  std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> publicKey{};
  crypto_sign_ed25519_sk_to_pk(publicKey.data(), secretKey.Data());
  if (Hex(publicKey.data(), publicKey.size()) != key.publicKey) {
    error = "The key file " + key.path +
            " is damaged: its secret key does not belong to its public key.";
    return UnlockResult::kDamaged;
  }
  secretKey.ForbidAccess();
  signingKey.secret_ = std::move(secretKey);
  signingKey.publicKey_ = key.publicKey;
  return UnlockResult::kUnlocked;
}

std::string TSigningKey::Sign(std::string_view message) const {
  if (!Unlocked()) return {};
  std::array<unsigned char, crypto_sign_BYTES> signature{};
  secret_.AllowRead();
  crypto_sign_detached(signature.data(), nullptr,
                       reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                       secret_.Data());
  secret_.ForbidAccess();
  return Hex(signature.data(), signature.size());
}

bool VerifySignature(std::string_view publicKey, std::string_view message,
                     std::string_view signature) {
  std::vector<unsigned char> key, bytes;
  if (!SodiumReady() || !FromHex(publicKey, crypto_sign_PUBLICKEYBYTES, key) ||
      !FromHex(signature, crypto_sign_BYTES, bytes)) {
    return false;
  }
  return crypto_sign_verify_detached(bytes.data(),
                                     reinterpret_cast<const unsigned char*>(message.data()),
                                     message.size(), key.data()) == 0;
}

std::string KeyFingerprint(std::string_view publicKey) {
  std::vector<unsigned char> key;
  if (!FromHex(publicKey, crypto_sign_PUBLICKEYBYTES, key)) return {};
  const std::string digest = Sha256Hex({reinterpret_cast<const char*>(key.data()), key.size()});
  std::string fingerprint;
  for (int group = 0; group < 4; ++group) {
    if (group > 0) fingerprint += ' ';
    fingerprint += digest.substr(4 * group, 4);
  }
  return fingerprint;
}

std::string_view MeaningText(SignatureMeaning meaning) {
  switch (meaning) {
    case SignatureMeaning::kReviewed:
      return "reviewed";
    case SignatureMeaning::kApproved:
      return "approved";
    case SignatureMeaning::kReleased:
      return "released";
  }
  return {};
}

bool ParseMeaning(std::string_view text, SignatureMeaning& meaning) {
  for (const SignatureMeaning m :
       {SignatureMeaning::kReviewed, SignatureMeaning::kApproved, SignatureMeaning::kReleased}) {
    if (text == MeaningText(m)) {
      meaning = m;
      return true;
    }
  }
  return false;
}

bool SignedMessage(const SignedStatement& statement, std::string& message, std::string& error) {
  std::vector<unsigned char> hash;
  if (!FromHex(statement.contentHash, 32, hash)) {
    error = "\"" + statement.contentHash + "\" is not a content hash (64 lower-case hex digits).";
    return false;
  }
  if (statement.signer.login.empty() || statement.signer.name.empty()) {
    error = "A signature needs the signer's login name and full name.";
    return false;
  }
  if (statement.instant < 0) {
    error = "A signature's instant is not before 1970.";
    return false;
  }
  message = "ombrix-signature/1\n";
  message += "content_hash=" + statement.contentHash + "\n";
  message += "meaning=" + std::string(MeaningText(statement.meaning)) + "\n";
  message += "login=" + Hex(statement.signer.login) + "\n";
  message += "name=" + Hex(statement.signer.name) + "\n";
  message += "instant=" + std::to_string(statement.instant) + "\n";
  message += "comment=" + Hex(statement.comment) + "\n";
  return true;
}

}  // namespace ombrix
