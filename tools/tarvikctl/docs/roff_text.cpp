#include "roff_text.h"

namespace tarvik::ctl::docs {

std::string RoffProse(std::string_view text) {
  std::string roff = !text.empty() && (text[0] == '.' || text[0] == '\'') ? "\\&" : "";
  bool minus = false;  // the dash before was made a minus sign: so is this one
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '-') {
      minus = minus || i == 0 || text[i - 1] == ' ' || text[i - 1] == '(';
      roff += minus ? "\\-" : "-";
      continue;
    }
    minus = false;
    roff += c == '\\' ? std::string("\\e") : std::string(1, c);
  }
  return roff;
}

std::string RoffLiteral(std::string_view text) {
  std::string roff;
  for (const char c : text) roff += c == '-' ? "\\-" : c == '\\' ? "\\e" : std::string(1, c);
  return roff;
}

std::string Unbroken(const std::string& roff) { return "\\%" + roff; }

std::string Sentence(std::string_view text) {
  std::string sentence(text);
  if (!sentence.empty() && sentence[0] >= 'a' && sentence[0] <= 'z')
    sentence[0] = static_cast<char>(sentence[0] - 'a' + 'A');
  if (!sentence.empty() && sentence.back() != '.') sentence += '.';
  return RoffProse(sentence);
}

}  // namespace tarvik::ctl::docs
