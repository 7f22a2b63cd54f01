// The two firmware transfers of the operation table: a package programmed
// into targets, and a section image.
#pragma once

#include <cstddef>

#include "commands/firmware_commands.h"

namespace tarvik {

inline constexpr std::size_t kFirmwareBlockSize = 4096;
inline constexpr int kProgrammingTimeoutMs = 81080;

}  // namespace tarvik
