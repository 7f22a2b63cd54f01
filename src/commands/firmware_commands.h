// The firmware transfers: command groups 0x09 and 0x0D08 to 0x0D0B.
#pragma once

#include "commands/field_shapes.h"

namespace tarvik {

// The two transfers run whole exchanges of their own; they live with the
// firmware image code above the table (link/firmware_transfer.cpp).
int UpdateFirmware(DeviceLink& link, const OperationRow& row, CommandParams* params);
int UpdateFirmwareSection(DeviceLink& link, const OperationRow& row, CommandParams* params);

}  // namespace tarvik

namespace tarvik::firmware_commands {

using namespace rows;
using namespace shapes;

inline constexpr OperationRow kRows[] = {
    WithHandler(Own(138, "UpdateFirmwareSection", 0x0900, kWrite, kUpdateFirmwareSection, -1,
                    {0, 1, 2, 3}, -1, {}),
                tarvik::UpdateFirmwareSection),
    WithHandler(
        Own(161, "UpdateFirmware", 0x0D08, kWrite, kUpdateFirmware, -1, {0, 1, 2, 3, 4, 5}, -1, {}),
        tarvik::UpdateFirmware),
};

}  // namespace tarvik::firmware_commands
