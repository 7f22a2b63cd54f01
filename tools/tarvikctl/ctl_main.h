// tarvikctl's command line: parses the arguments and runs one command.
#pragma once

#include <string>
#include <vector>

#include "ctl_context.h"

namespace tarvik::ctl {

// `args` without the program name. Returns the exit code.
int Run(const std::vector<std::string>& args, Context& context);

}  // namespace tarvik::ctl
