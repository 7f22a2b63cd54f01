// tarvikctl's command line as a plain model: read from the same CLI11 app
// tarvikctl parses with, so the manual page and the shell completion list
// what tarvikctl takes, and nothing else.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarvik::ctl::docs {

// What a shell completes an argument's value from.
enum class Completes { kNothing, kFile, kSetting, kSettingValue, kOperation, kDevice };

// An option or a positional argument.
struct Argument {
  std::vector<std::string> names;  // "-y", "--yes"; a positional's one name
  std::string description;
  std::string valueName;       // empty for a flag
  bool valueOptional = false;  // the value may be left out (--simulate [N])
  bool positional = false;
  bool required = false;
  bool repeats = false;  // taken more than once (FIELDS...)
  Completes completes = Completes::kNothing;
};

struct Command {
  std::string path;  // "" for tarvikctl itself, "firmware update" for a nested one
  std::string description;
  std::vector<Argument> options;  // its own, help included
  std::vector<Argument> positionals;
  std::vector<std::string> subcommands;  // their names, in help order
};

struct CommandModel {
  // tarvikctl itself first, then every subcommand depth first in help order.
  std::vector<Command> commands;

  const Command& Root() const { return commands.front(); }
  // The options `command` takes: its own, then those of the commands above
  // it that are not its own (a subcommand takes the global options too).
  std::vector<Argument> OptionsAt(const Command& command) const;
  const Command* Find(const std::string& path) const;
};

// The model of tarvikctl's command line. Fails, saying why in `error`, when
// the table of what completes which argument names an argument tarvikctl
// no longer has.
std::optional<CommandModel> ReadCommandModel(std::string* error);

}  // namespace tarvik::ctl::docs
