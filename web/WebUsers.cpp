#include "WebUsers.h"

#include <QCryptographicHash>
#include <QFile>

#include <sodium.h>

namespace ombrix::web {

namespace {

constexpr qint64 kMaxFileBytes = 1024 * 1024;
constexpr qsizetype kMaxAuthorization = 1024;

bool SodiumReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

}  // namespace

bool WebUsers::Load(const QString& file, std::string& error) {
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) {
    error = "the users file \"" + file.toStdString() +
            "\" cannot be read: " + in.errorString().toStdString();
    return false;
  }
  return Parse(in.read(kMaxFileBytes + 1), file, error);
}

bool WebUsers::Parse(const QByteArray& text, const QString& name, std::string& error) {
  hashes_.clear();
  verified_.clear();
  const std::string where = "the users file \"" + name.toStdString() + "\"";
  if (text.size() > kMaxFileBytes) {
    error = where + " is larger than 1 MiB";
    return false;
  }
  int number = 0;
  for (const QByteArray& raw : text.split('\n')) {
    ++number;
    const QByteArray line = raw.trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    const qsizetype colon = line.indexOf(':');
    const std::string login = line.left(colon).toStdString();
    const std::string hash = line.mid(colon + 1).toStdString();
    if (colon <= 0 || hash.rfind("$argon2id$", 0) != 0 || hash.size() >= crypto_pwhash_STRBYTES) {
      error = where + " line " + std::to_string(number) +
              " is not \"login:$argon2id$...\" (a login and its Argon2id password hash)";
      return false;
    }
    if (!hashes_.emplace(login, hash).second) {
      error = where + " line " + std::to_string(number) + " names the login \"" + login +
              "\" a second time";
      return false;
    }
  }
  if (hashes_.empty()) {
    error = where + " holds no login";
    return false;
  }
  return true;
}

bool WebUsers::Allows(const QByteArray& authorization) {
  if (authorization.size() > kMaxAuthorization || !authorization.startsWith("Basic ")) return false;
  const QByteArray digest = QCryptographicHash::hash(authorization, QCryptographicHash::Sha256);
  if (verified_.count(digest) > 0) return true;
  const QByteArray::FromBase64Result result = QByteArray::fromBase64Encoding(
      authorization.mid(6).trimmed(), QByteArray::AbortOnBase64DecodingErrors);
  if (!result) return false;
  const QByteArray& decoded = result.decoded;
  const qsizetype colon = decoded.indexOf(':');
  if (colon <= 0) return false;
  const auto user = hashes_.find(decoded.left(colon).toStdString());
  if (user == hashes_.end() || !SodiumReady()) return false;
  const QByteArray password = decoded.mid(colon + 1);
  if (crypto_pwhash_str_verify(user->second.c_str(), password.constData(),
                               static_cast<unsigned long long>(password.size())) != 0) {
    return false;
  }
  verified_.insert(digest);
  return true;
}

std::string HashPassword(std::string_view password, bool quick) {
  char hash[crypto_pwhash_STRBYTES];
  if (!SodiumReady() ||
      crypto_pwhash_str_alg(
          hash, password.data(), password.size(),
          quick ? crypto_pwhash_OPSLIMIT_INTERACTIVE : crypto_pwhash_OPSLIMIT_MODERATE,
          quick ? crypto_pwhash_MEMLIMIT_INTERACTIVE : crypto_pwhash_MEMLIMIT_MODERATE,
          crypto_pwhash_ALG_ARGON2ID13) != 0) {
    return {};
  }
  return hash;
}

}  // namespace ombrix::web
