#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <set>
#include <string>
#include <string_view>

// Who may see the archive's pages when they are served beyond this computer: a users file of
// "login:HASH" lines, each HASH an Argon2id password hash in the encoded form libsodium's
// crypto_pwhash_str writes ("$argon2id$v=19$m=...,t=...,p=...$salt$hash"); blank lines and lines
// starting with '#' are passed over. Requests prove a login with HTTP Basic authentication.
namespace ombrix::web {

class WebUsers {
 public:
  // Reads the file; false with the reason (naming the file and line) when it cannot be read, holds
  // a line of another form, a login twice, or no login at all.
  bool Load(const QString& file, std::string& error);
  // The same from the file's text; `name` names it in messages.
  bool Parse(const QByteArray& text, const QString& name, std::string& error);

  // Whether the Authorization header's value ("Basic base64(login:password)") names a login of
  // the file with its password. A header once found right is remembered (by its SHA-256), so that
  // a browser's repeated requests cost one Argon2id check, not one each.
  bool Allows(const QByteArray& authorization);

  std::size_t Count() const { return hashes_.size(); }

 private:
  std::map<std::string, std::string> hashes_;  // login → encoded hash
  std::set<QByteArray> verified_;
};

// An encoded Argon2id hash of the password at libsodium's MODERATE limits (INTERACTIVE with
// `quick`, for tests), for a users file line; empty when it cannot be made.
std::string HashPassword(std::string_view password, bool quick = false);

}  // namespace ombrix::web
