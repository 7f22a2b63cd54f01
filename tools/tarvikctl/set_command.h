// `set NAME VALUE` on the command line.
#pragma once

#include "invocation.h"

namespace tarvik::ctl {

void SetUpSetCommand(CLI::App& app, Invocation& run);

}  // namespace tarvik::ctl
