#include "ctl_main.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "apply_command.h"
#include "exit_codes.h"
#include "firmware_command.h"
#include "list_command.h"
#include "op_command.h"
#include "save_command.h"
#include "set_command.h"
#include "show_command.h"
#include "stand_ins.h"
#include "stop_request.h"
#include "value_text.h"

namespace tarvik::ctl {

int Fail(Context& context, int code, const std::string& message) {
  context.err << "tarvikctl: " << message << '\n';
  context.failure = message;
  return code;
}

bool Confirm(Context& context, const std::string& question) {
  if (context.yes) return true;
  std::unique_lock<std::mutex> oneAtATime;
  if (context.questions != nullptr) oneAtATime = std::unique_lock<std::mutex>(*context.questions);
  if (StopSignal() != 0) {
    context.stopped = true;
    return false;
  }
  context.err << question << " [y/N] " << std::flush;
  std::string answer;
  return std::getline(context.in, answer) && (SameWord(answer, "y") || SameWord(answer, "yes"));
}

int Declined(Context& context, const std::string& notDone) {
  if (context.stopped)
    return Fail(context, ExitCodeForSignal(StopSignal()),
                "stopped on request before anything was changed");
  return Fail(context, kExitFailed, notDone + " (answer y, or give --yes)");
}

namespace {

constexpr int kMaxJobs = 1024;

// A count option's parser: a function rather than a bound number, because
// CLI11 checks no value given as "".
std::function<void(const std::string&)> CountInto(std::string option, int max, int& target) {
  return [option = std::move(option), max, &target](const std::string& count) {
    const std::optional<long long> n = ParseInteger(count, 1, max);
    if (!n) throw CLI::ValidationError(option, "give 1 to " + std::to_string(max));
    target = static_cast<int>(*n);
  };
}

void AddGlobalOptions(CLI::App& app, Context& context) {
  app.add_flag("--json", context.json, "print JSON (with a schemaVersion field) instead of text");
  app.add_flag("--trace", context.trace,
               "write every report sent and received, in hex, to standard error");
  app.add_option_function<std::string>(
         "--simulate", CountInto("--simulate", kMaxStandIns, context.simulate),
         "use N built-in stand-in devices (1 when no N is given) instead of hardware")
      ->expected(0, 1)
      ->default_str("1")
      ->type_name("N");
  app.add_option("--simulate-state", context.simulateState,
                 "keep the stand-ins' settings in FILE from one run to the next")
      ->type_name("FILE");
  CLI::Option* device =
      app.add_option("--device", context.device,
                     "the Tarvik to use: its index, hidraw path or USB topology path from list")
          ->check(CLI::Validator(
              [](const std::string& v) { return v.empty() ? "names no Tarvik; see list" : ""; },
              ""));
  CLI::Option* all = app.add_flag("--all", context.all, "run the command on every attached Tarvik");
  device->excludes(all);
  app.add_option_function<std::string>(
         "--jobs", CountInto("--jobs", kMaxJobs, context.jobs),
         "with --all, work on at most N Tarviks at once (default: every one)")
      ->type_name("N")
      ->needs(all);
  app.add_flag("-y,--yes", context.yes, "do not ask before a restart or a firmware transfer");
  app.add_flag(
      "--force", context.force,
      "talk to the Tarvik even when the lock that keeps other programs away cannot be taken");
}

int RunCommand(const std::vector<std::string>& args, Context& context,
               std::span<const CommandSetUp> commands) {
  CLI::App app;
  Invocation run(context);
  BuildApp(app, context, run, commands);

  // CLI11 takes the arguments last first.
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
    return Fail(context, kExitUsage, Printable(error.what()));
  }
  if (const std::optional<int> code = run.code()) return *code;
  return Fail(context, kExitUsage, "no command given");
}

}  // namespace

void BuildApp(CLI::App& app, Context& context, Invocation& run,
              std::span<const CommandSetUp> commands) {
  app.name("tarvikctl");
  app.description(
      "Reads and changes the settings of an attached Tarvik, runs any of its operations, and "
      "updates its firmware.");
  app.require_subcommand(1, 1);
  // "/rooms/a.json" is a path, not an option, on Windows too.
  app.allow_windows_style_options(false);
  // The global options may come before or after the subcommand.
  app.fallthrough();
  AddGlobalOptions(app, context);
  for (const CommandSetUp& setUp : commands) setUp(app, run);
}

std::span<const CommandSetUp> AllCommands() {
  static const CommandSetUp commands[] = {SetUpListCommand,    SetUpShowCommand, SetUpSetCommand,
                                          SetUpOpCommand,      SetUpSaveCommand, SetUpApplyCommand,
                                          SetUpFirmwareCommand};
  return commands;
}

int Run(const std::vector<std::string>& args, Context& context,
        std::span<const CommandSetUp> commands) {
  int code;
  try {
    code = RunCommand(args, context, commands);
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

int Run(const std::vector<std::string>& args, Context& context) {
  return Run(args, context, AllCommands());
}

}  // namespace tarvik::ctl
