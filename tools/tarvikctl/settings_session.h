// The device side shared by `show`, `set`, `save` and `apply`: reading every
// setting as the configurator loads a device, and writing one with the
// window's exchanges, the Tarvik's restart included.
#pragma once

#include <string>

#include "ctl_context.h"
#include "link/link_errors.h"
#include "setting_words.h"
#include "settings/settings_table.h"

namespace tarvik::ctl {

class DeviceConnection;

struct Snapshot {
  char firmware[5] = {};
  int productId = 0;
  SettingsSnapshot settings;
};

// Reads in the order the configurator loads a newly connected device: the
// firmware version (once per opening of the connection), then what its
// features allow.
bool ReadSnapshot(DeviceConnection& connection, Snapshot* snapshot);

// As kExitFailed: "the Tarvik refused <what>" when `code` is the device's
// error status, "the Tarvik did not answer <what>" for any other failure.
int DeviceFailed(Context& context, const std::string& what, int code = LINK_ERR_TIMEOUT);

// Asks before a change that restarts the Tarvik; true to go on.
bool ConfirmRestart(Context& context);

// Writes item `index` of `named` with the window's exchanges (WriteItem,
// then FinishWrite); after a setting that restarts the Tarvik, opens
// `connection` again once it is back. The caller has asked before a restart.
int WriteChange(Context& context, DeviceConnection& connection, const NamedSetting& named,
                int index);

}  // namespace tarvik::ctl
