// The firmware version text parser on arbitrary zero-terminated text. A
// packed version must give back the text it came from, and acceptance must
// follow from the packed value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/firmware_version.h"
#include "fuzz_check.h"

namespace tarvik::fuzzing::firmware_version {

// The text a packed value stands for: D.DD when its low byte is 0, else DDDL.
inline std::string Unpack(uint32_t packed) {
  std::string text(4, '\0');
  text[0] = static_cast<char>('0' + (packed >> 24));
  if ((packed & 0xFF) == 0) {
    text[1] = '.';
    text[2] = static_cast<char>('0' + ((packed >> 16) & 0xFF));
    text[3] = static_cast<char>('0' + ((packed >> 8) & 0xFF));
  } else {
    text[1] = static_cast<char>('0' + ((packed >> 16) & 0xFF));
    text[2] = static_cast<char>('0' + ((packed >> 8) & 0xFF));
    text[3] = static_cast<char>(packed & 0xFF);
  }
  return text;
}

}  // namespace tarvik::fuzzing::firmware_version

namespace tarvik::fuzzing {

inline void CheckFirmwareVersion(const uint8_t* data, std::size_t size) {
  // Exactly the input plus its terminator, so a read past it is caught.
  char* text = static_cast<char*>(std::malloc(size + 1));
  if (size) std::memcpy(text, data, size);
  text[size] = '\0';

  const uint32_t packed = tarvik::ParseFirmwareVersion(text);
  const bool accepted = tarvik::FirmwareAccepted(text, false);
  if (!tarvik::FirmwareAccepted(text, true)) Fail("exempt product refused");
  if (packed != 0) {
    if (std::strlen(text) != 4) Fail("version parsed from a text not four characters long");
    if (firmware_version::Unpack(packed) != text)
      Fail("packed version does not give back its text");
    const uint32_t letter = packed & 0xFF;
    const bool lower = letter >= 'a' && letter <= 'z';
    const bool recentEnough =
        (packed >> 8) >= (tarvik::ParseFirmwareVersion(tarvik::kMinFirmwareVersion) >> 8);
    if (accepted != (recentEnough && !lower)) Fail("acceptance does not follow from the version");
  } else if (accepted) {
    Fail("text that is no version accepted");
  }

  std::free(text);
}

}  // namespace tarvik::fuzzing
