// The device exchanges behind every setting the pages show and change, in
// the order the pages make them, for the window and the command-line tool
// alike. Each returns true when every exchange succeeded; outputs are left
// untouched on failure. None reports a failure itself.
#pragma once

#include <cstdint>

#include "session/hid_dev_comm_app.h"
#include "settings/eq_presets.h"

namespace tarvik {

// The device's target for input channel 0 (L) or 1 (R).
inline uint8_t InputTarget(int channel) { return static_cast<uint8_t>(TARGET_INPUT_L + channel); }

struct ChannelValues {
  int16_t gain = 0;
  FilterBandValues bands[4];
  uint8_t level = 0;
};

// The four version characters of the firmware, zero-terminated.
bool ReadFirmwareVersion(CHidDevCommApp& session, char (&version)[5]);
// Gain, filter bands 0 to 3 and signal level of input channel 0 (L) or 1 (R).
bool ReadChannelValues(CHidDevCommApp& session, int channel, ChannelValues* values);
bool ReadRoutingFlags(CHidDevCommApp& session, uint8_t* flags);
bool ReadInputModeBits(CHidDevCommApp& session, uint8_t* modeBits);
bool ReadOutputGain(CHidDevCommApp& session, int16_t* gain);
bool ReadUsbSpeed(CHidDevCommApp& session, uint8_t* speed);
bool ReadMicMuteSync(CHidDevCommApp& session, uint8_t* mode);

bool WriteSignalLevel(CHidDevCommApp& session, int channel, bool microphone);
bool WriteChannelGain(CHidDevCommApp& session, uint8_t target, int16_t gain);
// Band 0 from the preset, bands 1 to 3 copied from the second set.
bool WriteEqPreset(CHidDevCommApp& session, int channel, int preset);
// The routing flag that sends the PA microphone to the speaker.
inline constexpr uint8_t kPaOutputBit = 0x10;
// The second set's routing flags with the PA output bit set or cleared,
// read and written under one hold of the session lock.
bool WritePaOutput(CHidDevCommApp& session, bool on);
bool WriteMicMuteSync(CHidDevCommApp& session, uint8_t mode);
bool WriteUsbSpeed(CHidDevCommApp& session, uint8_t speed);

inline constexpr int kRestartProbeTries = 51;
inline constexpr int kRestartProbeIntervalMs = 100;
// Restarts the device and waits until the presence probe sees a change,
// calling `idle` before each 100 ms pause; false when the restart request
// fails or nothing changes within 51 probes.
bool RestartAndWait(CHidDevCommApp& session, void (*idle)());

}  // namespace tarvik
