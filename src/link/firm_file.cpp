#include "link/firm_file.h"

#include <cstring>

#include "link/crc16.h"
#include "link/report_framing.h"

namespace tarvik {

namespace {

using LoadResult = CFirmFile::LoadResult;

// Package: "SIAM", the version number (big-endian), "2000" and the payload length.
constexpr std::size_t kPackageVersionAt = 4;
constexpr std::size_t kPackageFormatAt = 16;
constexpr std::size_t kPackageLengthAt = 20;
constexpr std::size_t kPackageHeader = 24;
constexpr uint32_t kMaxPackagePayload = 0x100000;

// Type 0, from the start word Q on.
constexpr std::size_t kTipaStartWindow = 8;
constexpr std::size_t kTipaMonitorAt = 0x48;
constexpr std::size_t kTipaVersionAt = 0x4C;
constexpr std::size_t kTipaRevisionAt = 0x50;
constexpr std::size_t kSmallImageLimit = 0x80000;  // types 0, 2, 4 and 5

// Types 4 and 5: "AGPF", the version nibbles, then the kind byte.
constexpr std::size_t kAgpfVersionAt = 4;
constexpr std::size_t kAgpfKindAt = 7;
constexpr uint8_t kAgpfKind2 = 2;
constexpr uint8_t kAgpfKind3 = 3;

// Types 1 to 3: the signature and the version after the first 0x40 bytes.
constexpr std::size_t kTrailingSignatureAt = 0x40;
constexpr std::size_t kTrailingVersionAt = 0x44;
constexpr std::size_t kTrailingMinSize = 0x48;

// Seal of types 1 to 3: a word 32 bytes before the end (0: unsealed), a scheme
// word and two key words, and the masked region from 0x200 to 544 bytes
// before the end. The CRC covers all but the last 28 bytes.
constexpr std::size_t kSealWordFromEnd = 32;
constexpr std::size_t kSealSchemeAt = 0x100;
constexpr uint32_t kSealScheme = 2;
constexpr std::size_t kSealKeyAt = 0x104;
constexpr std::size_t kSealRegionAt = 0x200;
constexpr std::size_t kSealRegionFromEnd = 544;
constexpr std::size_t kSealMinSize = 0x220;
constexpr std::size_t kSealUncheckedTail = 28;

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
  for (std::size_t p = marker; p < marker + kTipaStartWindow; ++p) {
    if (!At(bytes, size, p, kStart, 4)) continue;
    if (!At(bytes, size, p + kTipaMonitorAt, "MON1", 4) || p + kTipaRevisionAt >= size ||
        bytes[p + kTipaRevisionAt] != '2')
      return false;
    *q = p;
    return true;
  }
  return false;
}

// A sealed image (types 1 to 3) must unmask to a CRC of 0 over all but its
// last 28 bytes. The check runs on a scratch copy.
LoadResult CheckSeal(const uint8_t* bytes, std::size_t size) {
  const uint8_t* sealWord = bytes + size - kSealWordFromEnd;
  const uint16_t seal = static_cast<uint16_t>(sealWord[0] | (sealWord[1] << 8));
  if (seal == 0) return LoadResult::Loaded;
  // The seal word, the key and the region from 0x200 must all lie inside.
  if (size < kSealMinSize || GetLe32(bytes + kSealSchemeAt) != kSealScheme)
    return LoadResult::NotRecognised;
  const uint32_t key[2] = {GetLe32(bytes + kSealKeyAt), GetLe32(bytes + kSealKeyAt + 4)};
  std::vector<uint8_t> copy(bytes, bytes + size);
  const std::size_t region = size - kSealRegionFromEnd;
  const std::size_t words = (region + 3) / 4;
  for (std::size_t i = 0; i < words; ++i) {
    uint8_t* word =
        copy.data() + kSealRegionAt + 4 * i;  // the last word ends at most 3 bytes past the region
    PutLe(word, GetLe32(word) ^ key[i % 2], 4);
  }
  return Crc16(copy.data(), size - kSealUncheckedTail) == 0 ? LoadResult::Loaded
                                                            : LoadResult::SealBroken;
}

}  // namespace

void CFirmFile::Keep(int type, const uint8_t* bytes, std::size_t size, const uint8_t version[4]) {
  imageData_.assign(bytes, bytes + size);
  imageCrc_ = Crc16(imageData_.data(), imageData_.size());
  imageType_ = type;
  std::memset(imageVersion_, 0, sizeof imageVersion_);
  std::memcpy(imageVersion_, version, 4);
}

CFirmFile::LoadResult CFirmFile::LoadFirmwareImage(const uint8_t* bytes, std::size_t size) {
  if (!bytes || size < kPackageHeader) return LoadResult::NotRecognised;
  if (!At(bytes, size, 0, "SIAM", 4) || !At(bytes, size, kPackageFormatAt, "2000", 4))
    return LoadResult::NotRecognised;
  const uint32_t length = GetLe32(bytes + kPackageLengthAt);
  // An empty payload would send no block and leave nothing to judge the transfer by.
  if (length == 0 || length > kMaxPackagePayload || size != kPackageHeader + length)
    return LoadResult::NotRecognised;
  const uint8_t* v = bytes + kPackageVersionAt;
  const uint32_t number = static_cast<uint32_t>(v[0]) << 24 | v[1] << 16 | v[2] << 8 | v[3];
  uint8_t version[4];
  std::memcpy(version, &number, 4);
  Keep(kPackage, bytes + kPackageHeader, length, version);
  return LoadResult::Loaded;
}

CFirmFile::LoadResult CFirmFile::LoadSectionImage(const uint8_t* bytes, std::size_t size) {
  if (!bytes) return LoadResult::NotRecognised;
  std::size_t q = 0;
  if (size <= kSmallImageLimit && FindType0(bytes, size, &q)) {
    Keep(kLayoutTipa, bytes, size, bytes + q + kTipaVersionAt);
    return LoadResult::Loaded;
  }
  if (size <= kSmallImageLimit && size > kAgpfKindAt && At(bytes, size, 0, "AGPF", 4) &&
      (bytes[kAgpfKindAt] == kAgpfKind2 || bytes[kAgpfKindAt] == kAgpfKind3)) {
    const uint8_t packed = bytes[kAgpfVersionAt];
    const uint8_t version[4] = {static_cast<uint8_t>('0' + (packed >> 4)),
                                static_cast<uint8_t>('0' + (packed & 0x0F)), 0, 0};
    Keep(bytes[kAgpfKindAt] == kAgpfKind2 ? kLayoutAgpf2 : kLayoutAgpf3, bytes, size, version);
    return LoadResult::Loaded;
  }
  static const struct {
    int type;
    const char* signature;
    std::size_t limit;
  } kTrailing[] = {{kLayoutUamc, "UAMC", 0x500000},
                   {kLayoutFwup, "FWUP", kSmallImageLimit},
                   {kLayoutFqi, "FQI ", 0x300000}};
  for (const auto& row : kTrailing) {
    if (size > row.limit || size < kTrailingMinSize ||
        !At(bytes, size, kTrailingSignatureAt, row.signature, 4))
      continue;
    if (const LoadResult seal = CheckSeal(bytes, size); seal != LoadResult::Loaded) return seal;
    Keep(row.type, bytes, size, bytes + kTrailingVersionAt);
    return LoadResult::Loaded;
  }
  return LoadResult::NotRecognised;
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
