// Typed fields of each operation's parameter record, so callers never work
// with byte offsets: SetField(params, fields::ChannelGain::gain, int16_t{768}).
#pragma once

#include "commands/field_shapes.h"

namespace tarvik::fields {

struct Value {  // RestartDevice, SetUsbSpeed, GetUsbSpeed
  static constexpr auto value = Ref<uint8_t>(shapes::kValueU8, "value");
};

struct DeviceInfo {
  static constexpr auto item = Ref<uint8_t>(shapes::kDeviceInfo, "item");
  static constexpr auto text = BytesOf(shapes::kDeviceInfo, "text");
};

struct MicMuteSync {
  static constexpr auto mode = Ref<uint8_t>(shapes::kMicMuteSync, "mode");
  static constexpr auto spare = Ref<uint8_t>(shapes::kMicMuteSync, "spare");
};

struct ChannelGain {
  static constexpr auto target = Ref<uint8_t>(shapes::kChannelGain, "target");
  static constexpr auto gain = Ref<int16_t>(shapes::kChannelGain, "gain");
};

struct FilterBand {
  static constexpr auto target = Ref<uint8_t>(shapes::kFilterBand, "target");
  static constexpr auto band = Ref<uint8_t>(shapes::kFilterBand, "band");
  static constexpr auto filterType = Ref<uint8_t>(shapes::kFilterBand, "filterType");
  static constexpr FieldRef<float> Coefficient(int i) {
    return {static_cast<uint16_t>(Ref<float>(shapes::kFilterBand, "coefficients").offset + 4 * i)};
  }
};

struct RoutingFlags {
  static constexpr auto target = Ref<uint8_t>(shapes::kRoutingFlags, "target");
  static constexpr auto flags = Ref<uint8_t>(shapes::kRoutingFlags, "flags");
};

struct TargetValue {  // SetCmd0109, GetCmd0109
  static constexpr auto target = Ref<uint8_t>(shapes::kTargetValueU8, "target");
  static constexpr auto value = Ref<uint8_t>(shapes::kTargetValueU8, "value");
};

struct InputMode {
  static constexpr auto modeBits = Ref<uint8_t>(shapes::kInputMode, "modeBits");
};

struct SignalLevel {
  static constexpr auto target = Ref<uint8_t>(shapes::kSignalLevel, "target");
  static constexpr auto level = Ref<uint8_t>(shapes::kSignalLevel, "level");
};

}  // namespace tarvik::fields
