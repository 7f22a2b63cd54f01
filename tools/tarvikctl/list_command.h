// `list`: the Tarvik interfaces attached, whether this user may open each,
// and the firmware version of the one the session opens.
#pragma once

#include "ctl_context.h"

namespace tarvik::ctl {

int ListDevices(Context& context);

}  // namespace tarvik::ctl
