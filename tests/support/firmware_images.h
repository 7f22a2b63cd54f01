// Builds firmware packages and section images of every layout for the tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "link/crc16.h"

namespace tarvik::testing {

using Image = std::vector<uint8_t>;

inline void Put(Image& image, std::size_t offset, const std::string& text) {
  std::memcpy(image.data() + offset, text.data(), text.size());
}
inline void PutLe32(Image& image, std::size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline Image Payload(std::size_t size, uint8_t seed = 3) {
  Image payload(size);
  for (std::size_t i = 0; i < size; ++i) payload[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
  return payload;
}

inline Image Package(const Image& payload, uint32_t version = 0x01020304) {
  Image file(24 + payload.size(), 0);
  std::copy(payload.begin(), payload.end(), file.begin() + 24);
  Put(file, 0, "SIAM");
  for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<uint8_t>(version >> (24 - 8 * i));
  Put(file, 16, "2000");
  PutLe32(file, 20, static_cast<uint32_t>(payload.size()));
  return file;
}

// Type 0: marker at 0x20, start word `shift` bytes after its end.
inline Image Type0(std::size_t size = 0x400, std::size_t shift = 0) {
  Image image = Payload(size, 0x11);
  Put(image, 0, "TIPA");
  const std::size_t q = 0x24 + shift;
  Put(image, 0x20, std::string("\x01QKV", 4));
  Put(image, q, std::string("\x00\x40\x00\xC0", 4));
  Put(image, q + 0x48, "MON1");
  Put(image, q + 0x4C, "v0.9");
  image[q + 0x50] = '2';
  return image;
}

inline Image Agpf(uint8_t kind, uint8_t version = 0x27, std::size_t size = 0x200) {
  Image image = Payload(size, 0x22);
  Put(image, 0, "AGPF");
  image[4] = version;
  image[7] = kind;
  return image;
}

// Types 1 to 3 without a seal (the word at size - 32 is 0).
inline Image Trailing(const std::string& signature, std::size_t size = 0x400) {
  Image image = Payload(size, 0x33);
  Put(image, 0x40, signature);
  Put(image, 0x44, "1.23");
  image[size - 32] = 0;
  image[size - 31] = 0;
  return image;
}

// A sealed image: the region from 0x200 masked with the key, and two bytes
// after it chosen so that the unmasked image checks to a CRC of 0.
inline Image Sealed(const std::string& signature, std::size_t size = 0x403) {
  Image plain = Trailing(signature, size);
  plain[size - 32] = 0x5A;
  PutLe32(plain, 0x100, 2);
  const uint32_t key[2] = {0xA5A55A5A, 0x0F1E2D3C};
  PutLe32(plain, 0x104, key[0]);
  PutLe32(plain, 0x108, key[1]);
  for (uint32_t x = 0; x < 0x10000; ++x) {
    plain[size - 30] = static_cast<uint8_t>(x);
    plain[size - 29] = static_cast<uint8_t>(x >> 8);
    if (Crc16(plain.data(), size - 28) == 0) break;
  }
  Image sealed = plain;
  const std::size_t words = (size - 544 + 3) / 4;
  for (std::size_t i = 0; i < words; ++i)
    for (int b = 0; b < 4; ++b)
      sealed[0x200 + 4 * i + b] ^= static_cast<uint8_t>(key[i % 2] >> (8 * b));
  return sealed;
}

}  // namespace tarvik::testing
