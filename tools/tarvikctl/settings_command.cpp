#include "settings_command.h"

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>

#include "app/firmware_version.h"
#include "device_connection.h"
#include "exit_codes.h"
#include "json_text.h"
#include "pages/settings_table.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

constexpr int kRestartReturnMs = 15000;
constexpr const char* kChannelKeys[2] = {"L", "R"};
constexpr const char* kChannelSuffixes[2] = {"-l", "-r"};

std::optional<int> WordIndex(std::span<const char* const> words, const std::string& value) {
  for (std::size_t i = 0; i < words.size(); ++i)
    if (SameWord(words[i], value)) return static_cast<int>(i);
  return std::nullopt;
}

// "+3dB", "3dB", "+3" and "3" all name the step of 3 dB.
std::optional<int> GainIndex(std::span<const int16_t> gains, std::string value) {
  if (value.size() > 2 && SameWord(value.substr(value.size() - 2), "db"))
    value.resize(value.size() - 2);
  const std::optional<long long> db = ParseInteger(value, gains.front() / 256, gains.back() / 256);
  if (!db) return std::nullopt;
  for (std::size_t i = 0; i < gains.size(); ++i)
    if (gains[i] == *db * 256) return static_cast<int>(i);
  return std::nullopt;
}

struct Snapshot {
  char firmware[5] = {};
  int productId = 0;
  SettingsSnapshot settings;
};

// Reads in the order the configurator loads a newly connected device.
bool ReadSnapshot(CHidDevCommApp& session, Snapshot* s) {
  if (!ReadFirmwareVersion(session, s->firmware)) return false;
  s->productId = session.productId;
  return ReadAll(session, FeaturesOf(session.productId, ParseFirmwareVersion(s->firmware)),
                 &s->settings);
}

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
  for (int channel = 0; channel < 2; ++channel)
    for (const Setting& setting : kSettings)
      if (setting.perChannel)
        line(setting.word + std::string(kChannelSuffixes[channel]),
             j["inputs"][kChannelKeys[channel]][setting.field]);
  for (const Setting& setting : kSettings)
    if (!setting.perChannel) line(setting.word, j[setting.field]);
}

int DeviceFailed(Context& context, const char* what) {
  return Fail(context, kExitFailed, std::string("the Tarvik did not answer ") + what);
}

int SetInputMode(Context& context, CHidDevCommApp& session, int channel, int mode) {
  SettingsSnapshot read;
  if (!ReadInputModeBits(session, &read.modeBits))
    return DeviceFailed(context, "reading the input modes");
  int modes[2] = {SettingOf(SettingId::kMode).index(read, 0),
                  SettingOf(SettingId::kMode).index(read, 1)};
  modes[channel] = mode;
  if (session.ApplyInputModes(modes[0], modes[1]) != 1)
    return DeviceFailed(context, "writing the input modes");
  // Entering PA MICROPHONE, the page reads back what the copy brought in.
  if (mode == 1 && (!ReadChannelValues(session, channel, &read.channels[channel]) ||
                    !ReadRoutingFlags(session, &read.routing)))
    return DeviceFailed(context, "reading the channel back");
  return kExitOk;
}

int SetUsbSpeed(Context& context, DeviceConnection& connection, uint8_t speed) {
  CHidDevCommApp& session = connection.Session();
  uint8_t current = 0;
  if (!ReadUsbSpeed(session, &current)) return DeviceFailed(context, "reading the USB speed");
  if (current == speed) return kExitOk;
  if (!Confirm(
          context,
          "Tarvik will restart if you change this setting.\nAre you sure you want to continue?"))
    return Fail(context, kExitFailed, "not changed");
  if (!SettingOf(SettingId::kUsbSpeed).write(session, 0, speed))
    return DeviceFailed(context, "writing the USB speed");
  if (!RestartAndWait(session, nullptr)) return DeviceFailed(context, "restarting");
  if (const int code = connection.Reopen(kRestartReturnMs)) return code;
  if (!ReadUsbSpeed(connection.Session(), &current))
    return DeviceFailed(context, "reading the USB speed");
  if (current != speed)
    return Fail(context, kExitFailed, "the Tarvik restarted but kept its USB speed");
  return kExitOk;
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
  const Setting* setting = nullptr;
  int channel = 0;
  for (const Setting& candidate : kSettings)
    for (int c = 0; c < (candidate.perChannel ? 2 : 1); ++c)
      if (name == candidate.word + std::string(candidate.perChannel ? kChannelSuffixes[c] : "")) {
        setting = &candidate;
        channel = c;
      }
  if (setting == nullptr)
    return Fail(context, kExitUsage, "no setting named '" + name + "'; see tarvikctl set --help");
  const std::optional<int> index =
      setting->gains.empty() ? WordIndex(setting->words, value) : GainIndex(setting->gains, value);
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
  return setting->write(session, channel, *index)
             ? kExitOk
             : DeviceFailed(context, ("writing " + name).c_str());
}

}  // namespace tarvik::ctl
