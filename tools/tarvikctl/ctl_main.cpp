#include "ctl_main.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "exit_codes.h"
#include "firmware_command.h"
#include "list_command.h"
#include "op_command.h"
#include "settings_command.h"
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
  app.add_flag("--simulate", context.simulate,
               "use the built-in stand-in device instead of hardware");
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

  if (app.got_subcommand("list")) return ListDevices(context);
  if (app.got_subcommand("show")) return ShowSettings(context);
  if (app.got_subcommand(set)) return SetSetting(context, name, value);
  if (app.got_subcommand(opCommand)) {
    if (listOps) return ListOps(context);
    if (op.operation.empty()) return Fail(context, kExitUsage, "op needs an OPERATION, or --list");
    return RunOp(context, op);
  }
  if (update->parsed()) return UpdateFirmwarePackage(context, image, targets);
  if (section->parsed()) return UpdateFirmwareSectionImage(context, image);
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
