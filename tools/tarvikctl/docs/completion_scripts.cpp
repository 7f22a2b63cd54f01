#include "completion_scripts.h"

#include "commands/operation_table.h"
#include "setting_words.h"

namespace tarvik::ctl::docs {
namespace {

constexpr const char* kModelFormat =
    "# The command model, one line a fact, fields split by |:\n"
    "#   sub|COMMAND|NAME|DESCRIPTION              a subcommand of COMMAND\n"
    "#   opt|COMMAND|NAME|ARITY|VALUE|DESCRIPTION  an option COMMAND takes; ARITY is 0\n"
    "#                                             (a flag), 1, or ? (its value may be left out)\n"
    "#   pos|COMMAND|INDEX|VALUE                   COMMAND's positional argument INDEX\n"
    "#   values|SETTING|WORDS                      the values set takes for SETTING\n"
    "#   operations||NAMES                         the operations op runs\n"
    "# COMMAND is empty for tarvikctl itself, else its subcommands (\"firmware update\");\n"
    "# VALUE is what completes a value: file, setting, setting-value (of the setting\n"
    "# the argument before names), operation, device (from tarvikctl list) or nothing.";

const char* CompletesWord(Completes completes) {
  switch (completes) {
    case Completes::kNothing:
      return "";
    case Completes::kFile:
      return "file";
    case Completes::kSetting:
      return "setting";
    case Completes::kSettingValue:
      return "setting-value";
    case Completes::kOperation:
      return "operation";
    case Completes::kDevice:
      return "device";
  }
  return "";
}

// A field of a model line: no field separator or line break inside.
std::string Field(std::string text) {
  for (char& c : text)
    if (c == '|' || c == '\n') c = ' ';
  return text;
}

std::string ModelLines(const CommandModel& model) {
  std::string lines;
  const auto line = [&lines](std::initializer_list<std::string> fields) {
    std::string joined;
    for (const std::string& field : fields) joined += (joined.empty() ? "" : "|") + Field(field);
    lines += joined + "\n";
  };
  for (const Command& command : model.commands) {
    for (const std::string& name : command.subcommands)
      line({"sub", command.path, name,
            model.Find(command.path.empty() ? name : command.path + " " + name)->description});
    for (const Argument& option : model.OptionsAt(command))
      for (const std::string& name : option.names)
        line({"opt", command.path, name,
              option.valueName.empty() ? "0"
              : option.valueOptional   ? "?"
                                       : "1",
              CompletesWord(option.completes), option.description});
    for (std::size_t i = 0; i < command.positionals.size(); ++i)
      line({"pos", command.path, std::to_string(i),
            CompletesWord(command.positionals[i].completes)});
  }
  for (const auto& [setting, channel] : AllSettings()) {
    std::string words;
    for (const char* word : setting->words) words += (words.empty() ? "" : " ") + std::string(word);
    line({"values", SettingName(*setting, channel), words});
  }
  std::string names;
  for (const OperationRow& row : kOperationTable)
    names += (names.empty() ? "" : " ") + std::string(row.name);
  line({"operations", "", names});
  lines.pop_back();
  return lines;
}

// `text` for the inside of a single-quoted string of `shell`.
std::string SingleQuoted(const std::string& text, Shell shell) {
  std::string quoted;
  for (const char c : text) {
    if (c == '\'')
      quoted += shell == Shell::kFish ? "\\'" : "'\\''";
    else if (c == '\\' && shell == Shell::kFish)
      quoted += "\\\\";
    else
      quoted += c;
  }
  return quoted;
}

}  // namespace

TemplateValues CompletionParts(const CommandModel& model, Shell shell) {
  return {{"MODEL_FORMAT", kModelFormat}, {"MODEL", SingleQuoted(ModelLines(model), shell)}};
}

}  // namespace tarvik::ctl::docs
