// The device exchanges behind every setting the pages show and change, in
// the order the pages make them, for the window and the command-line tool
// alike. Each returns LINK_OK when every exchange succeeded, else the link
// code of the one that failed (LINK_ERR_DEVICE_STATUS: the device refused);
// outputs are left untouched on failure. None reports a failure itself.
// ReadFirmwareVersion only tells success or failure.
#pragma once

#include <cstdint>

#include "link/link_errors.h"
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
int ReadChannelValues(CHidDevCommApp& session, int channel, ChannelValues* values);
int ReadRoutingFlags(CHidDevCommApp& session, uint8_t* flags);
int ReadInputModeBits(CHidDevCommApp& session, uint8_t* modeBits);
int ReadOutputGain(CHidDevCommApp& session, int16_t* gain);
int ReadUsbSpeed(CHidDevCommApp& session, uint8_t* speed);
int ReadMicMuteSync(CHidDevCommApp& session, uint8_t* mode);

int WriteSignalLevel(CHidDevCommApp& session, int channel, bool microphone);
int WriteChannelGain(CHidDevCommApp& session, uint8_t target, int16_t gain);
// Band 0 from the preset, bands 1 to 3 copied from the second set.
int WriteEqPreset(CHidDevCommApp& session, int channel, int preset);
// The routing flag that sends the PA microphone to the speaker.
inline constexpr uint8_t kPaOutputBit = 0x10;
// The second set's routing flags with the PA output bit set or cleared,
// read and written under one hold of the session lock.
int WritePaOutput(CHidDevCommApp& session, bool on);
int WriteMicMuteSync(CHidDevCommApp& session, uint8_t mode);
int WriteUsbSpeed(CHidDevCommApp& session, uint8_t speed);

// Writes both channels' modes with the settings copy ApplyInputModes makes.
int WriteInputModes(CHidDevCommApp& session, int modeL, int modeR);

inline constexpr int kRestartProbeTries = 51;
inline constexpr int kRestartProbeIntervalMs = 100;
// Restarts the device and waits until the interface the session has open
// goes, shows another product ID or has ended the session's link, calling
// `idle` before each 100 ms pause; other devices on the bus do not count.
// The restart request's code, or LINK_ERR_TIMEOUT when nothing changes
// within 51 probes.
int RestartAndWait(CHidDevCommApp& session, void (*idle)());

}  // namespace tarvik
