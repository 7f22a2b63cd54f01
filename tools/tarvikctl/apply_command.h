// `apply FILE` on the command line.
#pragma once

#include "invocation.h"

namespace tarvik::ctl {

void SetUpApplyCommand(CLI::App& app, Invocation& run);

}  // namespace tarvik::ctl
