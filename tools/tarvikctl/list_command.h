// `list`: the Tarvik interfaces attached, whether this user may open each,
// and the firmware version of the one the session opens.
#pragma once

#include "ctl_context.h"
#include "invocation.h"

namespace tarvik::ctl {

int ListDevices(Context& context);
void SetUpListCommand(CLI::App& app, Invocation& run);

}  // namespace tarvik::ctl
