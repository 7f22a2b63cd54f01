#include "man_page.h"

#include "commands/command_id.h"
#include "roff_text.h"
#include "setting_words.h"

namespace tarvik::ctl::docs {
namespace {

// The words that name `argument`: "\fB\-y\fR," "\fB\-\-yes\fR", or
// "\fB\-\-simulate\fR" "[\fIN\fR]", or a positional's "\fIFILE\fR".
std::vector<std::string> ArgumentWords(const Argument& argument) {
  std::vector<std::string> words;
  if (argument.positional) return {"\\fI" + RoffLiteral(argument.valueName) + "\\fR"};
  for (const std::string& name : argument.names) {
    if (!words.empty()) words.back() += ",";
    words.push_back("\\fB" + RoffLiteral(name) + "\\fR");
  }
  if (argument.valueName.empty()) return words;
  const std::string value = "\\fI" + RoffLiteral(argument.valueName) + "\\fR";
  words.push_back(argument.valueOptional ? "[" + value + "]" : value);
  return words;
}

// The words joined, none broken at its hyphens.
std::string Joined(const std::vector<std::string>& words) {
  std::string roff;
  for (const std::string& word : words) roff += (roff.empty() ? "" : " ") + Unbroken(word);
  return roff;
}

// "[\fB\-\-check\fR]", "\fIFILE\fR" or "[\fIFIELD=VALUE\fR ...]".
std::string SynopsisWords(const Argument& argument) {
  Argument longest = argument;
  longest.names = {argument.names.back()};
  std::vector<std::string> words = ArgumentWords(longest);
  if (argument.repeats) words.push_back("...");
  if (!argument.required) {
    words.front().insert(0, "[");
    words.back() += "]";
  }
  return Joined(words);
}

std::string Paragraphs(const std::vector<Argument>& arguments) {
  std::string roff;
  for (const Argument& argument : arguments) {
    roff += ".TP\n";
    roff += Joined(ArgumentWords(argument));
    roff += "\n" + Sentence(argument.description) + "\n";
  }
  return roff;
}

// The generated parts end where their mark's line does.
std::string WithoutLastNewline(std::string roff) {
  if (!roff.empty() && roff.back() == '\n') roff.pop_back();
  return roff;
}

std::vector<Argument> WithoutHelp(const std::vector<Argument>& options) {
  std::vector<Argument> kept;
  for (const Argument& option : options)
    if (option.names.back() != "--help") kept.push_back(option);
  return kept;
}

std::string Synopsis(const CommandModel& model) {
  std::string roff;
  for (const Command& command : model.commands) {
    if (!command.subcommands.empty()) continue;
    roff += ".SY tarvikctl\n[\\fIoptions\\fR] \\fB" + RoffLiteral(command.path) + "\\fR";
    for (const Argument& argument : command.positionals) roff += " " + SynopsisWords(argument);
    for (const Argument& option : WithoutHelp(command.options)) roff += " " + SynopsisWords(option);
    roff += "\n.YS\n";
  }
  return roff;
}

std::string Commands(const CommandModel& model) {
  std::string roff;
  for (const Command& command : model.commands) {
    if (command.path.empty()) continue;
    std::string heading = command.path;
    for (const Argument& argument : command.positionals) {
      const std::string word = argument.valueName + (argument.repeats ? " ..." : "");
      heading += " " + (argument.required ? word : "[" + word + "]");
    }
    roff += ".SS \"" + RoffLiteral(heading) + "\"\n" + Sentence(command.description) + "\n";
    roff += Paragraphs(command.positionals) + Paragraphs(WithoutHelp(command.options));
  }
  return WithoutLastNewline(roff);
}

std::string Settings() {
  std::string roff;
  for (const Setting& setting : kSettings) {
    roff += ".TP\n" + Unbroken("\\fB" + RoffLiteral(SettingName(setting, 0)) + "\\fR");
    if (setting.perChannel)
      roff += ", " + Unbroken("\\fB" + RoffLiteral(SettingName(setting, 1)) + "\\fR");
    std::string values;
    for (const char* word : setting.words)
      values += (values.empty() ? "" : ", ") + Unbroken(RoffLiteral(word));
    roff += "\n" + values + ".";
    if (setting.perChannel) roff += " Input L (\\-l) or R (\\-r).";
    if (!setting.gains.empty()) roff += " A gain may also be given without dB or the plus sign.";
    if (setting.gate != nullptr) roff += " Only on a Tarvik whose firmware has it.";
    if (setting.order == WriteOrder::kRestarts)
      roff += " The Tarvik restarts to take it: tarvikctl asks first (or \\-\\-yes).";
    roff += "\n";
  }
  return WithoutLastNewline(roff);
}

}  // namespace

TemplateValues ManPageParts(const CommandModel& model) {
  return {{"SYNOPSIS", WithoutLastNewline(Synopsis(model))},
          {"GLOBAL_OPTIONS", WithoutLastNewline(Paragraphs(model.Root().options))},
          {"COMMANDS", Commands(model)},
          {"SETTINGS", Settings()},
          {"OPERATION_COUNT", std::to_string(kOperationCount)}};
}

}  // namespace tarvik::ctl::docs
