// The one request builder and reply checker that every table row runs.
#pragma once

#include "commands/operation_row.h"

namespace tarvik {

class DeviceLink;

// Builds the row's request from `params`, sends it and, when the reply has
// the expected kind, command and length, copies its values into `params`.
int RunOperation(DeviceLink& link, const OperationRow& row, CommandParams* params);

enum class FieldDirection { In, Out, InOut, Untouched };
// Whether the operation sends a field, fills it, both, or neither.
FieldDirection DirectionOf(const OperationRow& row, std::size_t field);

}  // namespace tarvik
