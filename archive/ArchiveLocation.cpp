#include <QSysInfo>

#include <cctype>
#include <cstdlib>
#include <optional>
#include <string_view>

#include <pwd.h>
#include <unistd.h>

#include "Archive.h"

namespace ombrix {

namespace {

// ASCII only, whatever the locale says of the bytes above it.
bool AsciiLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool AsciiAlnum(unsigned char c) {
  return AsciiLetter(c) || (c >= '0' && c <= '9');
}

// Characters a URL part keeps as they are; every other byte is written as %XX.
bool Unreserved(unsigned char c) {
  return AsciiAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

std::string PercentEncoded(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : text) {
    if (Unreserved(c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool PercentDecoded(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    const int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
    const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

// "scheme://" with a scheme of letters, digits, "+", "-" and "." that starts with a letter.
bool HasUrlScheme(std::string_view text, std::string_view& scheme) {
  const std::size_t colon = text.find("://");
  if (colon == std::string_view::npos || colon == 0) return false;
  if (!AsciiLetter(static_cast<unsigned char>(text[0]))) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (!AsciiAlnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  scheme = text.substr(0, colon);
  return true;
}

bool ParsePostgresUrl(std::string_view url, std::string_view rest, ArchiveLocation& location,
                      std::string& error) {
  const auto refuse = [&](const std::string& why) {
    error = "\"" + std::string(url) + "\" is not a PostgreSQL archive URL: " + why;
    return false;
  };
  // The authority ends at the first "/", "?" or "#"; a password in it is refused before anything
  // else, so that no message repeats it.
  const std::size_t authorityEnd = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, authorityEnd);
  ArchiveLocation parsed;
  parsed.kind = ArchiveLocation::Kind::kPostgres;
  const std::size_t at = authority.rfind('@');
  const std::string_view userInfo =
      at == std::string_view::npos ? std::string_view() : authority.substr(0, at);
  if (const std::size_t colon = userInfo.find(':'); colon != std::string_view::npos) {
    error = "The archive URL \"" + std::string(url.substr(0, url.size() - rest.size())) +
            std::string(userInfo.substr(0, colon)) + ":***@" + std::string(rest.substr(at + 1)) +
            "\" holds a password. Passwords are not taken in the URL, where others could see "
            "them; put it in ~/.pgpass or in PGPASSWORD instead.";
    return false;
  }
  if (rest.find_first_of("?#") != std::string_view::npos) {
    return refuse(
        "it has parameters after \"?\" or \"#\"; set connection options in the environment "
        "(PGSSLMODE, PGSSLROOTCERT, ...) instead.");
  }
  if (authorityEnd == std::string_view::npos) return refuse("the database name is missing.");
  const std::string_view path = rest.substr(authorityEnd + 1);
  if (at != std::string_view::npos) {
    if (!PercentDecoded(userInfo, parsed.user)) return refuse("the user name has a bad %-escape.");
    if (parsed.user.empty()) return refuse("the user name before \"@\" is empty.");
    authority = authority.substr(at + 1);
  }

  std::optional<std::string_view> port;
  if (!authority.empty() && authority.front() == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos) return refuse("the \"[\" of the host is not closed.");
    parsed.host = std::string(authority.substr(1, close - 1));
    if (parsed.host.empty()) return refuse("the host in brackets is empty.");
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty() && after.front() != ':') return refuse("text follows the host's \"]\".");
    if (!after.empty()) port = after.substr(1);
  } else {
    const std::size_t colon = authority.find(':');
    parsed.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) port = authority.substr(colon + 1);
  }
  if (parsed.host.find_first_of(" \t%[]") != std::string::npos)
    return refuse("the host name holds a blank, \"%\" or a bracket.");
  if (port) {
    if (port->empty()) return refuse("the port after \":\" is empty.");
    int value = 0;
    for (const char c : *port) {
      if (c < '0' || c > '9' || value > 65535) return refuse("the port is not a number.");
      value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return refuse("the port is outside 1..65535.");
    parsed.port = value;
  }

  if (!PercentDecoded(path, parsed.database))
    return refuse("the database name has a bad %-escape.");
  if (parsed.database.empty()) return refuse("the database name is missing.");
  location = std::move(parsed);
  return true;
}

// Calls `use` with this process's account entry, or with null when there is none.
template <class Use>
auto WithOwnAccount(Use use) {
  const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0) found = nullptr;
  return use(found);
}

std::string LoginName() {
  std::string name = WithOwnAccount([](const passwd* account) {
    return account ? std::string(account->pw_name) : std::string();
  });
  if (!name.empty()) return name;
  for (const char* variable : {"LOGNAME", "USER"}) {
    if (const char* value = std::getenv(variable); value && *value) return value;
  }
  return std::to_string(geteuid());
}

// The account's full name: the first field of its GECOS entry, "" when it has none.
std::string FullName() {
  return WithOwnAccount([](const passwd* account) {
    if (!account || !account->pw_gecos) return std::string();
    const std::string gecos = account->pw_gecos;
    return gecos.substr(0, gecos.find(','));
  });
}

}  // namespace

std::string ArchiveLocation::Text() const {
  if (kind == Kind::kSqlite) return path;
  std::string text = "postgresql://";
  if (!user.empty()) text += PercentEncoded(user) + "@";
  text += host.find(':') != std::string::npos ? "[" + host + "]" : host;
  if (port != 0) text += ":" + std::to_string(port);
  return text + "/" + PercentEncoded(database);
}

bool ParseArchiveLocation(const std::string& text, ArchiveLocation& location, std::string& error) {
  if (text.empty()) {
    error = "No archive is given: name an SQLite file or a postgresql:// URL.";
    return false;
  }
  std::string_view scheme;
  if (HasUrlScheme(text, scheme)) {
    std::string lower(scheme);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower != "postgresql" && lower != "postgres") {
      error = "\"" + text + "\" is neither an SQLite file nor a postgresql:// URL (the kind \"" +
              std::string(scheme) + "\" is not known).";
      return false;
    }
    const std::string_view rest = std::string_view(text).substr(scheme.size() + 3);
    return ParsePostgresUrl(text, rest, location, error);
  }
  location = ArchiveLocation{};
  location.kind = ArchiveLocation::Kind::kSqlite;
  location.path = text;
  return true;
}

std::string UserDataFolder() {
  std::string base;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : "/") + "/.local/share";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base == "/" ? "/ombrix" : base + "/ombrix";
}

std::string DefaultArchivePath() {
  return UserDataFolder() + "/archive.sqlite";
}

ArchiveProvenance CurrentProvenance(std::string adapter, std::string source,
                                    std::string programVersion) {
  ArchiveProvenance provenance;
  provenance.adapter = std::move(adapter);
  provenance.workstation = QSysInfo::machineHostName().toStdString();
  provenance.user = LoginName();
  provenance.programVersion = std::move(programVersion);
  provenance.source = std::move(source);
  return provenance;
}

AuditActor CurrentActor(std::string programVersion) {
  return {LoginName(), FullName(), QSysInfo::machineHostName().toStdString(),
          std::move(programVersion)};
}

}  // namespace ombrix
