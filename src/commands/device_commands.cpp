#include "commands/device_commands.h"

#include "commands/operation_codec.h"
#include "commands/operation_fields.h"
#include "link/device_link.h"
#include "link/link_errors.h"

namespace tarvik::device_commands {

int SetDataStream(DeviceLink& link, const OperationRow& row, CommandParams* params) {
  if (!params) return LINK_ERR_NULL_PARAM;
  // The link keeps this state even when the device then refuses the switch.
  link.SetStreamCallback(nullptr);
  if (GetField(*params, fields::DataStream::value) != 0)
    link.SetStreamCallback(GetField(*params, fields::DataStream::handler));
  return RunTemplate(link, row, params);
}

}  // namespace tarvik::device_commands
