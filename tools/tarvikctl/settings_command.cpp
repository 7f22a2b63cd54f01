#include "settings_command.h"

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "settings/firmware_version.h"
#include "device_connection.h"
#include "exit_codes.h"
#include "json_text.h"
#include "setting_words.h"
#include "settings_session.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

constexpr const char* kChannelKeys[2] = {"L", "R"};

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

}  // namespace

std::string SettingNamesHelp() {
  return "settings: mode-l|mode-r (conference-system, pa-microphone), "
         "signal-level-l|signal-level-r\n"
         "(line, microphone), gain-l|gain-r and output-volume (-12dB to +12dB in steps of 3),\n"
         "eq-l|eq-r (thru, low-boost, low-cut), pa-output (on, off), usb-speed (hi-speed,\n"
         "full-speed; the Tarvik restarts), mic-mute-sync (no-sync, sync-with-pcs)";
}

int ShowSettings(Context& context) {
  DeviceConnection connection(context);
  if (const int code = connection.Open()) return code;
  Snapshot snapshot;
  if (!ReadSnapshot(connection.Session(), &snapshot))
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
    return Fail(context, kExitUsage, "no setting named '" + name + "'; see tarvikctl set --help");
  const Setting* setting = named->setting;
  const int channel = named->channel;
  const std::optional<int> index = ValueIndex(*setting, value);
  if (!index) return Fail(context, kExitUsage, "'" + value + "' is not a value of " + name);

  DeviceConnection connection(context);
  if (const int code = connection.Open()) return code;
  CHidDevCommApp& session = connection.Session();

  if (setting->gate != nullptr) {
    char firmware[5] = {};
    if (!ReadFirmwareVersion(session, firmware))
      return DeviceFailed(context, "reading its firmware version");
    if (!(FeaturesOf(session.productId, ParseFirmwareVersion(firmware)).*setting->gate))
      return Fail(context, kExitFailed,
                  "this Tarvik (firmware " + std::string(firmware) + ") has no " + name);
  }

  if (setting == &SettingOf(SettingId::kMode))
    return SetInputMode(context, session, channel, *index);
  if (setting == &SettingOf(SettingId::kUsbSpeed))
    return SetUsbSpeed(context, connection, static_cast<uint8_t>(*index));
  return setting->write(session, channel, *index) ? kExitOk
                                                  : DeviceFailed(context, "writing " + name);
}

}  // namespace tarvik::ctl
