// Command group 0x00: device-wide functions and settings.
#pragma once

#include "commands/field_shapes.h"

namespace tarvik::device_commands {

using namespace rows;
using namespace shapes;

inline constexpr OperationRow kRows[] = {
    Own(7, "RestartDevice", 0x0003, kWrite, kValueU8, 0, {}, -1, {}),
    Own(11, "GetDeviceInfo", 0x0006, kRead, kDeviceInfo, 0, {}, -1, {1}),
    SetH(41, "SetUsbSpeed", 0x001A, kValueU8),
    GetH(42, "GetUsbSpeed", 0x001A, kValueU8),
    SetP(47, "SetMicMuteSync", 0x001D, kMicMuteSync),
    GetP(48, "GetMicMuteSync", 0x001D, kMicMuteSync),
};

}  // namespace tarvik::device_commands
