// `save` and `apply`: every setting the configurator shows, as a versioned
// JSON document, and that document written back to a device with the
// exchanges the window's pages make.
#pragma once

#include <string>

#include "config_document.h"
#include "ctl_context.h"

namespace tarvik::ctl {

int SaveSettings(Context& context, const std::string& file);
enum class ApplyMode {
  kWrite,
  kDryRun,  // prints the differences and writes nothing
  kCheck,   // the same, ending with kExitDrift when anything differs
};

// Writes only the settings of `document` (read from `file`) that differ,
// USB speed last, then reads every one back.
int ApplySettings(Context& context, const std::string& file, const ConfigDocument& document,
                  ApplyMode mode);

}  // namespace tarvik::ctl
