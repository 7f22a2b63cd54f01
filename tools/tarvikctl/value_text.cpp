#include "value_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tarvik::ctl {
namespace {

// Length of the valid UTF-8 sequence at the start of `text` (overlong forms,
// surrogates and values past U+10FFFF are invalid), 0 when there is none.
std::size_t Utf8Length(std::string_view text, uint32_t* codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(0);
  std::size_t length = lead < 0x80             ? 1
                       : (lead & 0xE0) == 0xC0 ? 2
                       : (lead & 0xF0) == 0xE0 ? 3
                       : (lead & 0xF8) == 0xF0 ? 4
                                               : 0;
  if (length == 0 || length > text.size()) return 0;
  uint32_t value = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    value = value << 6 | (byte(i) & 0x3F);
  }
  constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
    return 0;
  *codePoint = value;
  return length;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<long long> ParseInteger(std::string_view text, long long low, long long high) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  unsigned long long magnitude = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (magnitude > (1ull << 62)) return std::nullopt;
  const long long value =
      negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<float> ParseFloat(std::string_view text) {
  const std::string copy(text);
  if (copy.empty()) return std::nullopt;
  char* end = nullptr;
  const float value = std::strtof(copy.c_str(), &end);
  // The device's coefficients are plain numbers; NaN and infinity (also
  // from a number too large for a float) are not.
  if (end != copy.c_str() + copy.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::vector<uint8_t>> ParseHex(std::string_view text, std::size_t maxBytes) {
  std::vector<uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == ':') continue;
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<uint8_t>(high << 4 | digit));
      high = -1;
    }
  }
  if (high >= 0 || bytes.size() > maxBytes) return std::nullopt;
  return bytes;
}

std::string Hex(const uint8_t* bytes, std::size_t size) {
  std::string text;
  text.reserve(size * 2);
  char pair[3];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
    text += pair;
  }
  return text;
}

std::string Printable(std::string_view text) {
  std::string safe;
  safe.reserve(text.size());
  char escape[5];
  while (!text.empty()) {
    uint32_t codePoint = 0;
    const std::size_t length = Utf8Length(text, &codePoint);
    const bool control =
        codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0) || codePoint == '\\';
    if (length == 0 || control) {
      // One byte at a time: what follows a broken sequence may be valid.
      const std::size_t count = length == 0 ? 1 : length;
      for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<uint8_t>(text[i]));
        safe += escape;
      }
      text.remove_prefix(count);
    } else {
      safe.append(text.substr(0, length));
      text.remove_prefix(length);
    }
  }
  return safe;
}

std::string HexNumber(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace tarvik::ctl
