// Operation numbers of the operation table.
#pragma once

namespace tarvik {

inline constexpr int kOperationCount = 167;

enum class CommandId : int {
  RestartDevice = 7,
  GetDeviceInfo = 11,
  SetUsbSpeed = 41,
  GetUsbSpeed = 42,
  SetMicMuteSync = 47,
  GetMicMuteSync = 48,
  SetChannelGain = 54,
  GetChannelGain = 55,
  SetFilterBand = 60,
  GetFilterBand = 61,
  SetRoutingFlags = 64,
  GetRoutingFlags = 65,
  SetCmd0109 = 66,
  GetCmd0109 = 67,
  SetInputMode = 92,
  GetInputMode = 93,
  SetSignalLevel = 96,
  GetSignalLevel = 97,
};

inline constexpr int ToInt(CommandId id) { return static_cast<int>(id); }

// Target codes of the program's own use.
inline constexpr unsigned char TARGET_INPUT_L = 0x71;
inline constexpr unsigned char TARGET_INPUT_R = 0x72;
inline constexpr unsigned char TARGET_OUTPUT = 0x92;
inline constexpr unsigned char INFO_FIRMWARE_VERSION = 0x21;

}  // namespace tarvik
