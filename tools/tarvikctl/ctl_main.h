// tarvikctl's command line: parses the arguments and runs one command.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "ctl_context.h"
#include "invocation.h"

namespace tarvik::ctl {

// `args` without the program name, with the global options and the
// subcommands `commands` set up. Returns the exit code.
int Run(const std::vector<std::string>& args, Context& context,
        std::span<const CommandSetUp> commands);
// The same with every tarvikctl command.
int Run(const std::vector<std::string>& args, Context& context);

}  // namespace tarvik::ctl
