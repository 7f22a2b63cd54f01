#include "apply_command.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "config_command.h"

namespace tarvik::ctl {
namespace {

struct ApplyOptions {
  std::string file;
  bool dryRun = false;
};

}  // namespace

void SetUpApplyCommand(CLI::App& app, Invocation& run) {
  auto options = std::make_shared<ApplyOptions>();
  CLI::App* apply =
      app.add_subcommand("apply", "change the device to the settings of a file made by save");
  apply->add_option("FILE", options->file, "file made by save")->required();
  apply->add_flag("--dry-run", options->dryRun, "print what would change and change nothing");
  apply->callback([&run, options] {
    Context& context = run.context();
    // A bad document is refused once, before any device is touched.
    if (const int code = CheckConfigFile(context, options->file)) {
      run.End(code);
      return;
    }
    context.changesDevice = !options->dryRun;
    run.RunOnDevices([options](Context& one, const AttachedDevice&) {
      return ApplySettings(one, options->file, options->dryRun);
    });
  });
}

}  // namespace tarvik::ctl
