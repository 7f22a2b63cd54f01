// The operation table: every operation number 0 to 166 with its row, looked
// up by number or by name.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "commands/audio_commands.h"
#include "commands/block_commands.h"
#include "commands/command_id.h"
#include "commands/device_commands.h"
#include "commands/firmware_commands.h"
#include "commands/status_commands.h"

namespace tarvik {

namespace table_detail {

template <std::size_t... N>
constexpr std::array<OperationRow, kOperationCount> Merge(const OperationRow (&... groups)[N]) {
  std::array<OperationRow, kOperationCount> table{};
  (
      [&] {
        for (const OperationRow& row : groups) table[static_cast<std::size_t>(row.id)] = row;
      }(),
      ...);
  return table;
}

template <std::size_t... N>
constexpr bool EachNumberOnce(const OperationRow (&... groups)[N]) {
  std::array<int, kOperationCount> seen{};
  bool ok = true;
  (
      [&] {
        for (const OperationRow& row : groups) {
          if (row.id < 0 || row.id >= kOperationCount || seen[static_cast<std::size_t>(row.id)]++)
            ok = false;
        }
      }(),
      ...);
  return ok;
}

}  // namespace table_detail

static_assert(table_detail::EachNumberOnce(device_commands::kRows, audio_commands::kRows,
                                           status_commands::kRows, block_commands::kRows,
                                           firmware_commands::kRows),
              "operation numbers must lie in 0..166 and stand once each");

inline constexpr std::array<OperationRow, kOperationCount> kOperationTable =
    table_detail::Merge(device_commands::kRows, audio_commands::kRows, status_commands::kRows,
                        block_commands::kRows, firmware_commands::kRows);

// The row of an operation number; null when the number has no operation.
const OperationRow* FindOperation(int id);
const OperationRow* FindOperation(std::string_view name);

}  // namespace tarvik
