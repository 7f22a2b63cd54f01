#include "set_command.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "settings_command.h"

namespace tarvik::ctl {
namespace {

struct SetOptions {
  std::string name;
  std::string value;
};

}  // namespace

void SetUpSetCommand(CLI::App& app, Invocation& run) {
  auto options = std::make_shared<SetOptions>();
  CLI::App* set = app.add_subcommand("set", "change one setting as the configurator does")
                      ->footer(SettingNamesHelp());
  set->add_option("NAME", options->name, "setting name")->required();
  set->add_option("VALUE", options->value, "new value")->required();
  set->callback([&run, options] {
    run.context().changesDevice = true;
    run.RunOnDevices([options](Context& context, const AttachedDevice&) {
      return SetSetting(context, options->name, options->value);
    });
  });
}

}  // namespace tarvik::ctl
