// tarvikctl's names and values for the settings of the table: a setting's
// word, with -l or -r when it is per channel, and the words of its items.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_table.h"

namespace tarvik::ctl {

// One setting of one channel (channel 0 for a setting of the whole device).
struct NamedSetting {
  const Setting* setting = nullptr;
  int channel = 0;
};

std::string SettingName(const Setting& setting, int channel);
// Every setting of every channel in the order `show` lists them: the
// channel settings of L, then of R, then those of the whole device.
std::vector<NamedSetting> AllSettings();
std::optional<NamedSetting> FindSetting(std::string_view name);
// The item a value names, with the words `set` takes: an item's word in any
// case, and for a gain "+3dB", "3dB", "+3" or "3".
std::optional<int> ValueIndex(const Setting& setting, const std::string& value);
// "gain-l, eq-r" for a message.
std::string JoinNames(const std::vector<std::string>& names);
// The word of item `index`, or what is shown when no item matches (-1).
std::string ValueWord(const Setting& setting, int index);

}  // namespace tarvik::ctl
