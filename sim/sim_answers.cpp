#include "sim/sim_answers.h"

#include <cstdio>

namespace tarvik::sim {

namespace {

constexpr std::size_t kKeySize = 4;
constexpr std::size_t kKeyedTextSize = 176;
constexpr uint8_t kRecordTag = 0x03;
constexpr std::size_t kBlockPrefix = 6;  // address u32, count u16
constexpr std::size_t kMaxBlockCount = 0xFFFF - kBlockPrefix;

}  // namespace

bool AnswerArithmetic(const Message& request, Message& reply, SettingsStore&, BlockMemory&) {
  const auto& p = request.payload;
  if (p.size() != 3) return false;
  const auto result = static_cast<uint16_t>((p[0] | (p[1] << 8)) + request.target);
  reply.payload = {static_cast<uint8_t>(result & 0xFF), static_cast<uint8_t>(result >> 8),
                   static_cast<uint8_t>(~p[2])};
  return true;
}

bool AnswerKeyedText(const Message& request, Message& reply, SettingsStore&, BlockMemory&) {
  const auto& key = request.payload;
  if (key.size() != kKeySize) return false;
  char text[kKeyedTextSize + 1] = {};
  std::snprintf(text, sizeof text, "TARVIK STAND-IN TEXT %02X%02X%02X%02X", key[0], key[1], key[2],
                key[3]);
  reply.payload = key;
  reply.payload.insert(reply.payload.end(), text, text + kKeyedTextSize);
  return true;
}

bool AnswerRecordWithTag(const Message& request, Message& reply, SettingsStore& store,
                         BlockMemory&) {
  if (!request.payload.empty()) return false;
  reply.payload = store.Get(0, request.command, 0, 0);
  reply.target = kRecordTag;
  return true;
}

bool AnswerWithResult(const Message& request, Message& reply, SettingsStore& store, BlockMemory&) {
  if (!request.payload.empty()) return false;
  reply.payload = store.Get(0, request.command, 0, 0);
  return true;
}

bool AnswerBlock(const Message& request, Message& reply, SettingsStore&, BlockMemory& memory) {
  const auto& p = request.payload;
  if (p.size() < kBlockPrefix) return false;
  const uint32_t address = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                           (static_cast<uint32_t>(p[2]) << 16) |
                           (static_cast<uint32_t>(p[3]) << 24);
  const std::size_t count = p[4] | (p[5] << 8);
  if (request.kind == kKindWrite) {
    return p.size() == kBlockPrefix + count &&
           memory.Write(request.command, request.target, address,
                        std::span(p).subspan(kBlockPrefix));
  }
  if (p.size() != kBlockPrefix || count > kMaxBlockCount) return false;
  reply.payload.assign(p.begin(), p.end());
  reply.payload.resize(kBlockPrefix + count);
  return memory.Read(request.command, request.target, address,
                     std::span(reply.payload).subspan(kBlockPrefix));
}

}  // namespace tarvik::sim
