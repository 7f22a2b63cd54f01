#include "setting_words.h"

#include <span>

#include "value_text.h"

namespace tarvik::ctl {
namespace {

constexpr const char* kChannelSuffixes[2] = {"-l", "-r"};

std::optional<int> WordIndex(std::span<const char* const> words, const std::string& value) {
  for (std::size_t i = 0; i < words.size(); ++i)
    if (SameWord(words[i], value)) return static_cast<int>(i);
  return std::nullopt;
}

std::optional<int> GainIndex(std::span<const int16_t> gains, std::string value) {
  if (value.size() > 2 && SameWord(value.substr(value.size() - 2), "db"))
    value.resize(value.size() - 2);
  const std::optional<long long> db = ParseInteger(value, gains.front() / 256, gains.back() / 256);
  if (!db) return std::nullopt;
  for (std::size_t i = 0; i < gains.size(); ++i)
    if (gains[i] == *db * 256) return static_cast<int>(i);
  return std::nullopt;
}

}  // namespace

std::string SettingName(const Setting& setting, int channel) {
  return setting.word + std::string(setting.perChannel ? kChannelSuffixes[channel] : "");
}

std::vector<NamedSetting> AllSettings() {
  std::vector<NamedSetting> all;
  for (int channel = 0; channel < 2; ++channel)
    for (const Setting& setting : kSettings)
      if (setting.perChannel) all.push_back({&setting, channel});
  for (const Setting& setting : kSettings)
    if (!setting.perChannel) all.push_back({&setting, 0});
  return all;
}

std::optional<NamedSetting> FindSetting(std::string_view name) {
  for (const NamedSetting& named : AllSettings())
    if (SettingName(*named.setting, named.channel) == name) return named;
  return std::nullopt;
}

std::optional<int> ValueIndex(const Setting& setting, const std::string& value) {
  return setting.gains.empty() ? WordIndex(setting.words, value) : GainIndex(setting.gains, value);
}

std::string JoinNames(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
  return joined;
}

std::string ValueWord(const Setting& setting, int index) {
  if (index >= 0 && static_cast<std::size_t>(index) < setting.words.size())
    return setting.words[static_cast<std::size_t>(index)];
  return setting.unmatched != nullptr ? setting.unmatched : "unknown";
}

}  // namespace tarvik::ctl
