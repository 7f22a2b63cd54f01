// Opens the Tarvik for one tarvikctl command: takes the per-session lock the
// configurator also takes, picks the hardware or the stand-in device, adds
// the report trace when asked, and opens the device session. Failures come
// back as the exit code of their kind, already explained on the error stream.
#pragma once

#include <memory>
#include <string>

#include "ctl_context.h"
#include "device_list.h"
#include "session/hid_dev_comm_app.h"
#include "settings/device_features.h"
#include "system/single_instance_lock.h"

namespace tarvik::ctl {

class SelectedBackend;
class TraceBackend;

// The bus tarvikctl looks for Tarviks on: the stand-ins with --simulate,
// else the system's.
HidBackend& BusOf(const Context& context);

// The command that installs the udev rule that lets the logged-in user open
// the Tarvik, for every product ID it shows.
extern const std::string kUdevRuleFix;
// Why a command stops when it cannot be sure it is alone with the Tarvik.
extern const char* const kLockUnavailable;

// Whether tarvikctl may talk to the Tarvik after taking the lock: when it
// holds the lock, or when no lock could be taken and --force was given.
bool MayTalkToDevice(const Context& context, SingleInstanceLock::Result locked);

// Takes the lock for a run that talks to a Tarvik; 0, or an exit code
// already explained.
int TakeLock(Context& context, SingleInstanceLock& lock);

class DeviceConnection {
 public:
  // Takes the lock unless the run holds it already.
  explicit DeviceConnection(Context& context);
  ~DeviceConnection();

  // 0 when the session is open; otherwise an exit code.
  int Open();
  // Closes the session and opens it again once the device is back (after a
  // restart); waits up to `timeoutMs`.
  int Reopen(int timeoutMs);
  // Reads the firmware version once per opening of the session and works out
  // the device's features from it and the product ID; false when the device
  // did not answer.
  bool ReadFirmware();
  // What ReadFirmware found.
  const char* Firmware() const { return firmware_; }
  const DeviceFeatures& Features() const { return features_; }

  CHidDevCommApp& Session() { return *session_; }
  HidBackend& Backend() { return *backend_; }

 private:
  int Explain(Presence probe);
  // Narrows the bus to the device the run listed (--all) or --device names;
  // without either, tells which of several Tarviks a changing command acts
  // on. 0 or an exit code.
  int Choose(HidBackend& bus);
  // Narrows the bus to `device`; 0.
  int Select(HidBackend& bus, const AttachedDevice& device);

  Context& context_;
  SingleInstanceLock lock_;
  std::unique_ptr<SelectedBackend> selected_;
  std::unique_ptr<TraceBackend> trace_;
  HidBackend* backend_ = nullptr;
  std::unique_ptr<CHidDevCommApp> session_;
  bool firmwareRead_ = false;
  char firmware_[5] = {};
  DeviceFeatures features_;
};

}  // namespace tarvik::ctl
