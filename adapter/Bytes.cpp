#include "Bytes.h"

namespace ombrix {

void Crc8Update(std::uint8_t& crc, std::uint8_t data) {
  for (int bit = 0; bit < 8; ++bit) {
    if ((crc ^ data) & 0x01) {
      crc = static_cast<std::uint8_t>(((crc ^ 0x18) >> 1) | 0x80);
    } else {
      crc = static_cast<std::uint8_t>(crc >> 1);
    }
    data = static_cast<std::uint8_t>(data >> 1);
  }
}

std::uint8_t Crc8(const std::uint8_t* data, std::size_t length) {
  std::uint8_t crc = 0;
  for (std::size_t i = 0; i < length; ++i) Crc8Update(crc, data[i]);
  return crc;
}

std::string Excerpt(std::string_view text, std::size_t maxChars) {
  std::string shown;
  for (std::size_t i = 0; i < text.size() && i < maxChars; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    shown += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
  }
  if (text.size() > maxChars) shown += "...";
  return shown;
}

}  // namespace ombrix
