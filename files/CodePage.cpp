#include "CodePage.h"

#include <iconv.h>

#include <cctype>

namespace ombrix {

namespace {

// 0x80..0x9F of Windows-1252; the rest of the page is Latin-1. The five bytes the code page leaves
// undefined map to the control characters of the same number, as Windows maps them, so they
// survive a round trip.
// clang-format off
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};
// clang-format on

constexpr char16_t kUndefined = 0xFFFD;

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool IsWindows1252(const std::string& upper) {
  return upper == "WINDOWS-1252" || upper == "CP1252" || upper == "1252";
}

// One byte through iconv to UTF-16: the character, or nothing when the code page has none there
// or the byte does not stand alone.
bool ConvertByte(iconv_t cd, unsigned char byte, char16_t& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char in[1] = {static_cast<char>(byte)};
  char16_t result[4] = {};
  char* inPtr = in;
  std::size_t inLeft = 1;
  char* outPtr = reinterpret_cast<char*>(result);
  std::size_t outLeft = sizeof result;
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return false;
  if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return false;
  if (inLeft != 0 || sizeof result - outLeft != sizeof(char16_t)) return false;
  out = result[0];
  return true;
}

}  // namespace

TCodePage::TCodePage(std::string_view name) : name_(name) {
  const std::string upper = Upper(name);
  if (IsWindows1252(upper)) {
    UseWindows1252();
    return;
  }
  const bool number = !upper.empty() && upper.find_first_not_of("0123456789") == std::string::npos;
  if (!LoadFromIconv(number ? "CP" + upper : std::string(name))) {
    UseWindows1252();
    name_ = kDefault;
    known_ = false;
  }
}

void TCodePage::UseWindows1252() {
  for (int b = 0; b < 256; ++b) {
    table_[b] = b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : static_cast<char16_t>(b);
  }
  reverse_.clear();
  for (int b = 255; b >= 0; --b) reverse_[table_[b]] = static_cast<unsigned char>(b);
}

bool TCodePage::LoadFromIconv(const std::string& iconvName) {
  iconv_t cd = iconv_open("UTF-16LE", iconvName.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  int mapped = 0;
  bool asciiIntact = true;
  for (int b = 0; b < 256; ++b) {
    char16_t c = kUndefined;
    if (ConvertByte(cd, static_cast<unsigned char>(b), c)) {
      if (b >= 0x80) ++mapped;
    } else {
      c = kUndefined;
    }
    if (b >= 0x20 && b < 0x7F && c != b) asciiIntact = false;
    table_[b] = c;
  }
  iconv_close(cd);
  // A multi-byte encoding leaves most high bytes without a character of their own.
  if (!asciiIntact || mapped < 96) return false;
  reverse_.clear();
  for (int b = 255; b >= 0; --b) {
    if (table_[b] != kUndefined) reverse_[table_[b]] = static_cast<unsigned char>(b);
  }
  return true;
}

QString TCodePage::ToUnicode(std::string_view bytes) const {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (char byte : bytes) text.append(QChar(table_[static_cast<unsigned char>(byte)]));
  return text;
}

std::string TCodePage::FromUnicode(const QString& text) const {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (QChar c : text) {
    // A character beyond 16 bits comes as a pair: one '?' for both halves.
    if (c.isLowSurrogate()) continue;
    const auto found = reverse_.find(c.unicode());
    bytes.push_back(found != reverse_.end() ? static_cast<char>(found->second) : '?');
  }
  return bytes;
}

const TCodePage& DefaultCodePage() {
  static const TCodePage codePage;
  return codePage;
}

bool TCodePage::TryFromUnicode(const QString& text, std::string& bytes) const {
  std::string result;
  result.reserve(static_cast<std::size_t>(text.size()));
  for (QChar c : text) {
    const auto found = reverse_.find(c.unicode());
    if (found == reverse_.end() || c.isSurrogate()) return false;
    result.push_back(static_cast<char>(found->second));
  }
  bytes = std::move(result);
  return true;
}

}  // namespace ombrix
