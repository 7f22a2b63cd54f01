// tarvikctl's JSON documents as text. Texts in them come from the device,
// from file names and from the command line, so they may hold any bytes;
// the document is valid UTF-8 all the same: every byte that is not part
// of a valid UTF-8 sequence becomes U+FFFD.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace tarvik::ctl {

std::string JsonText(const nlohmann::json& document);
// One value for a line of text output: a string as itself with its control
// characters escaped (see Printable), anything else in compact JSON.
std::string ValueText(const nlohmann::json& value);

}  // namespace tarvik::ctl
