// `save` and `apply`: every setting the configurator shows, as a versioned
// JSON document, and that document written back to a device with the
// exchanges the window's pages make.
#pragma once

#include <string>

#include "ctl_context.h"

namespace tarvik::ctl {

int SaveSettings(Context& context, const std::string& file);
// Writes only the settings that differ, USB speed last, then reads every one
// back. `dryRun` prints the differences and writes nothing.
int ApplySettings(Context& context, const std::string& file, bool dryRun);
// Reads and checks the document without a device: 0, or the exit code after
// the message naming what is wrong.
int CheckConfigFile(Context& context, const std::string& file);

}  // namespace tarvik::ctl
