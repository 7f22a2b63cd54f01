// Text made safe for roff source in the man(7) macros.
#pragma once

#include <string>
#include <string_view>

namespace tarvik::ctl::docs {

// Prose for the page: backslashes escaped, a dash that starts a word (an
// option, a negative gain) made a minus sign so that it copies as typed,
// and a leading control character made plain text.
std::string RoffProse(std::string_view text);
// A word the user types (an option, a setting name or value): every dash a
// minus sign.
std::string RoffLiteral(std::string_view text);
// The help's "print JSON instead of text" as the page's sentence: "Print
// JSON instead of text."
// `roff` (one word, fonts included) never broken at its hyphens.
std::string Unbroken(const std::string& roff);
std::string Sentence(std::string_view text);

}  // namespace tarvik::ctl::docs
