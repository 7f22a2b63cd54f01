// The answers of the commands whose request or reply no layout covers.
#pragma once

#include "sim/sim_commands.h"

namespace tarvik::sim {

// 0x0000: target and three argument bytes; replies argument + target (u16)
// and the third byte inverted.
bool AnswerArithmetic(const Message& request, Message& reply, SettingsStore& store,
                      BlockMemory& memory);
// 0x0301: a 4-byte key; replies the key, then 176 bytes of text naming it.
bool AnswerKeyedText(const Message& request, Message& reply, SettingsStore& store,
                     BlockMemory& memory);
// 0x0402: the stored 59 bytes, and a fixed value in the reply's target byte.
bool AnswerRecordWithTag(const Message& request, Message& reply, SettingsStore& store,
                         BlockMemory& memory);
// 0x0B04, 0x0B05: value in the header; the acknowledgement carries the
// stored result byte (0 unless set).
bool AnswerWithResult(const Message& request, Message& reply, SettingsStore& store,
                      BlockMemory& memory);
// 0x0800, 0x0802: address u32 LE and count u16 LE, then on a write the
// count data bytes; a read replies the six bytes, then count bytes of memory.
bool AnswerBlock(const Message& request, Message& reply, SettingsStore& store, BlockMemory& memory);

}  // namespace tarvik::sim
