#include "save_command.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <string>

#include "config_command.h"
#include "exit_codes.h"
#include "input_file.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

struct SaveOptions {
  std::string file;
};

}  // namespace

void SetUpSaveCommand(CLI::App& app, Invocation& run) {
  auto options = std::make_shared<SaveOptions>();
  CLI::App* save = app.add_subcommand("save", "write every setting to a JSON file");
  save->add_option("FILE", options->file, "file to write; with --all, a folder for one file each")
      ->required();
  save->callback([&run, options] {
    Context& context = run.context();
    std::error_code error;
    const std::filesystem::path folder = PathFromUtf8(options->file);
    if (context.all && !std::filesystem::is_directory(folder, error) &&
        !std::filesystem::create_directories(folder, error)) {
      run.End(
          Fail(context, kExitCannotWrite, "cannot make the folder " + Printable(options->file)));
      return;
    }
    run.RunOnDevices([options](Context& one, const AttachedDevice& device) {
      return SaveSettings(one, one.all ? SaveFileFor(options->file, device) : options->file);
    });
  });
}

}  // namespace tarvik::ctl
