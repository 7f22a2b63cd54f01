#include "show_command.h"

#include <CLI/CLI.hpp>

#include "settings_command.h"

namespace tarvik::ctl {

void SetUpShowCommand(CLI::App& app, Invocation& run) {
  app.add_subcommand("show", "show every setting the configurator shows")->callback([&run] {
    run.RunOnDevices([](Context& context, const AttachedDevice&) { return ShowSettings(context); });
  });
}

}  // namespace tarvik::ctl
