#include "settings/settings_table.h"

#include "settings/eq_presets.h"
#include "settings/gain_steps.h"

namespace tarvik {
namespace {

constexpr const char* kModeItems[2] = {"CONFERENCE SYSTEM", "PA MICROPHONE"};
constexpr const char* kModeWords[2] = {"conference-system", "pa-microphone"};
constexpr const char* kLevelItems[2] = {"LINE", "MICROPHONE"};
constexpr const char* kLevelWords[2] = {"line", "microphone"};
constexpr const char* kEqWords[std::size(kEqItems)] = {"thru", "low-boost", "low-cut"};
constexpr const char* kOnOffItems[2] = {"ON", "OFF"};
constexpr const char* kOnOffWords[2] = {"on", "off"};
constexpr const char* kSpeedItems[2] = {"HI-SPEED", "FULL-SPEED"};
constexpr const char* kSpeedWords[2] = {"hi-speed", "full-speed"};
constexpr const char* kMuteSyncItems[2] = {"NO SYNC", "SYNC WITH PCs"};
constexpr const char* kMuteSyncWords[2] = {"no-sync", "sync-with-pcs"};

}  // namespace

bool ReadAll(CHidDevCommApp& session, const DeviceFeatures& features, SettingsSnapshot* snapshot) {
  SettingsSnapshot read;
  read.features = features;
  if (!ReadChannelValues(session, 0, &read.channels[0]) ||
      !ReadChannelValues(session, 1, &read.channels[1]) ||
      !ReadRoutingFlags(session, &read.routing) || !ReadInputModeBits(session, &read.modeBits) ||
      !ReadOutputGain(session, &read.outputGain))
    return false;
  if (features.usbSpeed && !ReadUsbSpeed(session, &read.usbSpeed.emplace())) return false;
  if (features.micMuteSync && !ReadMicMuteSync(session, &read.muteSync.emplace())) return false;
  *snapshot = read;
  return true;
}

// Word, JSON field, per channel, items, words, gains, gate, unmatched, index, write.
const std::array<Setting, 8> kSettings = {{
    {"mode",
     "mode",
     true,
     kModeItems,
     kModeWords,
     {},
     nullptr,
     nullptr,
     [](const SettingsSnapshot& s, int channel) { return (s.modeBits >> channel) & 1; },
     nullptr},
    {"signal-level",
     "signalLevel",
     true,
     kLevelItems,
     kLevelWords,
     {},
     nullptr,
     nullptr,
     [](const SettingsSnapshot& s, int channel) { return s.channels[channel].level != 0 ? 1 : 0; },
     [](CHidDevCommApp& session, int channel, int index) {
       return WriteSignalLevel(session, channel, index != 0);
     }},
    {"gain", "gain", true, kGainItems, kGainItems, kGainSteps, nullptr, "custom",
     [](const SettingsSnapshot& s, int channel) { return GainStepIndex(s.channels[channel].gain); },
     [](CHidDevCommApp& session, int channel, int index) {
       return WriteChannelGain(session, InputTarget(channel), kGainSteps[index]);
     }},
    {"eq",
     "eq",
     true,
     kEqItems,
     kEqWords,
     {},
     nullptr,
     "custom",
     [](const SettingsSnapshot& s, int channel) {
       return MatchEqPreset(s.channels[channel].bands);
     },
     [](CHidDevCommApp& session, int channel, int index) {
       return WriteEqPreset(session, channel, index);
     }},
    {"pa-output",
     "paOutputToSpeaker",
     false,
     kOnOffItems,
     kOnOffWords,
     {},
     &DeviceFeatures::paOutput,
     nullptr,
     [](const SettingsSnapshot& s, int) { return (s.routing & kPaOutputBit) ? 0 : 1; },
     [](CHidDevCommApp& session, int, int index) { return WritePaOutput(session, index == 0); }},
    {"output-volume", "outputVolume", false, kGainItems, kGainItems, kGainSteps, nullptr, "custom",
     [](const SettingsSnapshot& s, int) { return GainStepIndex(s.outputGain); },
     [](CHidDevCommApp& session, int, int index) {
       return WriteChannelGain(session, TARGET_OUTPUT, kGainSteps[index]);
     }},
    {"usb-speed",
     "usbSpeed",
     false,
     kSpeedItems,
     kSpeedWords,
     {},
     &DeviceFeatures::usbSpeed,
     "unknown",
     [](const SettingsSnapshot& s, int) {
       return s.usbSpeed && *s.usbSpeed < 2 ? *s.usbSpeed : -1;
     },
     [](CHidDevCommApp& session, int, int index) {
       return WriteUsbSpeed(session, static_cast<uint8_t>(index));
     }},
    {"mic-mute-sync",
     "micMuteSync",
     false,
     kMuteSyncItems,
     kMuteSyncWords,
     {},
     &DeviceFeatures::micMuteSync,
     "unknown",
     [](const SettingsSnapshot& s, int) {
       return s.muteSync && *s.muteSync < 2 ? *s.muteSync : -1;
     },
     [](CHidDevCommApp& session, int, int index) {
       return WriteMicMuteSync(session, static_cast<uint8_t>(index));
     }},
}};

}  // namespace tarvik
