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

// Writes channel `channel`'s mode with the other's as given or as the device
// has it, and entering PA MICROPHONE reads back what the copy brought in.
int WriteMode(CHidDevCommApp& session, int channel, int index, const WriteArgs& args) {
  int modes[2] = {};
  if (args.modes != nullptr) {
    modes[0] = args.modes[0];
    modes[1] = args.modes[1];
  } else {
    uint8_t bits = 0;
    if (const int code = ReadInputModeBits(session, &bits)) return code;
    modes[0] = bits & 1;
    modes[1] = (bits >> 1) & 1;
  }
  modes[channel] = index;
  if (const int code = WriteInputModes(session, modes[0], modes[1])) return code;
  if (index != 1) return LINK_OK;
  SettingsSnapshot read;
  if (const int code = ReadChannelValues(session, channel, &read.channels[channel])) return code;
  if (const int code = ReadRoutingFlags(session, &read.routing)) return code;
  if (args.readBack != nullptr) *args.readBack = read;
  return LINK_OK;
}

}  // namespace

int WriteItem(CHidDevCommApp& session, const Setting& setting, int channel, int index,
              const WriteArgs& args) {
  if (channel < 0 || channel > (setting.perChannel ? 1 : 0) || index < 0 ||
      index >= static_cast<int>(setting.items.size()))
    return LINK_ERR_NULL_PARAM;
  return setting.write(session, channel, index, args);
}

int FinishWrite(CHidDevCommApp& session, const Setting& setting, void (*idle)()) {
  return setting.order == WriteOrder::kRestarts ? RestartAndWait(session, idle) : LINK_OK;
}

bool ReadAll(CHidDevCommApp& session, const DeviceFeatures& features, SettingsSnapshot* snapshot) {
  SettingsSnapshot read;
  read.features = features;
  if (ReadChannelValues(session, 0, &read.channels[0]) != LINK_OK ||
      ReadChannelValues(session, 1, &read.channels[1]) != LINK_OK ||
      ReadRoutingFlags(session, &read.routing) != LINK_OK ||
      ReadInputModeBits(session, &read.modeBits) != LINK_OK ||
      ReadOutputGain(session, &read.outputGain) != LINK_OK)
    return false;
  if (features.usbSpeed && ReadUsbSpeed(session, &read.usbSpeed.emplace()) != LINK_OK) return false;
  if (features.micMuteSync && ReadMicMuteSync(session, &read.muteSync.emplace()) != LINK_OK)
    return false;
  *snapshot = read;
  return true;
}

// Word, JSON field, per channel, items, words, gains, gate, unmatched, index, order, write.
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
     WriteOrder::kModes,
     WriteMode},
    {"signal-level",
     "signalLevel",
     true,
     kLevelItems,
     kLevelWords,
     {},
     nullptr,
     nullptr,
     [](const SettingsSnapshot& s, int channel) { return s.channels[channel].level != 0 ? 1 : 0; },
     WriteOrder::kOrdinary,
     [](CHidDevCommApp& session, int channel, int index, const WriteArgs&) {
       return WriteSignalLevel(session, channel, index != 0);
     }},
    {"gain", "gain", true, kGainItems, kGainItems, kGainSteps, nullptr, "custom",
     [](const SettingsSnapshot& s, int channel) { return GainStepIndex(s.channels[channel].gain); },
     WriteOrder::kOrdinary,
     [](CHidDevCommApp& session, int channel, int index, const WriteArgs&) {
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
     WriteOrder::kOrdinary,
     [](CHidDevCommApp& session, int channel, int index, const WriteArgs&) {
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
     WriteOrder::kOrdinary,
     [](CHidDevCommApp& session, int, int index, const WriteArgs&) {
       return WritePaOutput(session, index == 0);
     }},
    {"output-volume", "outputVolume", false, kGainItems, kGainItems, kGainSteps, nullptr, "custom",
     [](const SettingsSnapshot& s, int) { return GainStepIndex(s.outputGain); },
     WriteOrder::kOrdinary,
     [](CHidDevCommApp& session, int, int index, const WriteArgs&) {
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
     WriteOrder::kRestarts,
     [](CHidDevCommApp& session, int, int index, const WriteArgs&) {
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
     WriteOrder::kOrdinary,
     [](CHidDevCommApp& session, int, int index, const WriteArgs&) {
       return WriteMicMuteSync(session, static_cast<uint8_t>(index));
     }},
}};

}  // namespace tarvik
