// Command group 0x00: device-wide functions and settings.
#pragma once

#include "commands/field_shapes.h"

namespace tarvik::device_commands {

using namespace rows;
using namespace shapes;

// Clears the link's stream callback, installs `handler` when `value` is set,
// then sends the switch.
int SetDataStream(DeviceLink& link, const OperationRow& row, CommandParams* params);

inline constexpr OperationRow kRows[] = {
    Own(0, "GetCmd0000", 0x0000, kRead, kCmd0000, 0, {1, 2}, -1, {3, 4}),
    SetH(1, "SetCmd0001", 0x0001, kValueU8),
    GetH(2, "GetCmd0001", 0x0001, kValueU8),
    SetH(3, "SetCmd0002", 0x0002, kValueU8),
    GetH(4, "GetCmd0002", 0x0002, kValueU8),
    SetP(5, "SetCmd0018", 0x0018, kValueU32),
    GetP(6, "GetCmd0018", 0x0018, kValueU32),
    Own(7, "RestartDevice", 0x0003, kWrite, kValueU8, 0, {}, -1, {}),
    Own(8, "RunCmd0019", 0x0019, kWrite, kNone, -1, {}, -1, {}),
    WithTimeout(Own(9, "RunCmd0004", 0x0004, kWrite, kValueU8, 0, {}, -1, {}), 60000),
    Own(10, "GetCmd0005", 0x0005, kRead, kCmd0005, -1, {}, -1, {0, 1, 2, 3}),
    Own(11, "GetDeviceInfo", 0x0006, kRead, kDeviceInfo, 0, {}, -1, {1}),
    Own(12, "GetCmd0007", 0x0007, kRead, kFirstSecondU32, -1, {}, -1, {0, 1}),
    Own(13, "GetCmd0008", 0x0008, kRead, kValueU8, -1, {}, -1, {0}),
    GetT(14, "GetCmd0009", 0x0009, kTargetValueU8),
    SetH(15, "SetCmd000A", 0x000A, kValueU8),
    GetH(16, "GetCmd000A", 0x000A, kValueU8),
    SetTI(17, "SetCmd000B", 0x000B, kTargetIndexValueU8),
    GetTI(18, "GetCmd000B", 0x000B, kTargetIndexValueU8, true),
    Own(19, "RunCmd000C", 0x000C, kWrite, kTargetValueU8, 0, {1}, -1, {}),
    SetH(20, "SetCmd000D", 0x000D, kValueU8),
    GetH(21, "GetCmd000D", 0x000D, kValueU8),
    Own(22, "RunCmd000E", 0x000E, kWrite, kTargetValueU8, 0, {1}, -1, {}),
    SetP(23, "SetCmd000F", 0x000F, kValueU8),
    GetP(24, "GetCmd000F", 0x000F, kValueU8),
    SetH(25, "SetCmd0010", 0x0010, kValueU8),
    GetH(26, "GetCmd0010", 0x0010, kValueU8),
    SetH(27, "SetCmd0011", 0x0011, kValueU8),
    GetH(28, "GetCmd0011", 0x0011, kValueU8),
    SetH(29, "SetCmd0012", 0x0012, kValueU8),
    GetH(30, "GetCmd0012", 0x0012, kValueU8),
    SetT(31, "SetCmd0013", 0x0013, kTargetValueU8),
    GetT(32, "GetCmd0013", 0x0013, kTargetValueU8),
    SetH(33, "SetCmd0014", 0x0014, kValueU8),
    GetH(34, "GetCmd0014", 0x0014, kValueU8),
    SetH(35, "SetCmd0015", 0x0015, kValueU8),
    GetH(36, "GetCmd0015", 0x0015, kValueU8),
    WithHandler(SetH(37, "SetDataStream", 0x0016, kDataStream), SetDataStream),
    GetH(38, "GetDataStream", 0x0016, kDataStream),
    SetT(39, "SetCmd0017", 0x0017, kTargetValueU16),
    GetT(40, "GetCmd0017", 0x0017, kTargetValueU16),
    SetH(41, "SetUsbSpeed", 0x001A, kValueU8),
    GetH(42, "GetUsbSpeed", 0x001A, kValueU8),
    SetT(43, "SetCmd001B", 0x001B, kTargetData181),
    GetT(44, "GetCmd001B", 0x001B, kTargetData181),
    SetP(45, "SetCmd001C", 0x001C, kText20),
    GetP(46, "GetCmd001C", 0x001C, kText20),
    SetP(47, "SetMicMuteSync", 0x001D, kMicMuteSync),
    GetP(48, "GetMicMuteSync", 0x001D, kMicMuteSync),
};

}  // namespace tarvik::device_commands
