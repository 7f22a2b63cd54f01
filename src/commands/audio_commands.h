// Command group 0x01: the audio settings of the input channels and output.
#pragma once

#include "commands/field_shapes.h"

namespace tarvik::audio_commands {

using namespace rows;
using namespace shapes;

inline constexpr OperationRow kRows[] = {
    SetT(54, "SetChannelGain", 0x0103, kChannelGain),
    GetT(55, "GetChannelGain", 0x0103, kChannelGain),
    SetTI(60, "SetFilterBand", 0x0106, kFilterBand),
    GetTI(61, "GetFilterBand", 0x0106, kFilterBand, true),
    SetT(64, "SetRoutingFlags", 0x0108, kRoutingFlags),
    GetT(65, "GetRoutingFlags", 0x0108, kRoutingFlags),
    SetT(66, "SetCmd0109", 0x0109, kTargetValueU8),
    GetT(67, "GetCmd0109", 0x0109, kTargetValueU8),
    SelectorZero(SetH(92, "SetInputMode", 0x0116, kInputMode)),
    GetH(93, "GetInputMode", 0x0116, kInputMode),
    SelectorZero(SetT(96, "SetSignalLevel", 0x0118, kSignalLevel)),
    GetT(97, "GetSignalLevel", 0x0118, kSignalLevel),
};

}  // namespace tarvik::audio_commands
