// The device settings the window's pages and tarvikctl show and change, each
// declared once: its names, its items with tarvikctl's words for them, the
// feature it needs, which item a value read stands for, and its write.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "settings/device_features.h"
#include "settings/settings_exchanges.h"

namespace tarvik {

// The settings of a connected device as one load reads them.
struct SettingsSnapshot {
  DeviceFeatures features;  // what the reads were chosen by
  ChannelValues channels[2];
  uint8_t routing = 0;
  uint8_t modeBits = 0;
  int16_t outputGain = 0;
  std::optional<uint8_t> usbSpeed;  // read only when the device has the setting
  std::optional<uint8_t> muteSync;  // likewise
};

// What the window loads once it has accepted a device's firmware, in its
// order: channels L and R, routing flags, input modes, output gain, then USB
// speed and mute synchronisation where `features` has them. Stops at the
// first failed exchange, leaving `snapshot` untouched.
bool ReadAll(CHidDevCommApp& session, const DeviceFeatures& features, SettingsSnapshot* snapshot);

// When a setting goes among others written together: the input modes first,
// as entering PA MICROPHONE brings in settings from the second set, then the
// ordinary ones, the USB speed last, as it restarts the device.
enum class WriteOrder { kModes, kOrdinary, kRestarts };

// What a write takes and gives beyond its item; only the input modes use it.
struct WriteArgs {
  // Both channels' modes to write; null reads the other channel's from the
  // device.
  const int* modes = nullptr;
  // Receives, when a channel enters PA MICROPHONE, that channel's values and
  // the routing flags read back after the copy.
  SettingsSnapshot* readBack = nullptr;
};

struct Setting {
  const char* word;   // tarvikctl's name, followed by -l or -r when per channel
  const char* field;  // tarvikctl's JSON field, under inputs.L or R when per channel
  bool perChannel;
  std::span<const char* const> items;  // as the window lists them
  std::span<const char* const> words;  // tarvikctl's values, item by item
  std::span<const int16_t> gains;      // the gain each item stands for; empty when not a gain
  bool DeviceFeatures::*gate;          // the feature it needs; null when every device has it
  const char* unmatched;               // what tarvikctl shows when no item stands for the value
  int (*index)(const SettingsSnapshot& snapshot, int channel);  // the item the value is, or -1
  WriteOrder order;
  // Writes an item the caller has checked: LINK_OK or the failed exchange's
  // code. A kRestarts setting's write is followed by FinishWrite.
  int (*write)(CHidDevCommApp& session, int channel, int index, const WriteArgs& args);
};

// In the order tarvikctl lists them.
enum class SettingId {
  kMode,
  kSignalLevel,
  kGain,
  kEq,
  kPaOutput,
  kOutputVolume,
  kUsbSpeed,
  kMicMuteSync
};
extern const std::array<Setting, 8> kSettings;

inline const Setting& SettingOf(SettingId id) { return kSettings[static_cast<std::size_t>(id)]; }

// The first step of every setting's write: item `index` of `channel`, out of
// range refused with LINK_ERR_NULL_PARAM. LINK_OK or the failed exchange's
// code.
int WriteItem(CHidDevCommApp& session, const Setting& setting, int channel, int index,
              const WriteArgs& args = {});
// The second step, once WriteItem has succeeded: for a kRestarts setting,
// restarts the device and waits for it to go (see RestartAndWait), calling
// `idle` while it waits; nothing for the others. Opening the device again
// once it is back is the caller's.
int FinishWrite(CHidDevCommApp& session, const Setting& setting, void (*idle)());

}  // namespace tarvik
