// tarvikctl-docs: writes the manual pages of tarvikctl and of the
// configurator and tarvikctl's bash, zsh and fish completion, each from its
// template and tarvikctl's own command model. Run by the build.
//   tarvikctl-docs TEMPLATE_DIR OUTPUT_DIR VERSION UDEV_RULES_DIR
#include <fstream>
#include <iostream>
#include <sstream>

#include "completion_scripts.h"
#include "man_page.h"

namespace {

using tarvik::ctl::docs::TemplateValues;

bool Generate(const std::string& from, const std::string& to, TemplateValues values,
              std::string* error) {
  std::ifstream in(from, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  if (!in) {
    *error = "cannot read " + from;
    return false;
  }
  const std::optional<std::string> filled = tarvik::ctl::docs::Filled(text.str(), values, error);
  if (!filled) {
    *error = from + ": " + *error;
    return false;
  }
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out << *filled;
  out.close();
  if (!out) *error = "cannot write " + to;
  return static_cast<bool>(out);
}

TemplateValues Joined(TemplateValues values, const TemplateValues& more) {
  values.insert(values.end(), more.begin(), more.end());
  return values;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tarvik::ctl::docs;
  if (argc != 5) {
    std::cerr << "usage: tarvikctl-docs TEMPLATE_DIR OUTPUT_DIR VERSION UDEV_RULES_DIR\n";
    return 64;
  }
  const std::string from = std::string(argv[1]) + "/";
  const std::string to = std::string(argv[2]) + "/";
  const TemplateValues installed = {{"VERSION", argv[3]}, {"UDEV_RULES_DIR", argv[4]}};
  std::string error;
  const std::optional<CommandModel> model = ReadCommandModel(&error);
  const bool done = model &&
                    Generate(from + "tarvikctl.1.in", to + "tarvikctl.1",
                             Joined(ManPageParts(*model), installed), &error) &&
                    Generate(from + "tarvik-configurator.1.in", to + "tarvik-configurator.1",
                             installed, &error) &&
                    Generate(from + "tarvikctl.bash.in", to + "tarvikctl.bash",
                             CompletionParts(*model, Shell::kPosix), &error) &&
                    Generate(from + "tarvikctl.zsh.in", to + "_tarvikctl",
                             CompletionParts(*model, Shell::kPosix), &error) &&
                    Generate(from + "tarvikctl.fish.in", to + "tarvikctl.fish",
                             CompletionParts(*model, Shell::kFish), &error);
  if (!done) {
    std::cerr << "tarvikctl-docs: " << error << '\n';
    return 1;
  }
  return 0;
}
