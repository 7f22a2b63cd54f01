// The firmware file loaders on arbitrary bytes: the package loader and the
// section loader with its sealed-image check. A loaded image must be an
// exact copy of the part of the file it stands for, with its checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_check.h"
#include "link/crc16.h"
#include "link/firm_file.h"

namespace tarvik::fuzzing::firm_file {

// Reads every byte of the kept copy and checks it against the file.
inline void CheckKept(const tarvik::CFirmFile& file, const uint8_t* expected,
                      std::size_t expectedSize) {
  uint32_t size = 0;
  uint16_t crc = 0;
  const uint8_t* image = file.GetImage(&size, &crc);
  if (size != expectedSize) Fail("kept copy has the wrong size");
  if (size == 0) {
    if (image) Fail("empty copy with an address");
    return;
  }
  if (!image) Fail("loaded image without a copy");
  if (image == expected) Fail("kept copy is the caller's memory");
  if (std::memcmp(image, expected, size) != 0) Fail("kept copy differs from the file");
  if (crc != tarvik::Crc16(image, size)) Fail("checksum does not match the copy");
}

}  // namespace tarvik::fuzzing::firm_file

namespace tarvik::fuzzing {

inline void CheckFirmFile(const uint8_t* data, std::size_t size) {
  // Copy into memory of exactly the input's size so a read past the end is caught.
  uint8_t* bytes = static_cast<uint8_t*>(std::malloc(size ? size : 1));
  if (size) std::memcpy(bytes, data, size);

  tarvik::CFirmFile package;
  if (package.LoadFirmwareImage(bytes, size) == tarvik::CFirmFile::LoadResult::Loaded) {
    if (package.GetType() != tarvik::CFirmFile::kPackage) Fail("package loaded with another type");
    firm_file::CheckKept(package, bytes + 24, size - 24);
  } else if (package.GetImage() || package.GetType() != tarvik::CFirmFile::kNoImage) {
    Fail("failed package load left an image");
  }

  tarvik::CFirmFile section;
  const tarvik::CFirmFile::LoadResult loaded = section.LoadSectionImage(bytes, size);
  if (loaded == tarvik::CFirmFile::LoadResult::Loaded) {
    if (section.GetType() < 0 || section.GetType() >= tarvik::CFirmFile::kLayoutCount)
      Fail("section loaded with a type outside 0..5");
    firm_file::CheckKept(section, bytes, size);
    // Release leaves nothing behind.
    section.Release();
    if (section.GetImage() || section.GetType() != tarvik::CFirmFile::kNoImage)
      Fail("release kept an image");
  } else if (loaded != tarvik::CFirmFile::LoadResult::NotRecognised &&
             loaded != tarvik::CFirmFile::LoadResult::SealBroken) {
    Fail("section load returned an unknown result");
  }

  std::free(bytes);
}

}  // namespace tarvik::fuzzing
