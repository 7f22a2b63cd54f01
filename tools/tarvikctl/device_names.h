// Names Windows keeps for devices in every folder: CON, PRN, AUX, NUL, COM1
// to COM9 and LPT1 to LPT9, in any case and with any extension. Opening one
// reaches the device, not a file: a read from CON waits for the keyboard
// and a write to NUL is lost.
#pragma once

#include <string>
#include <string_view>

#include "ctl_context.h"

namespace tarvik::ctl {

// True when the last component of `path` is such a name.
bool IsWindowsDeviceName(std::string_view path);

// On Windows, a user's file named as a device is refused: explained, and
// `code` returned. Elsewhere those names are plain files: kExitOk.
int RefuseDeviceName(Context& context, const std::string& path, int code);

}  // namespace tarvik::ctl
