#include "settings_command.h"

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "device_connection.h"
#include "exit_codes.h"
#include "json_text.h"
#include "setting_words.h"
#include "settings_session.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

constexpr const char* kChannelKeys[2] = {"L", "R"};
constexpr std::size_t kHelpWidth = 79;

nlohmann::json SettingJson(const Setting& setting, const SettingsSnapshot& s, int channel) {
  if (setting.gate != nullptr && !(s.features.*setting.gate)) return nullptr;
  const int index = setting.index(s, channel);
  return index >= 0 ? setting.words[index] : setting.unmatched;
}

nlohmann::json SnapshotJson(const Snapshot& s) {
  nlohmann::json j = {
      {"schemaVersion", 1},
      {"device",
       {{"productId", HexNumber(static_cast<unsigned>(s.productId), 4)}, {"firmware", s.firmware}}},
      {"outputGainRaw", s.settings.outputGain}};
  for (int channel = 0; channel < 2; ++channel)
    j["inputs"][kChannelKeys[channel]]["gainRaw"] = s.settings.channels[channel].gain;
  for (const Setting& setting : kSettings) {
    if (!setting.perChannel) j[setting.field] = SettingJson(setting, s.settings, 0);
    for (int channel = 0; setting.perChannel && channel < 2; ++channel)
      j["inputs"][kChannelKeys[channel]][setting.field] = SettingJson(setting, s.settings, channel);
  }
  return j;
}

// `text` broken at spaces into lines of at most kHelpWidth characters.
std::string Wrapped(const std::string& text) {
  std::istringstream words(text);
  std::string wrapped;
  std::string word;
  std::size_t lineLength = 0;
  while (words >> word) {
    if (lineLength > 0) {
      const bool full = lineLength + 1 + word.size() > kHelpWidth;
      wrapped += full ? '\n' : ' ';
      lineLength = full ? 0 : lineLength + 1;
    }
    wrapped += word;
    lineLength += word.size();
  }
  return wrapped;
}

void PrintText(std::ostream& out, const nlohmann::json& j) {
  auto line = [&](const std::string& name, const nlohmann::json& value) {
    const std::string text = value.is_null() ? "(not on this device)" : ValueText(value);
    char padded[32];
    std::snprintf(padded, sizeof padded, "%-22s", name.c_str());
    out << padded << text << '\n';
  };
  line("device", j["device"]["productId"].get<std::string>() + ", firmware " +
                     j["device"]["firmware"].get<std::string>());
  for (const auto& [setting, channel] : AllSettings())
    line(SettingName(*setting, channel), setting->perChannel
                                             ? j["inputs"][kChannelKeys[channel]][setting->field]
                                             : j[setting->field]);
}

// A change that restarts the Tarvik: nothing to do when it already has the
// value, else asked first and checked once the Tarvik is back.
int SetRestarting(Context& context, DeviceConnection& connection, const NamedSetting& named,
                  int index) {
  const std::string name = SettingName(*named.setting, named.channel);
  Snapshot before;
  if (!ReadSnapshot(connection, &before))
    return DeviceFailed(context, "while reading the settings");
  if (named.setting->index(before.settings, named.channel) == index) return kExitOk;
  if (!ConfirmRestart(context))
    return Declined(context, "not changed: the restart it needs was declined");
  if (const int code = WriteChange(context, connection, named, index)) return code;
  Snapshot after;
  if (!ReadSnapshot(connection, &after)) return DeviceFailed(context, "reading the settings back");
  if (named.setting->index(after.settings, named.channel) != index)
    return Fail(context, kExitFailed, "the Tarvik restarted but kept its " + name);
  return kExitOk;
}

}  // namespace

std::string SettingNamesHelp() {
  std::vector<std::string> parts;
  for (const Setting& setting : kSettings) {
    std::string part = SettingName(setting, 0);
    if (setting.perChannel) part += "|" + SettingName(setting, 1);
    std::vector<std::string> values;
    if (setting.gains.size() > 1)
      values.push_back(std::string(setting.words.front()) + " to " + setting.words.back() +
                       " in steps of " +
                       std::to_string((setting.gains[1] - setting.gains[0]) / 256));
    else
      values.assign(setting.words.begin(), setting.words.end());
    part += " (" + JoinNames(values);
    if (setting.order == WriteOrder::kRestarts) part += "; the Tarvik restarts";
    parts.push_back(part + ")");
  }
  return Wrapped("settings: " + JoinNames(parts));
}

int ShowSettings(Context& context) {
  DeviceConnection connection(context);
  if (const int code = connection.Open()) return code;
  Snapshot snapshot;
  if (!ReadSnapshot(connection, &snapshot))
    return DeviceFailed(context, "while reading the settings");
  const nlohmann::json j = SnapshotJson(snapshot);
  if (context.json)
    context.out << JsonText(j);
  else
    PrintText(context.out, j);
  return kExitOk;
}

int SetSetting(Context& context, const std::string& name, const std::string& value) {
  // Every name and value is checked before the device is touched.
  const std::optional<NamedSetting> named = FindSetting(name);
  if (!named)
    return Fail(context, kExitUsage,
                "no setting named '" + Printable(name) + "'; see tarvikctl set --help");
  const Setting* setting = named->setting;
  const std::optional<int> index = ValueIndex(*setting, value);
  if (!index)
    return Fail(context, kExitUsage, "'" + Printable(value) + "' is not a value of " + name);

  DeviceConnection connection(context);
  if (const int code = connection.Open()) return code;
  if (setting->gate != nullptr) {
    if (!connection.ReadFirmware()) return DeviceFailed(context, "reading its firmware version");
    if (!(connection.Features().*setting->gate))
      return Fail(
          context, kExitFailed,
          "this Tarvik (firmware " + std::string(connection.Firmware()) + ") has no " + name);
  }
  if (setting->order == WriteOrder::kRestarts)
    return SetRestarting(context, connection, *named, *index);
  return WriteChange(context, connection, *named, *index);
}

}  // namespace tarvik::ctl
