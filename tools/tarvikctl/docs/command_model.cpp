#include "command_model.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "ctl_main.h"

namespace tarvik::ctl::docs {
namespace {

// What completes the values the help cannot tell apart, and the name the
// page gives a value CLI11 only calls TEXT or INT.
struct ArgumentUse {
  const char* command;
  const char* argument;
  Completes completes;
  const char* valueName;  // null: the app's own
};

constexpr ArgumentUse kArgumentUses[] = {
    {"", "--device", Completes::kDevice, "DEVICE"},
    {"", "--simulate-state", Completes::kFile, nullptr},
    {"set", "NAME", Completes::kSetting, nullptr},
    {"set", "VALUE", Completes::kSettingValue, nullptr},
    {"op", "OPERATION", Completes::kOperation, nullptr},
    {"op", "FIELDS", Completes::kNothing, "FIELD=VALUE"},
    {"op", "--selector", Completes::kNothing, "N"},
    {"op", "--in", Completes::kFile, "FILE"},
    {"op", "--out", Completes::kFile, "FILE"},
    {"save", "FILE", Completes::kFile, nullptr},
    {"apply", "FILE", Completes::kFile, nullptr},
    {"firmware update", "PACKAGE", Completes::kFile, nullptr},
    {"firmware update", "--target", Completes::kNothing, "N"},
    {"firmware section", "IMAGE", Completes::kFile, nullptr},
};

Argument ArgumentOf(const CLI::Option& option) {
  Argument argument;
  argument.positional =
      option.get_positional() && option.get_lnames().empty() && option.get_snames().empty();
  if (argument.positional) {
    argument.names.push_back(option.get_name(true));
  } else {
    for (const std::string& name : option.get_snames()) argument.names.push_back("-" + name);
    for (const std::string& name : option.get_lnames()) argument.names.push_back("--" + name);
  }
  argument.description = option.get_description();
  argument.required = option.get_required();
  if (option.get_type_size_max() > 0) {
    argument.valueName = argument.positional ? argument.names.front() : option.get_type_name();
    argument.valueOptional = option.get_expected_min() == 0;
  }
  argument.repeats = option.get_expected_max() > 1;
  return argument;
}

void AddCommand(const CLI::App& app, const std::string& path, CommandModel* model) {
  Command command;
  command.path = path;
  command.description = app.get_description();
  for (const CLI::Option* option : app.get_options()) {
    Argument argument = ArgumentOf(*option);
    (argument.positional ? command.positionals : command.options).push_back(std::move(argument));
  }
  const std::vector<const CLI::App*> subcommands =
      app.get_subcommands([](const CLI::App*) { return true; });
  for (const CLI::App* sub : subcommands) command.subcommands.push_back(sub->get_name());
  model->commands.push_back(std::move(command));
  for (const CLI::App* sub : subcommands)
    AddCommand(*sub, path.empty() ? sub->get_name() : path + " " + sub->get_name(), model);
}

Argument* FindArgument(CommandModel& model, const std::string& path, const std::string& name) {
  for (Command& command : model.commands) {
    if (command.path != path) continue;
    for (std::vector<Argument>* list : {&command.options, &command.positionals})
      for (Argument& argument : *list)
        for (const std::string& own : argument.names)
          if (own == name) return &argument;
  }
  return nullptr;
}

}  // namespace

std::vector<Argument> CommandModel::OptionsAt(const Command& command) const {
  std::vector<Argument> options = command.options;
  const auto known = [&options](const std::string& name) {
    for (const Argument& option : options)
      for (const std::string& own : option.names)
        if (own == name) return true;
    return false;
  };
  std::string path = command.path;
  while (!path.empty()) {
    const std::size_t space = path.rfind(' ');
    path = space == std::string::npos ? std::string() : path.substr(0, space);
    for (const Argument& option : Find(path)->options)
      if (!known(option.names.back())) options.push_back(option);
  }
  return options;
}

const Command* CommandModel::Find(const std::string& path) const {
  for (const Command& command : commands)
    if (command.path == path) return &command;
  return nullptr;
}

std::optional<CommandModel> ReadCommandModel(std::string* error) {
  std::ostringstream out;
  std::istringstream in;
  Context context(out, out, in);
  Invocation run(context);
  CLI::App app;
  BuildApp(app, context, run, AllCommands());
  CommandModel model;
  AddCommand(app, "", &model);
  for (const ArgumentUse& use : kArgumentUses) {
    Argument* argument = FindArgument(model, use.command, use.argument);
    if (argument == nullptr) {
      *error = std::string("tarvikctl ") + use.command + " has no argument " + use.argument;
      return std::nullopt;
    }
    argument->completes = use.completes;
    if (use.valueName != nullptr) argument->valueName = use.valueName;
  }
  return model;
}

}  // namespace tarvik::ctl::docs
