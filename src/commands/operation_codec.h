// The one request builder and reply checker that every table row runs.
#pragma once

#include <cstring>

#include "commands/operation_row.h"

namespace tarvik {

class DeviceLink;

// Runs an operation: its own handler where the row has one, else the template.
int RunOperation(DeviceLink& link, const OperationRow& row, CommandParams* params);

// The template: builds the row's request from `params`, sends it and, when the
// reply has the expected kind, command and length, copies its values into
// `params` (and into caller memory behind pointer fields).
int RunTemplate(DeviceLink& link, const OperationRow& row, CommandParams* params);

// Header checks every reply must pass: kind = request kind + 1, same command,
// exactly `length` payload bytes.
bool ReplyMatches(const uint8_t* reply, uint8_t requestKind, uint16_t command, std::size_t length);

// Address held by a pointer field.
template <typename T = uint8_t>
T* PointerField(const CommandParams& params, const OperationRow& row, std::size_t field) {
  void* pointer;
  std::memcpy(&pointer, params.data + FieldOffset(row.fields, field), sizeof pointer);
  return static_cast<T*>(pointer);
}

enum class FieldDirection { In, Out, InOut, Untouched };
// Whether the operation sends a field, fills it, both, or neither.
FieldDirection DirectionOf(const OperationRow& row, std::size_t field);

}  // namespace tarvik
