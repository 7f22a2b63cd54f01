// Typed fields of each operation's parameter record, so callers never work
// with byte offsets: SetField(params, fields::ChannelGain::gain, int16_t{768}).
// One struct per field list; the comment names the operations that use it.
#pragma once

#include "commands/field_shapes.h"
#include "link/link_callbacks.h"

namespace tarvik::fields {

#define TARVIK_FIELD(type, shape, name) static constexpr auto name = Ref<type>(shapes::shape, #name)
#define TARVIK_BYTES(shape, name) static constexpr auto name = BytesOf(shapes::shape, #name)

// Header values and one-byte payloads: SetCmd0001 ... GetCmd0B07, RestartDevice,
// RunCmd0004, GetCmd0008, RunCmd0400, GetCmd0401, RunCmd0701, SetUsbSpeed, GetUsbSpeed.
struct Value {
  TARVIK_FIELD(uint8_t, kValueU8, value);
};
struct ValueU32 {  // SetCmd0018, GetCmd0018, SetCmd0A02, GetCmd0A02
  TARVIK_FIELD(uint32_t, kValueU32, value);
};
struct ValueValue2 {  // SetCmd010C, GetCmd010C, RunCmd0B00
  TARVIK_FIELD(uint8_t, kValueValue2, value);
  TARVIK_FIELD(uint8_t, kValueValue2, value2);
};
struct TargetValue {  // T8 pairs and reads, RunCmd000C, RunCmd000E, SetCmd0109, GetCmd0109
  TARVIK_FIELD(uint8_t, kTargetValueU8, target);
  TARVIK_FIELD(uint8_t, kTargetValueU8, value);
};
struct TargetValueU16 {  // T16 pairs and reads
  TARVIK_FIELD(uint8_t, kTargetValueU16, target);
  TARVIK_FIELD(uint16_t, kTargetValueU16, value);
};
struct TargetIndexValue {  // SetCmd000B, GetCmd000B, SetCmd0801 ... GetCmd0803
  TARVIK_FIELD(uint8_t, kTargetIndexValueU8, target);
  TARVIK_FIELD(uint8_t, kTargetIndexValueU8, index);
  TARVIK_FIELD(uint8_t, kTargetIndexValueU8, value);
};
struct TargetIndexValueU16 {  // SetCmd0A03, GetCmd0A03, SetCmd0B03, GetCmd0B03
  TARVIK_FIELD(uint8_t, kTargetIndexValueU16, target);
  TARVIK_FIELD(uint8_t, kTargetIndexValueU16, index);
  TARVIK_FIELD(uint16_t, kTargetIndexValueU16, value);
};
struct TargetData {  // SetCmd001B, GetCmd001B, SetCmd0119, GetCmd0119
  TARVIK_FIELD(uint8_t, kTargetData181, target);
  TARVIK_BYTES(kTargetData181, data);
};
struct TargetText {  // SetCmd0A01, GetCmd0A01
  TARVIK_FIELD(uint8_t, kTargetText16, target);
  TARVIK_BYTES(kTargetText16, text);
};
struct Text20 {  // SetCmd001C, GetCmd001C
  TARVIK_BYTES(kText20, text);
};
struct ValueResult {  // RunCmd0B04, RunCmd0B05, SetCmd0B06, GetCmd0B06
  TARVIK_FIELD(uint8_t, kValueResult, value);
  TARVIK_FIELD(uint8_t, kValueResult, result);
};

struct Cmd0000 {
  TARVIK_FIELD(uint8_t, kCmd0000, target);
  TARVIK_FIELD(uint16_t, kCmd0000, argument);
  TARVIK_FIELD(uint8_t, kCmd0000, argument2);
  TARVIK_FIELD(uint16_t, kCmd0000, result);
  TARVIK_FIELD(uint8_t, kCmd0000, result2);
};
struct Cmd0005 {
  TARVIK_BYTES(kCmd0005, text1);
  TARVIK_BYTES(kCmd0005, text2);
  TARVIK_BYTES(kCmd0005, text3);
  TARVIK_BYTES(kCmd0005, text4);
};
struct DeviceInfo {
  TARVIK_FIELD(uint8_t, kDeviceInfo, item);
  TARVIK_BYTES(kDeviceInfo, text);
};
struct FirstSecondU32 {  // GetCmd0007
  TARVIK_FIELD(uint32_t, kFirstSecondU32, first);
  TARVIK_FIELD(uint32_t, kFirstSecondU32, second);
};
struct DataStream {  // SetDataStream, GetDataStream
  TARVIK_FIELD(uint8_t, kDataStream, value);
  TARVIK_FIELD(StreamCallback, kDataStream, handler);
};
struct MicMuteSync {
  TARVIK_FIELD(uint8_t, kMicMuteSync, mode);
  TARVIK_FIELD(uint8_t, kMicMuteSync, spare);
};

struct ChannelGain {
  TARVIK_FIELD(uint8_t, kChannelGain, target);
  TARVIK_FIELD(int16_t, kChannelGain, gain);
};
struct FilterBand {  // SetFilterBand, GetFilterBand, SetCmd0113, GetCmd0113
  TARVIK_FIELD(uint8_t, kFilterBand, target);
  TARVIK_FIELD(uint8_t, kFilterBand, band);
  TARVIK_FIELD(uint8_t, kFilterBand, filterType);
  static constexpr FieldRef<float> Coefficient(int i) {
    return {static_cast<uint16_t>(Ref<float>(shapes::kFilterBand, "coefficients").offset + 4 * i)};
  }
};
struct RoutingFlags {
  TARVIK_FIELD(uint8_t, kRoutingFlags, target);
  TARVIK_FIELD(uint8_t, kRoutingFlags, flags);
};
struct InputMode {
  TARVIK_FIELD(uint8_t, kInputMode, modeBits);
};
struct SignalLevel {
  TARVIK_FIELD(uint8_t, kSignalLevel, target);
  TARVIK_FIELD(uint8_t, kSignalLevel, level);
};

struct TargetBuffer {  // GetCmd0204, GetCmd0205: 1024 bytes
  TARVIK_FIELD(uint8_t, kTargetBuffer1024, target);
  TARVIK_FIELD(uint8_t*, kTargetBuffer1024, buffer);
};
struct Cmd0207 {
  TARVIK_FIELD(uint32_t, kCmd0207, value);
  TARVIK_FIELD(uint8_t, kCmd0207, value2);
};
struct FirstSecondU16 {  // GetCmd0300
  TARVIK_FIELD(uint16_t, kFirstSecondU16, first);
  TARVIK_FIELD(uint16_t, kFirstSecondU16, second);
};
struct Cmd0301 {
  TARVIK_BYTES(kCmd0301, key);
  TARVIK_BYTES(kCmd0301, text);
};
struct Cmd0402 {  // buffer: 58 bytes
  TARVIK_FIELD(uint8_t, kCmd0402, value);
  TARVIK_FIELD(uint8_t, kCmd0402, value2);
  TARVIK_FIELD(uint8_t*, kCmd0402, buffer);
};
struct Cmd0700 {
  TARVIK_BYTES(kCmd0700, block1);
  TARVIK_FIELD(uint32_t, kCmd0700, number1);
  TARVIK_BYTES(kCmd0700, block2);
  TARVIK_FIELD(uint32_t, kCmd0700, number2);
  TARVIK_FIELD(uint16_t, kCmd0700, number3);
  TARVIK_FIELD(uint32_t, kCmd0700, number4);
  TARVIK_FIELD(uint32_t, kCmd0700, number5);
};

struct Block {  // SetCmd0800, GetCmd0800, SetCmd0802, GetCmd0802
  TARVIK_FIELD(uint8_t, kBlock, target);
  TARVIK_FIELD(uint32_t, kBlock, address);
  TARVIK_FIELD(uint16_t, kBlock, count);
  TARVIK_FIELD(uint8_t*, kBlock, buffer);
};
struct TargetAddress {  // RunCmd0804
  TARVIK_FIELD(uint8_t, kTargetAddress, target);
  TARVIK_FIELD(uint32_t, kTargetAddress, address);
};
struct Cmd0805 {
  TARVIK_FIELD(uint8_t, kCmd0805, target);
  TARVIK_FIELD(uint8_t, kCmd0805, value);
  TARVIK_FIELD(uint8_t, kCmd0805, value2);
  TARVIK_FIELD(uint16_t, kCmd0805, value3);
};
struct Data16 {  // RunCmd0807
  TARVIK_BYTES(kData16, data);
};
struct Cmd0A05 {
  TARVIK_BYTES(kCmd0A05, data);
  TARVIK_FIELD(uint16_t, kCmd0A05, value);
  TARVIK_FIELD(uint8_t, kCmd0A05, spare);
  TARVIK_FIELD(uint32_t, kCmd0A05, value2);
  TARVIK_FIELD(uint16_t, kCmd0A05, value3);
};
struct Cmd0B01 {
  TARVIK_FIELD(uint8_t, kCmd0B01, target);
  TARVIK_FIELD(uint16_t, kCmd0B01, value);
  TARVIK_FIELD(uint8_t, kCmd0B01, value2);
};
struct Cmd0B02 {
  TARVIK_FIELD(uint8_t, kCmd0B02, target);
  TARVIK_FIELD(uint8_t, kCmd0B02, value);
  TARVIK_FIELD(uint8_t, kCmd0B02, value2);
  TARVIK_FIELD(uint32_t, kCmd0B02, value3);
};
struct RawMessage {  // SendRawMessage
  TARVIK_FIELD(uint8_t*, kRawMessage, message);
  TARVIK_FIELD(uint32_t, kRawMessage, size);
};

struct UpdateFirmware {
  TARVIK_FIELD(const uint8_t*, kUpdateFirmware, image);
  TARVIK_FIELD(uint32_t, kUpdateFirmware, imageSize);
  TARVIK_BYTES(kUpdateFirmware, targets);
  TARVIK_FIELD(uint32_t, kUpdateFirmware, targetCount);
  TARVIK_FIELD(ProgressCallback, kUpdateFirmware, progress);
  TARVIK_FIELD(uint32_t, kUpdateFirmware, user);
};
struct UpdateFirmwareSection {
  TARVIK_FIELD(const uint8_t*, kUpdateFirmwareSection, image);
  TARVIK_FIELD(uint32_t, kUpdateFirmwareSection, imageSize);
  TARVIK_FIELD(ProgressCallback, kUpdateFirmwareSection, progress);
  TARVIK_FIELD(uint32_t, kUpdateFirmwareSection, user);
};

#undef TARVIK_FIELD
#undef TARVIK_BYTES

}  // namespace tarvik::fields
