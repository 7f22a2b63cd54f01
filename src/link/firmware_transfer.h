// The two firmware transfers of the operation table: a package programmed
// into targets, and a section image.
#pragma once

#include "commands/operation_row.h"

namespace tarvik {

inline constexpr std::size_t kFirmwareBlockSize = 4096;
inline constexpr int kProgrammingTimeoutMs = 81080;

int UpdateFirmware(DeviceLink& link, const OperationRow& row, CommandParams* params);
int UpdateFirmwareSection(DeviceLink& link, const OperationRow& row, CommandParams* params);

}  // namespace tarvik
