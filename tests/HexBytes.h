#pragma once

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace ombrix::testing {

using Bytes = std::vector<std::uint8_t>;

// "FF AA 11" -> bytes, and back: the way the tests write requests and replies.
inline Bytes FromHex(const std::string& text) {
  Bytes bytes;
  std::istringstream in(text);
  unsigned value = 0;
  while (in >> std::hex >> value) bytes.push_back(static_cast<std::uint8_t>(value));
  return bytes;
}

inline std::string ToHex(const Bytes& bytes) {
  std::string text;
  char digits[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    if (!text.empty()) text += ' ';
    text += digits;
  }
  return text;
}

}  // namespace ombrix::testing
