// Reading a JSON file a user gave: a check that finds the file wrong throws
// Refused with its reason, and ReadOrRefuse turns that, or the JSON parser's
// own failure, into the one-line reason the command reports.
#pragma once

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace tarvik::ctl {

struct Refused {
  std::string reason;
};

// The first key of `object` that is none of `known`.
inline std::optional<std::string> FirstUnknownField(const nlohmann::json& object,
                                                    std::initializer_list<const char*> known) {
  for (const auto& [key, value] : object.items()) {
    bool found = false;
    for (const char* name : known) found = found || key == name;
    if (!found) return key;
  }
  return std::nullopt;
}

// Runs `read`; false with `error` set when it refused the file, which is
// called `what` in the reason.
template <typename Read>
bool ReadOrRefuse(Read read, const char* what, std::string* error) {
  try {
    read();
    return true;
  } catch (const Refused& refused) {
    *error = refused.reason;
  } catch (const nlohmann::json::parse_error& parseError) {
    *error = "not valid JSON at byte " + std::to_string(parseError.byte);
  } catch (const nlohmann::json::out_of_range&) {
    // Its message quotes the whole number, which may be megabytes long.
    *error = std::string("a number in the ") + what + " is too large to read";
  }
  return false;
}

}  // namespace tarvik::ctl
