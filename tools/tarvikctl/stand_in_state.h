// The file --simulate-state keeps the stand-ins' settings in between runs:
// {"schemaVersion": 1, "standIns": [{"settings": [{"set": 0, "command":
// "0x0103", "target": "0x71", "index": 0, "value": "0003"}, ...]}, ...]},
// stand-in i (in port 1-(i+1)) from entry i. No device is involved here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_settings.h"

namespace tarvik::ctl {

inline constexpr int kMaxStandIns = 64;  // --simulate's limit, and a state file's
inline constexpr int kStateSchemaVersion = 1;
// Far more than 64 stand-ins' settings take; anything larger is refused unread.
inline constexpr std::size_t kMaxStateBytes = 4u << 20;
inline constexpr std::size_t kMaxStoredValues = 4096;  // per stand-in

using StandInState = std::vector<std::vector<sim::StoredValue>>;

std::string StateText(const StandInState& state);
// Checks all of `text`; false with `error` naming the field at fault.
bool ParseState(std::string_view text, StandInState* state, std::string* error);

}  // namespace tarvik::ctl
