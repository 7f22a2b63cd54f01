// Command group 0x01: the audio settings of the input channels and output.
#pragma once

#include "commands/field_shapes.h"

namespace tarvik::audio_commands {

using namespace rows;
using namespace shapes;

inline constexpr OperationRow kRows[] = {
    Own(49, "RunCmd0100", 0x0100, kWrite, kNone, -1, {}, -1, {}),
    SetH(50, "SetCmd0101", 0x0101, kValueU8),
    GetH(51, "GetCmd0101", 0x0101, kValueU8),
    SetT(52, "SetCmd0102", 0x0102, kTargetValueU16),
    GetT(53, "GetCmd0102", 0x0102, kTargetValueU16),
    SetT(54, "SetChannelGain", 0x0103, kChannelGain),
    GetT(55, "GetChannelGain", 0x0103, kChannelGain),
    SetT(56, "SetCmd0104", 0x0104, kTargetValueU8),
    GetT(57, "GetCmd0104", 0x0104, kTargetValueU8),
    SetT(58, "SetCmd0105", 0x0105, kTargetValueU16),
    GetT(59, "GetCmd0105", 0x0105, kTargetValueU16),
    SetTI(60, "SetFilterBand", 0x0106, kFilterBand),
    GetTI(61, "GetFilterBand", 0x0106, kFilterBand, true),
    SetT(62, "SetCmd0107", 0x0107, kTargetValueU8),
    GetT(63, "GetCmd0107", 0x0107, kTargetValueU8),
    SetT(64, "SetRoutingFlags", 0x0108, kRoutingFlags),
    GetT(65, "GetRoutingFlags", 0x0108, kRoutingFlags),
    SetT(66, "SetCmd0109", 0x0109, kTargetValueU8),
    GetT(67, "GetCmd0109", 0x0109, kTargetValueU8),
    SetH(68, "SetCmd010A", 0x010A, kValueU8),
    GetH(69, "GetCmd010A", 0x010A, kValueU8),
    SetTI(70, "SetCmd0113", 0x0113, kFilterBand),
    GetTI(71, "GetCmd0113", 0x0113, kFilterBand, true),
    SetH(72, "SetCmd010B", 0x010B, kValueU8),
    GetH(73, "GetCmd010B", 0x010B, kValueU8),
    SetP(74, "SetCmd010C", 0x010C, kValueValue2),
    GetP(75, "GetCmd010C", 0x010C, kValueValue2),
    SetH(76, "SetCmd010D", 0x010D, kValueU8),
    GetH(77, "GetCmd010D", 0x010D, kValueU8),
    SetH(78, "SetCmd010E", 0x010E, kValueU8),
    GetH(79, "GetCmd010E", 0x010E, kValueU8),
    SetH(80, "SetCmd010F", 0x010F, kValueU8),
    GetH(81, "GetCmd010F", 0x010F, kValueU8),
    SetH(82, "SetCmd0110", 0x0110, kValueU8),
    GetH(83, "GetCmd0110", 0x0110, kValueU8),
    SetH(84, "SetCmd0111", 0x0111, kValueU8),
    GetH(85, "GetCmd0111", 0x0111, kValueU8),
    SetH(86, "SetCmd0112", 0x0112, kValueU8),
    GetH(87, "GetCmd0112", 0x0112, kValueU8),
    // The writes of 0x0114 to 0x0118 always address the working set.
    SelectorZero(SetH(88, "SetCmd0114", 0x0114, kValueU8)),
    GetH(89, "GetCmd0114", 0x0114, kValueU8),
    SelectorZero(SetH(90, "SetCmd0115", 0x0115, kValueU8)),
    GetH(91, "GetCmd0115", 0x0115, kValueU8),
    SelectorZero(SetH(92, "SetInputMode", 0x0116, kInputMode)),
    GetH(93, "GetInputMode", 0x0116, kInputMode),
    SelectorZero(SetH(94, "SetCmd0117", 0x0117, kValueU8)),
    GetH(95, "GetCmd0117", 0x0117, kValueU8),
    SelectorZero(SetT(96, "SetSignalLevel", 0x0118, kSignalLevel)),
    GetT(97, "GetSignalLevel", 0x0118, kSignalLevel),
    SetT(98, "SetCmd0119", 0x0119, kTargetData181),
    GetT(99, "GetCmd0119", 0x0119, kTargetData181),
    SetT(100, "SetCmd011A", 0x011A, kTargetValueU8),
    GetT(101, "GetCmd011A", 0x011A, kTargetValueU8),
};

}  // namespace tarvik::audio_commands
