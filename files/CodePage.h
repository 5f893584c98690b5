#pragma once

#include <QString>

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ombrix {

// The single-byte code page in which probes, record files and exports hold their texts, and the
// conversion between those bytes and what the window shows. Windows-1252 (the default) is built
// in; any other single-byte code page the system's iconv knows can be named ("CP1250",
// "ISO-8859-2", or a bare number such as "1250" for the Windows code page of that number).
class TCodePage {
 public:
  static constexpr const char* kDefault = "Windows-1252";

  // An unknown name, or one that is not a single-byte code page, gives Windows-1252, and Known()
  // is then false.
  explicit TCodePage(std::string_view name = kDefault);

  const std::string& Name() const { return name_; }
  bool Known() const { return known_; }

  QString ToUnicode(std::string_view bytes) const;
  // Characters the code page cannot hold become '?'.
  std::string FromUnicode(const QString& text) const;
  // False, leaving bytes alone, when the code page cannot hold every character of the text.
  bool TryFromUnicode(const QString& text, std::string& bytes) const;

 private:
  void UseWindows1252();
  bool LoadFromIconv(const std::string& iconvName);

  std::string name_;
  bool known_ = true;
  std::array<char16_t, 256> table_{};
  std::unordered_map<char16_t, unsigned char> reverse_;
};

// Windows-1252, the code page of the probes and files when nothing else is configured.
const TCodePage& DefaultCodePage();

}  // namespace ombrix
