// CRC-16/GENIBUS: polynomial 0x1021, initial 0xFFFF, no reflection, final
// XOR 0xFFFF. Guards every firmware image and every block of a transfer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvik {

namespace crc_detail {
constexpr std::array<uint16_t, 256> MakeTable() {
  std::array<uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    table[i] = crc;
  }
  return table;
}
inline constexpr std::array<uint16_t, 256> kTable = MakeTable();
}  // namespace crc_detail

inline uint16_t Crc16(const uint8_t* data, std::size_t size) {
  uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < size; ++i)
    crc = static_cast<uint16_t>((crc << 8) ^ crc_detail::kTable[((crc >> 8) ^ data[i]) & 0xFF]);
  return static_cast<uint16_t>(crc ^ 0xFFFF);
}

}  // namespace tarvik
