#include "settings/firmware_version.h"

#include <cstring>

namespace tarvik {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
uint32_t Digit(char c) { return static_cast<uint32_t>(c - '0'); }

}  // namespace

uint32_t ParseFirmwareVersion(const char* text) {
  if (text == nullptr || std::strlen(text) != 4) return 0;
  if (text[1] == '.') {
    if (!IsDigit(text[0]) || !IsDigit(text[2]) || !IsDigit(text[3])) return 0;
    return Digit(text[0]) << 24 | Digit(text[2]) << 16 | Digit(text[3]) << 8;
  }
  if (!IsDigit(text[0]) || !IsDigit(text[1]) || !IsDigit(text[2]) || !IsLetter(text[3])) return 0;
  return Digit(text[0]) << 24 | Digit(text[1]) << 16 | Digit(text[2]) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(text[3]));
}

bool FirmwareAccepted(const char* versionText, bool exemptProduct) {
  if (exemptProduct) return true;
  uint32_t packed = ParseFirmwareVersion(versionText);
  const uint32_t letter = packed & 0xFF;
  if (letter >= 'a' && letter <= 'z') packed = 0;
  return (packed & ~0xFFu) >= (ParseFirmwareVersion(kMinFirmwareVersion) & ~0xFFu);
}

}  // namespace tarvik
