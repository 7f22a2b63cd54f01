#include "config_command.h"

#include "exit_codes.h"

namespace tarvik::ctl {

// save and apply come with the configuration document.
int SaveSettings(Context& context, const std::string&) {
  return Fail(context, kExitInternal, "save is not available in this build");
}
int ApplySettings(Context& context, const std::string&, bool) {
  return Fail(context, kExitInternal, "apply is not available in this build");
}
int CheckConfigFile(Context&, const std::string&) { return kExitOk; }

}  // namespace tarvik::ctl
