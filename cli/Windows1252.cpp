#include "Windows1252.h"

#include <algorithm>
#include <iterator>

namespace ombrix::cli {

namespace {

// 0x80..0x9F; the rest of the code page is Latin-1. Unassigned places map to U+FFFD.
constexpr char16_t kHigh[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

}  // namespace

QString FromWindows1252(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text += QChar(byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : char16_t{byte});
  }
  return text;
}

bool ToWindows1252(const QString& text, std::string& bytes) {
  std::string result;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
      result += static_cast<char>(u);
      continue;
    }
    const auto at = std::find(std::begin(kHigh), std::end(kHigh), u);
    if (u == 0xFFFD || at == std::end(kHigh)) return false;
    result += static_cast<char>(0x80 + (at - std::begin(kHigh)));
  }
  bytes = std::move(result);
  return true;
}

}  // namespace ombrix::cli
