#include "sim/sim_settings.h"

#include <algorithm>
#include <array>
#include <bit>
#include <initializer_list>
#include <string_view>

#include "sim/sim_commands.h"

namespace tarvik::sim {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr std::size_t kItemSize = 16;
constexpr std::string_view kFirmwareVersion = "2.10";
constexpr std::string_view kItemText = "TARVIK STAND-IN";
constexpr std::string_view kSerial = "TSI-0000-0001";
constexpr uint16_t kCommandBlockA = 0x0204;
constexpr uint16_t kCommandBlockB = 0x0205;
constexpr uint8_t kBlockBSeed = 0x80;
// Targets of command 0x0109: the output and the two others beside it.
constexpr uint8_t kTarget0109Low = 0x91;
constexpr uint8_t kTargetOutput = 0x92;
constexpr uint8_t kTarget0109High = 0x93;

Bytes Text(std::string_view text, std::size_t size) {
  Bytes bytes(size, 0);
  std::copy_n(text.begin(), std::min(text.size(), size), bytes.begin());
  return bytes;
}

Bytes Le(uint32_t value, int size) {
  Bytes bytes;
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return bytes;
}

// Counting bytes from `seed`, so that a block shows where each byte sits.
Bytes Count(uint8_t seed, std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i);
  return bytes;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes bytes;
  for (const Bytes& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

// Filter type followed by four float32 values, little-endian.
Bytes Filter(uint8_t type, std::array<float, 4> values) {
  Bytes bytes{type};
  for (float v : values) {
    const Bytes le = Le(std::bit_cast<uint32_t>(v), 4);
    bytes.insert(bytes.end(), le.begin(), le.end());
  }
  return bytes;
}

struct DefaultValue {
  int set;
  uint16_t command;
  uint8_t target;
  uint8_t index;
  Bytes value;
};

std::vector<DefaultValue> Defaults() {
  std::vector<DefaultValue> d{
      {0, 0x0005, 0, 0,
       Join({Text(kItemText, 40), Text(kFirmwareVersion, 4), Text(kSerial, 16),
             Text("2024-03-18", 16)})},
      {0, kCommandDeviceInfo, kItemFirmwareVersion, 0, Text(kFirmwareVersion, kItemSize)},
      {0, 0x0007, 0, 0, Join({Le(3600, 4), Le(12, 4)})},
      {0, 0x0008, 0, 0, {0x01}},
      {0, 0x001C, 0, 0, Text("TARVIK ROOM", 20)},
      {1, 0x0103, 0x71, 0, {0x00, 0x06}},  // +6 dB in 1/256 dB
      {1, 0x0103, 0x72, 0, {0x00, 0x06}},
      {1, 0x0108, 0x00, 0, {0x11}},
      {1, 0x0109, kTarget0109Low, 0, {1}},
      {1, 0x0109, kTargetOutput, 0, {2}},
      {1, 0x0109, kTarget0109High, 0, {3}},
      {0, 0x0118, 0x71, 0, {1}},
      {0, 0x0118, 0x72, 0, {1}},
      {0, 0x0207, 0, 0, Join({Le(0x12345678, 4), {0x9A}})},
      {0, 0x0300, 0, 0, Join({Le(2, 2), Le(10, 2)})},
      {0, 0x0401, 0, 0, {0x01}},
      {0, 0x0402, 0, 0, Count(0x40, 59)},
      {0, 0x0700, 0, 0,
       Join({Text(kItemText, 80), Le(1, 4), Text(kSerial, 16), Le(2, 4), Le(3, 2), Le(4, 4),
             Le(5, 4), Bytes(46, 0)})},
      {0, 0x0A05, 0, 0,
       Join({Text("TSI-0001", 8), Le(0x0102, 2), Le(0x03040506, 4), Le(0x0708, 2)})},
  };
  // Both sets hold an EQ preset, as a shipped unit's do: THRU in the working
  // set, LOW CUT in the second (copied in when a channel turns PA
  // MICROPHONE), bands 1 to 3 off in both.
  for (uint8_t target : {uint8_t{0x71}, uint8_t{0x72}}) {
    d.push_back({0, 0x0106, target, 0, Filter(0, {100.0f, 100.0f, 0.0f, 0.707f})});
    d.push_back({1, 0x0106, target, 0, Filter(6, {315.0f, 315.0f, 0.0f, 0.707f})});
    for (uint8_t band = 1; band < 4; ++band) {
      d.push_back({0, 0x0106, target, band, Filter(0, {1000.0f, 1000.0f, 0.0f, 0.707f})});
      d.push_back({1, 0x0106, target, band, Filter(0, {2000.0f, 2000.0f, 0.0f, 0.707f})});
    }
  }
  return d;
}

// What a key never written reads as.
Bytes Fallback(const CommandRow& row, uint8_t target) {
  switch (row.command) {
    case kCommandDeviceInfo:
      return Text(kItemText, row.size);
    case kCommandBlockA:
      return Count(target, row.size);
    case kCommandBlockB:
      return Count(static_cast<uint8_t>(target ^ kBlockBSeed), row.size);
    default:
      return Bytes(row.size, 0);
  }
}

}  // namespace

SettingsStore::SettingsStore() {
  for (DefaultValue& d : Defaults()) Put(d.set, d.command, d.target, d.index, std::move(d.value));
}

SettingsStore::Key SettingsStore::Fold(int set, uint16_t command, uint8_t target, uint8_t index) {
  const CommandRow* row = FindCommand(command);
  if (row == nullptr) return {set, command, target, index};
  if (row->access != Access::ReadWrite) set = 0;
  if (row->layout == Layout::Header || row->layout == Layout::Plain) target = 0;
  if (row->layout != Layout::Indexed) index = 0;
  return {set, command, target, index};
}

std::vector<uint8_t> SettingsStore::Get(int set, uint16_t command, uint8_t target,
                                        uint8_t index) const {
  auto it = values_.find(Fold(set, command, target, index));
  if (it != values_.end()) return it->second;
  const CommandRow* row = FindCommand(command);
  if (row == nullptr) return {};
  return Fallback(*row, target);
}

void SettingsStore::Put(int set, uint16_t command, uint8_t target, uint8_t index,
                        std::vector<uint8_t> value) {
  if (const CommandRow* row = FindCommand(command)) value.resize(row->size, 0);
  values_[Fold(set, command, target, index)] = std::move(value);
}

std::vector<StoredValue> SettingsStore::Settings() const {
  std::vector<StoredValue> settings;
  for (const auto& [key, value] : values_) {
    const auto& [set, command, target, index] = key;
    StoredValue stored{set, command, target, index, value};
    if (IsSetting(stored)) settings.push_back(std::move(stored));
  }
  return settings;
}

bool SettingsStore::IsSetting(const StoredValue& value) {
  const CommandRow* row = FindCommand(value.command);
  return row != nullptr && row->access == Access::ReadWrite && (value.set == 0 || value.set == 1) &&
         value.value.size() == row->size;
}

}  // namespace tarvik::sim
