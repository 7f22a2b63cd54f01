// The parameter record every operation reads its inputs from and writes its
// outputs to, and the status pair of the last reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace tarvik {

inline constexpr std::size_t kCommandDataSize = 184;

struct CommandParams {
  uint8_t data[kCommandDataSize] = {};
  uint32_t selector = 0;
};
static_assert(sizeof(CommandParams) == 188);

struct StatusPair {
  int status = 0;
  int detail = 0;
};

// Typed place of one field in the data area. Numbers are kept little-endian,
// as they travel, so an operation moves field bytes without conversion.
template <typename T>
struct FieldRef {
  uint16_t offset;
};

template <typename T>
T GetField(const CommandParams& params, FieldRef<T> field) {
  static_assert(std::is_trivially_copyable_v<T>);
  if constexpr (std::is_pointer_v<T>) {
    T value;
    std::memcpy(&value, params.data + field.offset, sizeof(T));
    return value;
  } else {
    using U = std::make_unsigned_t<std::conditional_t<std::is_floating_point_v<T>, uint32_t, T>>;
    U raw = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
      raw = static_cast<U>(raw | (static_cast<U>(params.data[field.offset + i]) << (8 * i)));
    T value;
    std::memcpy(&value, &raw, sizeof(T));
    return value;
  }
}

template <typename T>
void SetField(CommandParams& params, FieldRef<T> field, T value) {
  static_assert(std::is_trivially_copyable_v<T>);
  if constexpr (std::is_pointer_v<T>) {
    std::memcpy(params.data + field.offset, &value, sizeof(T));
  } else {
    using U = std::make_unsigned_t<std::conditional_t<std::is_floating_point_v<T>, uint32_t, T>>;
    U raw;
    std::memcpy(&raw, &value, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T); ++i)
      params.data[field.offset + i] = static_cast<uint8_t>(raw >> (8 * i));
  }
}

}  // namespace tarvik
