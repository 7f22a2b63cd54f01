// Reading values from the command line and writing them back as text, with
// every range checked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::ctl {

// A whole number in decimal or with a 0x prefix in hex, within [low, high].
std::optional<long long> ParseInteger(std::string_view text, long long low, long long high);
std::optional<float> ParseFloat(std::string_view text);
// Hex digits, optionally separated by spaces or colons, at most `maxBytes`.
std::optional<std::vector<uint8_t>> ParseHex(std::string_view text, std::size_t maxBytes);

std::string Hex(const uint8_t* bytes, std::size_t size);
// `text` safe to put on a terminal: control characters (C0, DEL and C1), bytes
// outside valid UTF-8 and the backslash itself become \xNN escapes, so a
// device text cannot move the cursor or change the terminal's state.
std::string Printable(std::string_view text);
std::string HexNumber(unsigned value, int digits);

// Case-insensitive equality of plain ASCII words.
bool SameWord(std::string_view a, std::string_view b);

}  // namespace tarvik::ctl
