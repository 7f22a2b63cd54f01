// `show` on the command line.
#pragma once

#include "invocation.h"

namespace tarvik::ctl {

void SetUpShowCommand(CLI::App& app, Invocation& run);

}  // namespace tarvik::ctl
