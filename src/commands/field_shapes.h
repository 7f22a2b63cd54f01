// Field lists shared by the operation rows. A Set and its Get use the same
// list, so a read returns its value in the field the write takes it from.
#pragma once

#include "commands/operation_row.h"

namespace tarvik::shapes {

inline constexpr FieldSpec kValueU8[] = {{"value", FieldType::U8}};
inline constexpr FieldSpec kTargetValueU8[] = {{"target", FieldType::U8}, {"value", FieldType::U8}};
inline constexpr FieldSpec kTargetValueU16[] = {{"target", FieldType::U8}, {"value", FieldType::U16}};

inline constexpr FieldSpec kDeviceInfo[] = {{"item", FieldType::U8}, {"text", FieldType::Text, 16}};
inline constexpr FieldSpec kMicMuteSync[] = {{"mode", FieldType::U8}, {"spare", FieldType::U8}};

inline constexpr FieldSpec kChannelGain[] = {{"target", FieldType::U8}, {"gain", FieldType::I16}};
inline constexpr FieldSpec kFilterBand[] = {{"target", FieldType::U8},
                                            {"band", FieldType::U8},
                                            {"filterType", FieldType::U8},
                                            {"coefficients", FieldType::F32, 4}};
inline constexpr FieldSpec kRoutingFlags[] = {{"target", FieldType::U8}, {"flags", FieldType::U8}};
inline constexpr FieldSpec kInputMode[] = {{"modeBits", FieldType::U8}};
inline constexpr FieldSpec kSignalLevel[] = {{"target", FieldType::U8}, {"level", FieldType::U8}};

}  // namespace tarvik::shapes
