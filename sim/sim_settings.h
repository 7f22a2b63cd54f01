// The values the stand-in keeps: what writes store and reads return, loaded
// with the device defaults.
#pragma once

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

namespace tarvik::sim {

inline constexpr uint16_t kCommandDeviceInfo = 0x0006;
inline constexpr uint8_t kItemFirmwareVersion = 0x21;

// One stored value of a setting, as a state file keeps it.
struct StoredValue {
  int set = 0;
  uint16_t command = 0;
  uint8_t target = 0;
  uint8_t index = 0;
  std::vector<uint8_t> value;

  bool operator==(const StoredValue&) const = default;
};

// Values per (set, command, target, index). Keys are folded to the command's
// row: target 0 for Header and Plain, index 0 unless Indexed, set 0 for
// read-only commands and actions (an action keeps the result its
// acknowledgement carries, if any).
class SettingsStore {
 public:
  SettingsStore();
  // A key never written reads as the command's default: zeros of its size
  // but for a few read-only items; an unknown command with nothing stored
  // reads as empty.
  std::vector<uint8_t> Get(int set, uint16_t command, uint8_t target, uint8_t index) const;
  // For a known command the value is cut or zero-filled to its size.
  void Put(int set, uint16_t command, uint8_t target, uint8_t index, std::vector<uint8_t> value);

  // The values of the writable commands, in key order: what a host may
  // change and a restart of the stand-in program should find again.
  std::vector<StoredValue> Settings() const;
  // True when `value` is one Settings could hold: a known writable command,
  // set 0 or 1, and exactly the command's size.
  static bool IsSetting(const StoredValue& value);

 private:
  using Key = std::tuple<int, uint16_t, uint8_t, uint8_t>;
  static Key Fold(int set, uint16_t command, uint8_t target, uint8_t index);
  std::map<Key, std::vector<uint8_t>> values_;
};

}  // namespace tarvik::sim
