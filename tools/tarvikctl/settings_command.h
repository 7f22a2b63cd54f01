// `show` and `set`: the settings the configurator's pages show, read and
// written with the same exchanges the pages make.
#pragma once

#include <string>

#include "ctl_context.h"

namespace tarvik::ctl {

int ShowSettings(Context& context);
int SetSetting(Context& context, const std::string& name, const std::string& value);

// The names `set` takes, with their values, for the help text.
std::string SettingNamesHelp();

}  // namespace tarvik::ctl
