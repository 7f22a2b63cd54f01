// The hand-written files the generator completes: @KEY@ marks where a
// generated part goes.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarvik::ctl::docs {

using TemplateValues = std::vector<std::pair<std::string, std::string>>;

// `text` with every @KEY@ replaced by its value. Fails, saying why in
// `error`, when a key is missing from the text or the text holds an @WORD@
// no key names, so that a renamed mark cannot slip into a page.
std::optional<std::string> Filled(std::string text, const TemplateValues& values,
                                  std::string* error);

}  // namespace tarvik::ctl::docs
