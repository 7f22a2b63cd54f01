// The device side shared by `show`, `set`, `save` and `apply`: reading every
// setting as the configurator loads a device, and the two writes that are
// more than one exchange (the input modes and the USB speed).
#pragma once

#include <cstdint>
#include <string>

#include "ctl_context.h"
#include "session/hid_dev_comm_app.h"
#include "settings/settings_table.h"

namespace tarvik::ctl {

class DeviceConnection;

struct Snapshot {
  char firmware[5] = {};
  int productId = 0;
  SettingsSnapshot settings;
};

// Reads in the order the configurator loads a newly connected device.
bool ReadSnapshot(CHidDevCommApp& session, Snapshot* snapshot);

// "the Tarvik did not answer <what>", as kExitFailed.
int DeviceFailed(Context& context, const std::string& what);

// Sets one channel's input mode (0 conference system, 1 PA microphone) with
// the settings copy the window makes, then, entering PA MICROPHONE, reads
// back what the copy brought in as the page does.
int SetInputMode(Context& context, CHidDevCommApp& session, int channel, int mode);

// Asks before a change that restarts the Tarvik; true to go on.
bool ConfirmRestart(Context& context);
// Writes the USB speed, restarts the Tarvik, reopens `connection` once it
// is back and checks the speed took. The caller has asked first.
int RestartAtUsbSpeed(Context& context, DeviceConnection& connection, uint8_t speed);
// The same after reading the speed (nothing to do when it is already so)
// and asking.
int SetUsbSpeed(Context& context, DeviceConnection& connection, uint8_t speed);

}  // namespace tarvik::ctl
