#include "template_text.h"

#include <regex>

namespace tarvik::ctl::docs {

std::optional<std::string> Filled(std::string text, const TemplateValues& values,
                                  std::string* error) {
  for (const auto& [key, value] : values) {
    const std::string mark = "@" + key + "@";
    std::size_t at = text.find(mark);
    if (at == std::string::npos) {
      *error = "the template has no " + mark;
      return std::nullopt;
    }
    for (; at != std::string::npos; at = text.find(mark, at + value.size()))
      text.replace(at, mark.size(), value);
  }
  std::smatch left;
  if (std::regex_search(text, left, std::regex("@[A-Z_]+@"))) {
    *error = "the template holds " + left.str() + ", which nothing fills";
    return std::nullopt;
  }
  return text;
}

}  // namespace tarvik::ctl::docs
