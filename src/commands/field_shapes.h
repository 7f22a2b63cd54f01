// Field lists shared by the operation rows. A Set and its Get use the same
// list, so a read returns its value in the field the write takes it from.
#pragma once

#include "commands/operation_row.h"

namespace tarvik::shapes {

using enum FieldType;
using enum FieldRole;

inline constexpr std::span<const FieldSpec> kNone{};
inline constexpr FieldSpec kValueU8[] = {{"value", U8}};
inline constexpr FieldSpec kValueU32[] = {{"value", U32}};
inline constexpr FieldSpec kValueValue2[] = {{"value", U8}, {"value2", U8}};
inline constexpr FieldSpec kTargetValueU8[] = {{"target", U8}, {"value", U8}};
inline constexpr FieldSpec kTargetValueU16[] = {{"target", U8}, {"value", U16}};
inline constexpr FieldSpec kTargetIndexValueU8[] = {{"target", U8}, {"index", U8}, {"value", U8}};
inline constexpr FieldSpec kTargetIndexValueU16[] = {{"target", U8}, {"index", U8}, {"value", U16}};
inline constexpr FieldSpec kTargetData181[] = {{"target", U8}, {"data", Bytes, 181}};
inline constexpr FieldSpec kTargetText16[] = {{"target", U8}, {"text", Text, 16}};
inline constexpr FieldSpec kText20[] = {{"text", Text, 20}};
inline constexpr FieldSpec kValueResult[] = {{"value", U8}, {"result", U8}};

// Group 0x00
inline constexpr FieldSpec kCmd0000[] = {
    {"target", U8}, {"argument", U16}, {"argument2", U8}, {"result", U16}, {"result2", U8}};
inline constexpr FieldSpec kCmd0005[] = {
    {"text1", Text, 40}, {"text2", Text, 4}, {"text3", Text, 16}, {"text4", Text, 16}};
inline constexpr FieldSpec kDeviceInfo[] = {{"item", U8}, {"text", Text, 16}};
inline constexpr FieldSpec kFirstSecondU32[] = {{"first", U32}, {"second", U32}};
inline constexpr FieldSpec kDataStream[] = {{"value", U8}, {"handler", Pointer, 0}};
inline constexpr FieldSpec kMicMuteSync[] = {{"mode", U8}, {"spare", U8}};

// Group 0x01
inline constexpr FieldSpec kChannelGain[] = {{"target", U8}, {"gain", I16}};
inline constexpr FieldSpec kFilterBand[] = {
    {"target", U8}, {"band", U8}, {"filterType", U8}, {"coefficients", F32, 4}};
inline constexpr FieldSpec kRoutingFlags[] = {{"target", U8}, {"flags", U8}};
inline constexpr FieldSpec kInputMode[] = {{"modeBits", U8}};
inline constexpr FieldSpec kSignalLevel[] = {{"target", U8}, {"level", U8}};

// Groups 0x02 to 0x07
inline constexpr FieldSpec kTargetBuffer1024[] = {{"target", U8},
                                                  {"buffer", Pointer, 1024, kBuffer}};
inline constexpr FieldSpec kCmd0207[] = {{"value", U32}, {"value2", U8}};
inline constexpr FieldSpec kFirstSecondU16[] = {{"first", U16}, {"second", U16}};
inline constexpr FieldSpec kCmd0301[] = {{"key", Bytes, 4}, {"text", Text, 176}};
inline constexpr FieldSpec kCmd0402[] = {
    {"value", U8}, {"value2", U8}, {"buffer", Pointer, 58, kBuffer}};
inline constexpr FieldSpec kCmd0700[] = {
    {"block1", Bytes, 80}, {"number1", U32}, {"block2", Bytes, 16}, {"number2", U32},
    {"number3", U16},      {"number4", U32}, {"number5", U32}};

// Groups 0x08 and up
inline constexpr FieldSpec kBlock[] = {
    {"target", U8}, {"address", U32}, {"count", U16, 1, kCount}, {"buffer", Pointer, 0, kBuffer}};
inline constexpr FieldSpec kTargetAddress[] = {{"target", U8}, {"address", U32}};
inline constexpr FieldSpec kCmd0805[] = {
    {"target", U8}, {"value", U8}, {"value2", U8}, {"value3", U16}};
inline constexpr FieldSpec kData16[] = {{"data", Bytes, 16}};
inline constexpr FieldSpec kCmd0A05[] = {
    {"data", Bytes, 8}, {"value", U16}, {"spare", U8}, {"value2", U32}, {"value3", U16}};
inline constexpr FieldSpec kCmd0B01[] = {{"target", U8}, {"value", U16}, {"value2", U8}};
inline constexpr FieldSpec kCmd0B02[] = {
    {"target", U8}, {"value", U8}, {"value2", U8}, {"value3", U32}};
inline constexpr FieldSpec kRawMessage[] = {{"message", Pointer, 0, kBuffer},
                                            {"size", U32, 1, kSize}};

// Firmware transfers: the caller's file, and a progress callback with its value.
inline constexpr FieldSpec kUpdateFirmware[] = {{"image", Pointer, 0, kImage}, {"imageSize", U32},
                                                {"targets", Bytes, 8},         {"targetCount", U32},
                                                {"progress", Pointer, 0},      {"user", U32}};
inline constexpr FieldSpec kUpdateFirmwareSection[] = {
    {"image", Pointer, 0, kImage}, {"imageSize", U32}, {"progress", Pointer, 0}, {"user", U32}};

}  // namespace tarvik::shapes
