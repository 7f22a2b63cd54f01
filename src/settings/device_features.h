// Which settings a connected Tarvik has, by the product ID it was opened
// under and its firmware version (the packed form, its letter ignored).
#pragma once

#include <cstdint>

#include "session/hid_dev_comm_app.h"

namespace tarvik {

struct DeviceFeatures {
  bool paOutput = false;     // PA MICROPHONE SOUND OUTPUT TO SPEAKER
  bool usbSpeed = false;     // HI-SPEED / FULL-SPEED
  bool micMuteSync = false;  // MICROPHONE MUTE synchronisation
};

inline DeviceFeatures FeaturesOf(int productId, uint32_t packedFirmware) {
  const uint32_t version = packedFirmware & ~0xFFu;
  DeviceFeatures features;
  features.paOutput = version >= 0x02000800u || productId == kExemptProductId;
  if (productId == kExemptProductId) {
    features.usbSpeed = true;
  } else if (productId != kProductIdNoUsbSpeed && version >= 0x02000300u) {
    features.usbSpeed = true;
    features.micMuteSync = version >= 0x03000000u;
  }
  return features;
}

}  // namespace tarvik
