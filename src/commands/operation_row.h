// One row of the operation table: the data that drives the generic request
// builder and reply checker, and the builders that turn the common layouts
// (H, T8, T16, P, TI) into rows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

#include "link/command_params.h"

namespace tarvik {

class DeviceLink;
struct OperationRow;

enum class FieldType : uint8_t { U8, U16, I16, U32, F32, Bytes, Text, Pointer };

// What a field stands for beyond its type, for a caller that fills the
// record from outside (tarvikctl op).
enum class FieldRole : uint8_t {
  kValue,   // a value of its own
  kBuffer,  // points at caller memory the operation reads or fills
  kCount,   // how many bytes lie behind the buffer, at most one block's worth
  kSize,    // how many bytes of a whole message lie behind the buffer
  kImage,   // points at a firmware file, which only a firmware transfer takes
};

// One named field of an operation's parameter record. `count` is the number
// of values for U8..F32, the byte count for Bytes and Text (Text keeps a
// terminating zero after its characters), and for Pointer the bytes of
// caller memory the operation moves through it (0 where a handler decides).
struct FieldSpec {
  const char* name;
  FieldType type;
  uint16_t count = 1;
  FieldRole role = FieldRole::kValue;
};

constexpr std::size_t WireSize(const FieldSpec& f) {
  switch (f.type) {
    case FieldType::U8:
      return f.count;
    case FieldType::U16:
    case FieldType::I16:
      return 2u * f.count;
    case FieldType::U32:
    case FieldType::F32:
      return 4u * f.count;
    case FieldType::Bytes:
    case FieldType::Text:
    case FieldType::Pointer:
      return f.count;
  }
  return 0;
}

constexpr std::size_t StorageSize(const FieldSpec& f) {
  if (f.type == FieldType::Text) return f.count + 1u;
  if (f.type == FieldType::Pointer) return sizeof(void*);
  return WireSize(f);
}

// Fields lie in the data area one after another in their order.
constexpr std::size_t FieldOffset(std::span<const FieldSpec> fields, std::size_t index) {
  std::size_t offset = 0;
  for (std::size_t i = 0; i < index; ++i) offset += StorageSize(fields[i]);
  return offset;
}

constexpr std::size_t StorageSize(std::span<const FieldSpec> fields) {
  return FieldOffset(fields, fields.size());
}

// Typed place of a named field, checked when compiled.
template <typename T>
constexpr FieldRef<T> Ref(std::span<const FieldSpec> fields, std::string_view name) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (name != fields[i].name) continue;
    const bool pointer = fields[i].type == FieldType::Pointer;
    if (std::is_pointer_v<T> != pointer) break;
    if (!pointer && WireSize(fields[i]) < sizeof(T)) break;
    return FieldRef<T>{static_cast<uint16_t>(FieldOffset(fields, i))};
  }
  throw "no field of that name and width";  // compile-time error in a constant expression
}

// Bytes or text field: offset and wire size.
struct BytesRef {
  uint16_t offset;
  uint16_t size;
};

constexpr BytesRef BytesOf(std::span<const FieldSpec> fields, std::string_view name) {
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (name == fields[i].name)
      return {static_cast<uint16_t>(FieldOffset(fields, i)),
              static_cast<uint16_t>(WireSize(fields[i]))};
  throw "no field of that name";
}

enum class Layout : uint8_t { H, T8, T16, P, TI, Own };
enum class SelectorRule : uint8_t { FromRecord, Zero };

// One step of a request payload or reply: a field's bytes, or (field < 0)
// `skip` bytes that are sent as zero or not kept.
struct WireItem {
  int8_t field = -1;
  uint16_t skip = 0;
};

inline constexpr std::size_t kMaxWireItems = 8;

using OperationHandler = int (*)(DeviceLink& link, const OperationRow& row, CommandParams* params);

struct OperationRow {
  int id = -1;  // -1: no operation at this number
  const char* name = "";
  uint16_t command = 0;
  uint8_t kind = 0;  // request kind: 0 write or action, 2 read
  Layout layout = Layout::Own;
  std::span<const FieldSpec> fields;
  int8_t targetField = -1;  // field sent in the header's target byte; -1 sends 0
  std::array<WireItem, kMaxWireItems> request{};
  uint8_t requestCount = 0;
  int8_t replyTargetField = -1;  // field that receives the reply's target byte
  std::array<WireItem, kMaxWireItems> reply{};
  uint8_t replyCount = 0;
  uint16_t replyLength = 0;
  uint32_t timeoutMs = 5000;
  SelectorRule selector = SelectorRule::FromRecord;
  OperationHandler handler = nullptr;  // null: the generic template
};

namespace rows {

inline constexpr uint8_t kWrite = 0;
inline constexpr uint8_t kRead = 2;

constexpr uint16_t WireBytes(const OperationRow& r, const WireItem& item) {
  return item.field < 0 ? item.skip : static_cast<uint16_t>(WireSize(r.fields[item.field]));
}

// Reply items listed by field index; -N in the list (N > 0) skips N bytes.
constexpr OperationRow Own(int id, const char* name, uint16_t command, uint8_t kind,
                           std::span<const FieldSpec> fields, int target,
                           std::initializer_list<int> request, int replyTarget,
                           std::initializer_list<int> reply) {
  OperationRow r;
  r.id = id;
  r.name = name;
  r.command = command;
  r.kind = kind;
  r.fields = fields;
  r.targetField = static_cast<int8_t>(target);
  for (int f : request) r.request[r.requestCount++] = WireItem{static_cast<int8_t>(f), 0};
  r.replyTargetField = static_cast<int8_t>(replyTarget);
  for (int f : reply) {
    const WireItem item =
        f >= 0 ? WireItem{static_cast<int8_t>(f), 0} : WireItem{-1, static_cast<uint16_t>(-f)};
    r.reply[r.replyCount++] = item;
    r.replyLength = static_cast<uint16_t>(r.replyLength + WireBytes(r, item));
  }
  return r;
}

constexpr OperationRow WithTimeout(OperationRow r, uint32_t timeoutMs) {
  r.timeoutMs = timeoutMs;
  return r;
}
constexpr OperationRow SelectorZero(OperationRow r) {
  r.selector = SelectorRule::Zero;
  return r;
}
constexpr OperationRow WithLayout(OperationRow r, Layout layout) {
  r.layout = layout;
  return r;
}
constexpr OperationRow WithHandler(OperationRow r, OperationHandler handler) {
  r.handler = handler;
  return r;
}

// H: the value travels in the header's target byte.
constexpr OperationRow SetH(int id, const char* name, uint16_t command,
                            std::span<const FieldSpec> f) {
  return WithLayout(Own(id, name, command, kWrite, f, 0, {}, -1, {}), Layout::H);
}
constexpr OperationRow GetH(int id, const char* name, uint16_t command,
                            std::span<const FieldSpec> f) {
  return WithLayout(Own(id, name, command, kRead, f, -1, {}, 0, {}), Layout::H);
}
constexpr Layout TargetLayout(const FieldSpec& value) {
  return WireSize(value) == 1 ? Layout::T8 : WireSize(value) == 2 ? Layout::T16 : Layout::Own;
}

// T8 and T16: target in the header, one value of 1 or 2 bytes as payload.
// Wider values (blocks, texts) travel the same way.
constexpr OperationRow SetT(int id, const char* name, uint16_t command,
                            std::span<const FieldSpec> f) {
  return WithLayout(Own(id, name, command, kWrite, f, 0, {1}, -1, {}), TargetLayout(f[1]));
}
constexpr OperationRow GetT(int id, const char* name, uint16_t command,
                            std::span<const FieldSpec> f) {
  return WithLayout(Own(id, name, command, kRead, f, 0, {}, -1, {1}), TargetLayout(f[1]));
}

// P: target 0, every field in order as payload.
constexpr OperationRow SetP(int id, const char* name, uint16_t command,
                            std::span<const FieldSpec> f) {
  OperationRow r = Own(id, name, command, kWrite, f, -1, {}, -1, {});
  for (std::size_t i = 0; i < f.size(); ++i)
    r.request[r.requestCount++] = WireItem{static_cast<int8_t>(i), 0};
  return WithLayout(r, Layout::P);
}
constexpr OperationRow GetP(int id, const char* name, uint16_t command,
                            std::span<const FieldSpec> f) {
  OperationRow r = Own(id, name, command, kRead, f, -1, {}, -1, {});
  for (std::size_t i = 0; i < f.size(); ++i) {
    r.reply[r.replyCount++] = WireItem{static_cast<int8_t>(i), 0};
    r.replyLength = static_cast<uint16_t>(r.replyLength + WireSize(f[i]));
  }
  return WithLayout(r, Layout::P);
}

// TI: target in the header, the index byte (field 1) then the value fields.
constexpr OperationRow SetTI(int id, const char* name, uint16_t command,
                             std::span<const FieldSpec> f) {
  OperationRow r = Own(id, name, command, kWrite, f, 0, {}, -1, {});
  for (std::size_t i = 1; i < f.size(); ++i)
    r.request[r.requestCount++] = WireItem{static_cast<int8_t>(i), 0};
  return WithLayout(r, Layout::TI);
}
// storeIndex: whether the echoed index byte is written back into field 1.
constexpr OperationRow GetTI(int id, const char* name, uint16_t command,
                             std::span<const FieldSpec> f, bool storeIndex) {
  OperationRow r = Own(id, name, command, kRead, f, 0, {1}, -1, {storeIndex ? 1 : -1});
  for (std::size_t i = 2; i < f.size(); ++i) {
    r.reply[r.replyCount++] = WireItem{static_cast<int8_t>(i), 0};
    r.replyLength = static_cast<uint16_t>(r.replyLength + WireSize(f[i]));
  }
  return WithLayout(r, Layout::TI);
}

}  // namespace rows
}  // namespace tarvik
