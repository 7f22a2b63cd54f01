// tarvikctl's command line: parses the arguments and runs one command.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "ctl_context.h"
#include "invocation.h"

namespace tarvik::ctl {

// Sets `app` up as tarvikctl parses its arguments: its name and description,
// the global options and the subcommands `commands`, which run through `run`.
void BuildApp(CLI::App& app, Context& context, Invocation& run,
              std::span<const CommandSetUp> commands);
// Every tarvikctl subcommand, in the order its help lists them.
std::span<const CommandSetUp> AllCommands();

// `args` without the program name, with the global options and the
// subcommands `commands` set up. Returns the exit code.
int Run(const std::vector<std::string>& args, Context& context,
        std::span<const CommandSetUp> commands);
// The same with every tarvikctl command.
int Run(const std::vector<std::string>& args, Context& context);

}  // namespace tarvik::ctl
