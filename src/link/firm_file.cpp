#include "link/firm_file.h"

#include <cstring>

#include "link/crc16.h"
#include "link/report_framing.h"

namespace tarvik {

namespace {

constexpr std::size_t kPackageHeader = 24;
constexpr uint32_t kMaxPackagePayload = 0x100000;

// Whether `text` (n characters) stands at `offset`, wholly inside the file.
bool At(const uint8_t* bytes, std::size_t size, std::size_t offset, const char* text,
        std::size_t n) {
  return offset <= size && n <= size - offset && std::memcmp(bytes + offset, text, n) == 0;
}

// Type 0: "TIPA", the marker 01 "QKV", the start word 00 40 00 C0 within
// the eight positions from the marker on, "MON1" at Q + 0x48 and '2' at Q + 0x50.
bool FindType0(const uint8_t* bytes, std::size_t size, std::size_t* q) {
  if (!At(bytes, size, 0, "TIPA", 4)) return false;
  static const char kMarker[] = {0x01, 'Q', 'K', 'V'};
  static const char kStart[] = {0x00, 0x40, 0x00, static_cast<char>(0xC0)};
  std::size_t marker = 0;
  while (marker + 4 <= size && std::memcmp(bytes + marker, kMarker, 4) != 0) ++marker;
  if (marker + 4 > size) return false;
  for (std::size_t p = marker; p < marker + 8; ++p) {
    if (!At(bytes, size, p, kStart, 4)) continue;
    if (!At(bytes, size, p + 0x48, "MON1", 4) || p + 0x50 >= size || bytes[p + 0x50] != '2')
      return false;
    *q = p;
    return true;
  }
  return false;
}

// A sealed image (types 1 to 3) must unmask to a CRC of 0 over all but its
// last 28 bytes. The check runs on a scratch copy.
int CheckSeal(const uint8_t* bytes, std::size_t size) {
  const uint16_t seal = static_cast<uint16_t>(bytes[size - 32] | (bytes[size - 31] << 8));
  if (seal == 0) return 0;
  // The seal word, the key and the region from 0x200 must all lie inside.
  if (size < 0x220 || GetLe32(bytes + 0x100) != 2) return CFirmFile::kNotRecognised;
  const uint32_t key[2] = {GetLe32(bytes + 0x104), GetLe32(bytes + 0x108)};
  std::vector<uint8_t> copy(bytes, bytes + size);
  const std::size_t region = size - 544;
  const std::size_t words = (region + 3) / 4;
  for (std::size_t i = 0; i < words; ++i) {
    uint8_t* word =
        copy.data() + 0x200 + 4 * i;  // the last word ends at most 3 bytes past the region
    PutLe(word, GetLe32(word) ^ key[i % 2], 4);
  }
  return Crc16(copy.data(), size - 28) == 0 ? 0 : CFirmFile::kSealBroken;
}

}  // namespace

void CFirmFile::Keep(int type, const uint8_t* bytes, std::size_t size, const uint8_t version[4]) {
  imageData_.assign(bytes, bytes + size);
  imageCrc_ = Crc16(imageData_.data(), imageData_.size());
  imageType_ = type;
  std::memset(imageVersion_, 0, sizeof imageVersion_);
  std::memcpy(imageVersion_, version, 4);
}

int CFirmFile::LoadFirmwareImage(const uint8_t* bytes, std::size_t size) {
  if (!bytes || size < kPackageHeader) return kNotRecognised;
  if (!At(bytes, size, 0, "SIAM", 4) || !At(bytes, size, 16, "2000", 4)) return kNotRecognised;
  const uint32_t length = GetLe32(bytes + 20);
  // An empty payload would send no block and leave nothing to judge the transfer by.
  if (length == 0 || length > kMaxPackagePayload || size != kPackageHeader + length)
    return kNotRecognised;
  const uint32_t number =
      static_cast<uint32_t>(bytes[4]) << 24 | bytes[5] << 16 | bytes[6] << 8 | bytes[7];
  uint8_t version[4];
  std::memcpy(version, &number, 4);
  Keep(kPackage, bytes + kPackageHeader, length, version);
  return 0;
}

int CFirmFile::LoadSectionImage(const uint8_t* bytes, std::size_t size) {
  if (!bytes) return kNotRecognised;
  std::size_t q = 0;
  if (size <= 0x80000 && FindType0(bytes, size, &q)) {
    Keep(0, bytes, size, bytes + q + 0x4C);
    return 0;
  }
  if (size <= 0x80000 && size >= 8 && At(bytes, size, 0, "AGPF", 4) &&
      (bytes[7] == 2 || bytes[7] == 3)) {
    const uint8_t version[4] = {static_cast<uint8_t>('0' + (bytes[4] >> 4)),
                                static_cast<uint8_t>('0' + (bytes[4] & 0x0F)), 0, 0};
    Keep(bytes[7] == 2 ? 4 : 5, bytes, size, version);
    return 0;
  }
  static const struct {
    int type;
    const char* signature;
    std::size_t limit;
  } kTrailing[] = {{1, "UAMC", 0x500000}, {2, "FWUP", 0x80000}, {3, "FQI ", 0x300000}};
  for (const auto& row : kTrailing) {
    if (size > row.limit || size < 0x48 || !At(bytes, size, 0x40, row.signature, 4)) continue;
    if (const int seal = CheckSeal(bytes, size); seal != 0) return seal;
    Keep(row.type, bytes, size, bytes + 0x44);
    return 0;
  }
  return kNotRecognised;
}

const uint8_t* CFirmFile::GetImage(uint32_t* size, uint16_t* crc) const {
  if (size) *size = static_cast<uint32_t>(imageData_.size());
  if (crc) *crc = imageCrc_;
  return imageData_.empty() ? nullptr : imageData_.data();
}

void CFirmFile::Release() {
  imageData_.clear();
  imageData_.shrink_to_fit();
  imageCrc_ = 0;
  imageType_ = kNoImage;
}

}  // namespace tarvik
