// The commands the stand-in answers, as a table of layouts, and the settings
// store they read and write.
#pragma once

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

#include "sim/sim_protocol.h"

namespace tarvik::sim {

// Where a command's value travels.
enum class Layout {
  Header,   // in the header's target byte; no payload either way
  Target,   // write: target + value; read: target, reply value
  Plain,    // write: target 0 + value; read: nothing, reply value
  Indexed,  // write: target + [index][value]; read: target + [index], reply [index][value]
  Text,     // read only: target names the item, reply 16 text bytes
};

enum class Access { ReadWrite, WriteOnly, ReadOnly };
enum class Effect { None, Restart };

struct CommandRow {
  uint16_t command;
  Layout layout;
  uint8_t size;  // value bytes, the index not counted
  Access access;
  Effect effect;
};

// Null for a command the device does not know.
const CommandRow* FindCommand(uint16_t command);

inline constexpr uint16_t kCommandDeviceInfo = 0x0006;
inline constexpr uint8_t kItemFirmwareVersion = 0x21;

// Values per (set, command, target, index), loaded with the device defaults.
// Keys are folded to the command's layout: target 0 for Header and Plain,
// index 0 unless Indexed, set 0 for Text.
class SettingsStore {
 public:
  SettingsStore();
  // A key never written reads as zeros of the command's size; an unknown
  // command with nothing stored reads as empty.
  std::vector<uint8_t> Get(int set, uint16_t command, uint8_t target, uint8_t index) const;
  // For a known command the value is cut or zero-filled to its size.
  void Put(int set, uint16_t command, uint8_t target, uint8_t index, std::vector<uint8_t> value);

 private:
  using Key = std::tuple<int, uint16_t, uint8_t, uint8_t>;
  static Key Fold(int set, uint16_t command, uint8_t target, uint8_t index);
  std::map<Key, std::vector<uint8_t>> values_;
};

struct Outcome {
  Message reply;
  Effect effect = Effect::None;
};

// Answers one request: reads or writes the store and builds the reply.
Outcome Answer(const Message& request, SettingsStore& store);

}  // namespace tarvik::sim
