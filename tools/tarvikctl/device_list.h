// The Tarviks attached now, in the order a session picks among them, and the
// selectors a user names one of them by.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/hid_backend.h"

namespace tarvik::ctl {

struct AttachedDevice {
  int index = -1;        // position in the list
  std::string id;        // the backend's interface id
  std::string node;      // the path a user knows it by (/dev/hidrawN)
  std::string topology;  // USB bus-port chain; empty when the system does not tell
  uint16_t productId = 0;
  bool accessible = false;  // this user may open it
};

// Every interface with the Tarvik's vendor ID: first by the product IDs in
// the order a session tries them, then the restarting one, then any other;
// in the system's order within each.
std::vector<AttachedDevice> ListAttached(HidBackend& backend);

// The device `selector` names: its index in the list, its interface id or
// node path, or its topology path. Null when none matches.
const AttachedDevice* FindSelected(const std::vector<AttachedDevice>& devices,
                                   const std::string& selector);

// The selector that names `device` again after a restart: its topology path
// where known, else its interface id.
std::string StableSelector(const AttachedDevice& device);

// "1-4.2 (/dev/hidraw3)", for messages.
std::string DeviceName(const AttachedDevice& device);

}  // namespace tarvik::ctl
