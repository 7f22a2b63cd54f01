#include "settings_command.h"

#include <array>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>

#include "app/firmware_version.h"
#include "device_connection.h"
#include "exit_codes.h"
#include "json_text.h"
#include "pages/device_features.h"
#include "pages/gain_steps.h"
#include "pages/settings_exchanges.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

constexpr uint8_t kPaOutputBit = 0x10;
constexpr int kRestartReturnMs = 15000;

constexpr std::array<const char*, 2> kModeWords = {"conference-system", "pa-microphone"};
constexpr std::array<const char*, 2> kLevelWords = {"line", "microphone"};
constexpr std::array<const char*, 3> kEqWords = {"thru", "low-boost", "low-cut"};
constexpr std::array<const char*, 2> kOnOffWords = {"on", "off"};
constexpr std::array<const char*, 2> kSpeedWords = {"hi-speed", "full-speed"};
constexpr std::array<const char*, 2> kMuteSyncWords = {"no-sync", "sync-with-pcs"};

template <std::size_t N>
std::optional<int> WordIndex(const std::array<const char*, N>& words, const std::string& value) {
  for (std::size_t i = 0; i < N; ++i)
    if (SameWord(words[i], value)) return static_cast<int>(i);
  return std::nullopt;
}

// "+3dB", "3dB", "+3" and "3" all name the step of 3 dB.
std::optional<int> GainIndex(std::string value) {
  if (value.size() > 2 && SameWord(value.substr(value.size() - 2), "db")) value.resize(value.size() - 2);
  const std::optional<long long> db = ParseInteger(value, -12, 12);
  if (!db) return std::nullopt;
  const int index = GainStepIndex(static_cast<int>(*db * 256));
  return index >= 0 ? std::optional<int>(index) : std::nullopt;
}

std::string GainText(int16_t gain) {
  const int index = GainStepIndex(gain);
  return index >= 0 ? kGainItems[index] : "custom";
}

struct Snapshot {
  char firmware[5] = {};
  int productId = 0;
  ChannelValues channels[2];
  uint8_t routing = 0;
  uint8_t modeBits = 0;
  int16_t outputGain = 0;
  std::optional<uint8_t> usbSpeed;
  std::optional<uint8_t> muteSync;
  DeviceFeatures features;
};

// Reads in the order the configurator loads a newly connected device.
bool ReadSnapshot(CHidDevCommApp& session, Snapshot* s) {
  if (!ReadFirmwareVersion(session, s->firmware)) return false;
  s->productId = session.productId;
  s->features = FeaturesOf(session.productId, ParseFirmwareVersion(s->firmware));
  if (!ReadChannelValues(session, 0, &s->channels[0]) || !ReadChannelValues(session, 1, &s->channels[1]) ||
      !ReadRoutingFlags(session, &s->routing) || !ReadInputModeBits(session, &s->modeBits) ||
      !ReadOutputGain(session, &s->outputGain))
    return false;
  uint8_t value = 0;
  if (s->features.usbSpeed) {
    if (!ReadUsbSpeed(session, &value)) return false;
    s->usbSpeed = value;
  }
  if (s->features.micMuteSync) {
    if (!ReadMicMuteSync(session, &value)) return false;
    s->muteSync = value;
  }
  return true;
}

nlohmann::json ChannelJson(const Snapshot& s, int channel) {
  const ChannelValues& c = s.channels[channel];
  const int eq = MatchEqPreset(c.bands);
  return {{"mode", kModeWords[(s.modeBits >> channel) & 1]},
          {"signalLevel", kLevelWords[c.level != 0 ? 1 : 0]},
          {"gain", GainText(c.gain)},
          {"gainRaw", c.gain},
          {"eq", eq >= 0 ? kEqWords[eq] : "custom"}};
}

template <std::size_t N>
nlohmann::json OptionalWord(const std::optional<uint8_t>& value, const std::array<const char*, N>& words) {
  if (!value) return nullptr;
  return *value < N ? nlohmann::json(words[*value]) : nlohmann::json("unknown");
}

nlohmann::json SnapshotJson(const Snapshot& s) {
  nlohmann::json paOutput = nullptr;
  if (s.features.paOutput) paOutput = (s.routing & kPaOutputBit) ? "on" : "off";
  return {{"schemaVersion", 1},
          {"device", {{"productId", HexNumber(static_cast<unsigned>(s.productId), 4)}, {"firmware", s.firmware}}},
          {"inputs", {{"L", ChannelJson(s, 0)}, {"R", ChannelJson(s, 1)}}},
          {"paOutputToSpeaker", paOutput},
          {"outputVolume", GainText(s.outputGain)},
          {"outputGainRaw", s.outputGain},
          {"usbSpeed", OptionalWord(s.usbSpeed, kSpeedWords)},
          {"micMuteSync", OptionalWord(s.muteSync, kMuteSyncWords)}};
}

void PrintText(std::ostream& out, const nlohmann::json& j) {
  auto line = [&](const std::string& name, const nlohmann::json& value) {
    const std::string text = value.is_null() ? "(not on this device)" : ValueText(value);
    char padded[32];
    std::snprintf(padded, sizeof padded, "%-22s", name.c_str());
    out << padded << text << '\n';
  };
  line("device", j["device"]["productId"].get<std::string>() + ", firmware " + j["device"]["firmware"].get<std::string>());
  for (const char* ch : {"L", "R"}) {
    const nlohmann::json& c = j["inputs"][ch];
    const std::string prefix = std::string(ch) == "L" ? "l" : "r";
    line("mode-" + prefix, c["mode"]);
    line("signal-level-" + prefix, c["signalLevel"]);
    line("gain-" + prefix, c["gain"]);
    line("eq-" + prefix, c["eq"]);
  }
  line("pa-output", j["paOutputToSpeaker"]);
  line("output-volume", j["outputVolume"]);
  line("usb-speed", j["usbSpeed"]);
  line("mic-mute-sync", j["micMuteSync"]);
}

int DeviceFailed(Context& context, const char* what) {
  return Fail(context, kExitFailed, std::string("the Tarvik did not answer ") + what);
}


int SetInputMode(Context& context, CHidDevCommApp& session, int channel, int mode) {
  uint8_t bits = 0;
  if (!ReadInputModeBits(session, &bits)) return DeviceFailed(context, "reading the input modes");
  int modes[2] = {bits & 1, (bits >> 1) & 1};
  modes[channel] = mode;
  if (session.ApplyInputModes(modes[0], modes[1]) != 1) return DeviceFailed(context, "writing the input modes");
  // Entering PA MICROPHONE, the page reads back what the copy brought in.
  ChannelValues values;
  uint8_t routing = 0;
  if (mode == 1 && (!ReadChannelValues(session, channel, &values) || !ReadRoutingFlags(session, &routing)))
    return DeviceFailed(context, "reading the channel back");
  return kExitOk;
}

int SetUsbSpeed(Context& context, DeviceConnection& connection, uint8_t speed) {
  CHidDevCommApp& session = connection.Session();
  uint8_t current = 0;
  if (!ReadUsbSpeed(session, &current)) return DeviceFailed(context, "reading the USB speed");
  if (current == speed) return kExitOk;
  if (!Confirm(context, "Tarvik will restart if you change this setting.\nAre you sure you want to continue?"))
    return Fail(context, kExitFailed, "not changed");
  if (!WriteUsbSpeed(session, speed)) return DeviceFailed(context, "writing the USB speed");
  if (!RestartAndWait(session, nullptr)) return DeviceFailed(context, "restarting");
  if (const int code = connection.Reopen(kRestartReturnMs)) return code;
  if (!ReadUsbSpeed(connection.Session(), &current)) return DeviceFailed(context, "reading the USB speed");
  if (current != speed) return Fail(context, kExitFailed, "the Tarvik restarted but kept its USB speed");
  return kExitOk;
}

}  // namespace

std::string SettingNamesHelp() {
  return "settings: mode-l|mode-r (conference-system, pa-microphone), signal-level-l|signal-level-r\n"
         "(line, microphone), gain-l|gain-r and output-volume (-12dB to +12dB in steps of 3),\n"
         "eq-l|eq-r (thru, low-boost, low-cut), pa-output (on, off), usb-speed (hi-speed,\n"
         "full-speed; the Tarvik restarts), mic-mute-sync (no-sync, sync-with-pcs)";
}

int ShowSettings(Context& context) {
  DeviceConnection connection(context);
  if (const int code = connection.Open()) return code;
  Snapshot snapshot;
  if (!ReadSnapshot(connection.Session(), &snapshot)) return DeviceFailed(context, "while reading the settings");
  const nlohmann::json j = SnapshotJson(snapshot);
  if (context.json)
    context.out << JsonText(j);
  else
    PrintText(context.out, j);
  return kExitOk;
}

int SetSetting(Context& context, const std::string& name, const std::string& value) {
  // Every name and value is checked before the device is touched.
  auto bad = [&] { return Fail(context, kExitUsage, "'" + value + "' is not a value of " + name); };
  int channel = 0;
  std::string base = name;
  if (name.size() > 2 && (name.ends_with("-l") || name.ends_with("-r"))) {
    channel = name.ends_with("-r") ? 1 : 0;
    base = name.substr(0, name.size() - 2);
  }
  const bool perChannel = base != name;
  std::optional<int> index;
  if (perChannel && base == "mode") index = WordIndex(kModeWords, value);
  else if (perChannel && base == "signal-level") index = WordIndex(kLevelWords, value);
  else if (perChannel && base == "gain") index = GainIndex(value);
  else if (perChannel && base == "eq") index = WordIndex(kEqWords, value);
  else if (name == "output-volume") index = GainIndex(value);
  else if (name == "pa-output") index = WordIndex(kOnOffWords, value);
  else if (name == "usb-speed") index = WordIndex(kSpeedWords, value);
  else if (name == "mic-mute-sync") index = WordIndex(kMuteSyncWords, value);
  else return Fail(context, kExitUsage, "no setting named '" + name + "'; see tarvikctl set --help");
  if (!index) return bad();

  DeviceConnection connection(context);
  if (const int code = connection.Open()) return code;
  CHidDevCommApp& session = connection.Session();

  if (name == "pa-output" || name == "usb-speed" || name == "mic-mute-sync") {
    char firmware[5] = {};
    if (!ReadFirmwareVersion(session, firmware)) return DeviceFailed(context, "reading its firmware version");
    const DeviceFeatures features = FeaturesOf(session.productId, ParseFirmwareVersion(firmware));
    const bool has = name == "pa-output" ? features.paOutput : name == "usb-speed" ? features.usbSpeed
                                                                                    : features.micMuteSync;
    if (!has) return Fail(context, kExitFailed, "this Tarvik (firmware " + std::string(firmware) + ") has no " + name);
  }

  const int i = *index;
  bool ok = true;
  if (base == "mode" && perChannel) return SetInputMode(context, session, channel, i);
  if (base == "signal-level" && perChannel) ok = WriteSignalLevel(session, channel, i != 0);
  else if (base == "gain" && perChannel) ok = WriteChannelGain(session, static_cast<uint8_t>(TARGET_INPUT_L + channel), kGainSteps[i]);
  else if (base == "eq" && perChannel) ok = WriteEqPreset(session, channel, i);
  else if (name == "output-volume") ok = WriteChannelGain(session, TARGET_OUTPUT, kGainSteps[i]);
  else if (name == "pa-output") ok = WritePaOutput(session, i == 0);
  else if (name == "mic-mute-sync") ok = WriteMicMuteSync(session, static_cast<uint8_t>(i));
  else if (name == "usb-speed") return SetUsbSpeed(context, connection, static_cast<uint8_t>(i));
  return ok ? kExitOk : DeviceFailed(context, ("writing " + name).c_str());
}

}  // namespace tarvik::ctl
