// What the benchmarks feed the Tarvik: a settings change that differs from a
// fresh stand-in in every value, and a firmware package of a given size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tarvik::bench {

struct SettingValue {
  const char* name;
  const char* value;
};
// Every setting but the USB speed, each away from a fresh stand-in's value.
inline constexpr SettingValue kEverySettingChanged[] = {
    {"mode-l", "pa-microphone"},
    {"mode-r", "pa-microphone"},
    {"signal-level-l", "microphone"},
    {"signal-level-r", "microphone"},
    {"gain-l", "+9dB"},
    {"gain-r", "-9dB"},
    {"eq-l", "thru"},
    {"eq-r", "low-boost"},
    {"pa-output", "off"},
    {"output-volume", "-6dB"},
};

// A package the firmware check takes: magic, version and payload size, then
// `payload` bytes.
inline std::vector<uint8_t> FirmwarePackage(std::size_t payload) {
  std::vector<uint8_t> file(24 + payload);
  std::memcpy(file.data(), "SIAM", 4);
  std::memcpy(file.data() + 16, "2000", 4);
  for (int i = 0; i < 4; ++i) file[20 + i] = static_cast<uint8_t>(payload >> (8 * i));
  for (std::size_t i = 24; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 13);
  return file;
}

}  // namespace tarvik::bench
