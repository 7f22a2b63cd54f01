#include "ctl_main.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "all_devices.h"
#include "config_command.h"
#include "exit_codes.h"
#include "firmware_command.h"
#include "list_command.h"
#include "op_command.h"
#include "settings_command.h"
#include "stand_ins.h"
#include "value_text.h"

namespace tarvik::ctl {

int Fail(Context& context, int code, const std::string& message) {
  context.err << "tarvikctl: " << message << '\n';
  return code;
}

bool Confirm(Context& context, const std::string& question) {
  if (context.yes) return true;
  context.err << question << " [y/N] " << std::flush;
  std::string answer;
  return std::getline(context.in, answer) && (SameWord(answer, "y") || SameWord(answer, "yes"));
}

namespace {

int RunCommand(const std::vector<std::string>& args, Context& context) {
  CLI::App app{
      "Reads and changes the settings of an attached Tarvik, runs any of its operations, and "
      "updates its firmware.",
      "tarvikctl"};
  app.require_subcommand(1, 1);
  // The global options may come before or after the subcommand.
  app.fallthrough();
  app.add_flag("--json", context.json, "print JSON (with a schemaVersion field) instead of text");
  app.add_flag("--trace", context.trace,
               "write every report sent and received, in hex, to standard error");
  app.add_option("--simulate", context.simulate,
                 "use N built-in stand-in devices (1 when no N is given) instead of hardware")
      ->expected(0, 1)
      ->default_str("1")
      ->check(CLI::Range(0, kMaxStandIns));
  CLI::Option* device =
      app.add_option("--device", context.device,
                     "the Tarvik to use: its index, hidraw path or USB topology path from list");
  CLI::Option* all = app.add_flag("--all", context.all, "run the command on every attached Tarvik");
  device->excludes(all);
  app.add_flag("-y,--yes", context.yes, "do not ask before a restart or a firmware transfer");
  app.add_flag(
      "--force", context.force,
      "talk to the Tarvik even when the lock that keeps other programs away cannot be taken");

  app.add_subcommand("list",
                     "list the attached Tarvik interfaces and whether this user may open them");
  app.add_subcommand("show", "show every setting the configurator shows");

  std::string name, value;
  CLI::App* set = app.add_subcommand("set", "change one setting as the configurator does")
                      ->footer(SettingNamesHelp());
  set->add_option("NAME", name, "setting name")->required();
  set->add_option("VALUE", value, "new value")->required();

  OpRequest op;
  bool listOps = false;
  CLI::App* opCommand = app.add_subcommand("op", "run any operation by name or number");
  opCommand->add_flag("--list", listOps, "list every operation with its fields");
  opCommand->add_option("OPERATION", op.operation, "operation name or number 0 to 166");
  opCommand->add_option("FIELDS", op.fields, "FIELD=VALUE for each input field");
  opCommand->add_option("--selector", op.selector,
                        "the record's selector (0 working settings, 1 second set)");
  opCommand->add_option("--in", op.inFile, "file the operation's buffer or message is read from");
  opCommand->add_option("--out", op.outFile,
                        "file the operation's buffer or message is written to");

  std::string configFile;
  bool dryRun = false;
  CLI::App* save = app.add_subcommand("save", "write every setting to a JSON file");
  save->add_option("FILE", configFile, "file to write; with --all, a folder for one file each")
      ->required();
  CLI::App* apply =
      app.add_subcommand("apply", "change the device to the settings of a file made by save");
  apply->add_option("FILE", configFile, "file made by save")->required();
  apply->add_flag("--dry-run", dryRun, "print what would change and change nothing");

  std::string image;
  std::vector<std::string> targets;
  CLI::App* firmware = app.add_subcommand("firmware", "check and transfer firmware");
  firmware->require_subcommand(1, 1);
  CLI::App* update = firmware->add_subcommand("update", "program a firmware package into targets");
  update->add_option("PACKAGE", image, "firmware package file")->required();
  update->add_option("--target", targets, "target number to program (repeat for more)")->required();
  CLI::App* section = firmware->add_subcommand("section", "write a section image");
  section->add_option("IMAGE", image, "section image file")->required();

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    context.out << app.help();
    return kExitOk;
  } catch (const CLI::CallForAllHelp&) {
    context.out << app.help("", CLI::AppFormatMode::All);
    return kExitOk;
  } catch (const CLI::ParseError& error) {
    return Fail(context, kExitUsage, error.what());
  }

  const std::vector<std::unique_ptr<sim::SimDevice>> standIns = MakeStandIns(context.simulate);
  if (app.got_subcommand("list")) return ListDevices(context);

  DeviceCommand command;
  if (app.got_subcommand("show")) {
    command = [](Context& c, const AttachedDevice&) { return ShowSettings(c); };
  } else if (app.got_subcommand(set)) {
    context.changesDevice = true;
    command = [&](Context& c, const AttachedDevice&) { return SetSetting(c, name, value); };
  } else if (app.got_subcommand(save)) {
    std::error_code error;
    if (context.all && !std::filesystem::is_directory(configFile, error) &&
        !std::filesystem::create_directories(configFile, error))
      return Fail(context, kExitCannotWrite, "cannot make the folder " + configFile);
    command = [&](Context& c, const AttachedDevice& d) {
      return SaveSettings(c, context.all ? SaveFileFor(configFile, d) : configFile);
    };
  } else if (app.got_subcommand(apply)) {
    // A bad document is refused once, before any device is touched.
    if (const int code = CheckConfigFile(context, configFile)) return code;
    context.changesDevice = !dryRun;
    command = [&](Context& c, const AttachedDevice&) {
      return ApplySettings(c, configFile, dryRun);
    };
  } else if (app.got_subcommand(opCommand)) {
    if (listOps) return ListOps(context);
    if (op.operation.empty()) return Fail(context, kExitUsage, "op needs an OPERATION, or --list");
    context.changesDevice = true;
    command = [&](Context& c, const AttachedDevice&) { return RunOp(c, op); };
  } else if (update->parsed()) {
    context.changesDevice = true;
    command = [&](Context& c, const AttachedDevice&) {
      return UpdateFirmwarePackage(c, image, targets);
    };
  } else if (section->parsed()) {
    context.changesDevice = true;
    command = [&](Context& c, const AttachedDevice&) {
      return UpdateFirmwareSectionImage(c, image);
    };
  }
  if (command) return context.all ? RunOnAll(context, command) : command(context, {});
  return Fail(context, kExitUsage, "no command given");
}

}  // namespace

int Run(const std::vector<std::string>& args, Context& context) {
  int code;
  try {
    code = RunCommand(args, context);
  } catch (const std::exception& error) {
    return Fail(context, kExitInternal, std::string("internal error: ") + error.what());
  } catch (...) {
    return Fail(context, kExitInternal, "internal error");
  }
  // A script must not take an empty or cut-off result for a success.
  context.out.flush();
  if (!context.out && code == kExitOk)
    return Fail(context, kExitOutput, "cannot write to standard output");
  return code;
}

}  // namespace tarvik::ctl
