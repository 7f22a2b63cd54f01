// The commands the stand-in answers, as a table of layouts, and the answer
// to one request.
#pragma once

#include <cstdint>

#include "sim/sim_memory.h"
#include "sim/sim_protocol.h"
#include "sim/sim_settings.h"

namespace tarvik::sim {

// Where a command's value travels.
enum class Layout {
  Header,   // in the header's target byte; no payload either way
  Target,   // write: target + value; read: target, reply value
  Plain,    // write: target 0 + value; read: nothing, reply value
  Indexed,  // write: target + [index][value]; read: target + [index], reply [index][value]
};

// An action is a write with no read twin; it stores nothing and is
// acknowledged empty unless its row answers otherwise.
enum class Access { ReadWrite, ReadOnly, Action };
enum class Effect { None, Restart };

// Answers a request whose form no layout covers; false refuses it.
using SpecialAnswer = bool (*)(const Message& request, Message& reply, SettingsStore& store,
                               BlockMemory& memory);

struct CommandRow {
  uint16_t command;
  Layout layout;
  uint16_t size;  // value bytes, the index not counted
  Access access;
  Effect effect = Effect::None;
  SpecialAnswer special = nullptr;
};

// Null for a command the device does not know.
const CommandRow* FindCommand(uint16_t command);

struct Outcome {
  Message reply;
  Effect effect = Effect::None;
};

// Answers one request: reads or writes the store or the block memory and
// builds the reply.
Outcome Answer(const Message& request, SettingsStore& store, BlockMemory& memory);

}  // namespace tarvik::sim
