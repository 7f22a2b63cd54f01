#include "apply_command.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "config_command.h"
#include "config_file.h"

namespace tarvik::ctl {
namespace {

struct ApplyOptions {
  std::string file;
  bool dryRun = false;
  bool check = false;
};

}  // namespace

void SetUpApplyCommand(CLI::App& app, Invocation& run) {
  auto options = std::make_shared<ApplyOptions>();
  CLI::App* apply =
      app.add_subcommand("apply", "change the device to the settings of a file made by save");
  apply->add_option("FILE", options->file, "file made by save")->required();
  apply->add_flag("--dry-run", options->dryRun, "print what would change and change nothing");
  apply->add_flag("--check", options->check,
                  "change nothing; exit 2 when the device differs from the file, 0 when not");
  apply->callback([&run, options] {
    Context& context = run.context();
    // The document is read once, so a pipe serves every device, and a bad
    // one is refused before any device is touched.
    auto document = std::make_shared<ConfigDocument>();
    if (const int code = ReadDocument(context, options->file, document.get())) {
      run.End(code);
      return;
    }
    const ApplyMode mode = options->check    ? ApplyMode::kCheck
                           : options->dryRun ? ApplyMode::kDryRun
                                             : ApplyMode::kWrite;
    context.changesDevice = mode == ApplyMode::kWrite;
    run.RunOnDevices([options, document, mode](Context& one, const AttachedDevice&) {
      return ApplySettings(one, options->file, *document, mode);
    });
  });
}

}  // namespace tarvik::ctl
