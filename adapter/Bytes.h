#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ombrix {

// One step of the frames' CRC-8 (x^8 + x^5 + x^4 + 1, least significant bit first, initial 0):
// folds one byte into the running checksum.
void Crc8Update(std::uint8_t& crc, std::uint8_t data);

// CRC-8 over a run of bytes, starting from 0.
std::uint8_t Crc8(const std::uint8_t* data, std::size_t length);

// Values of more than one byte travel least significant byte first.
inline std::uint8_t ByteOf(std::uint32_t value, int index) {
  return static_cast<std::uint8_t>(value >> (8 * index));
}

inline std::uint32_t LittleEndian32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

inline void PutLittleEndian32(std::uint8_t* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = ByteOf(value, i);
}

// A piece of outside input as messages quote it: at most maxChars characters, printable ASCII only
// (every other byte shows as '?'), and "..." where it was cut, so that damaged input cannot put
// control sequences on a terminal or flood a message.
std::string Excerpt(std::string_view text, std::size_t maxChars = 40);

}  // namespace ombrix
