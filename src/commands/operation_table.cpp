#include "commands/operation_table.h"

namespace tarvik {

const OperationRow* FindOperation(int id) {
  if (id < 0 || id >= kOperationCount) return nullptr;
  const OperationRow& row = kOperationTable[static_cast<std::size_t>(id)];
  return row.id == id ? &row : nullptr;
}

const OperationRow* FindOperation(std::string_view name) {
  for (const OperationRow& row : kOperationTable)
    if (row.id >= 0 && name == row.name) return &row;
  return nullptr;
}

}  // namespace tarvik
