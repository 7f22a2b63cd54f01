// The connection monitor: watches for the device five times a second,
// connects once it has stayed present for 11 ticks, checks the firmware
// version, loads the device's values, and recovers from failures. It keeps
// whether the device is connected and, once per connection, what it has.
#pragma once

#include <QString>
#include <QTimer>

#include "app/window_host.h"
#include "settings/device_features.h"
#include "settings/settings_table.h"

class QWidget;

namespace tarvik {

// The version characters as the window shows them: up to four, ending at
// the first zero byte, bytes above 0x7F taken as Latin-1.
QString VersionChars(const char* version);

// Where the monitor shows what it found: the main window's caption and pages.
class ConnectionView {
 public:
  // `version` is the four version characters while connected, else null;
  // `features` are the connected device's, none while not connected.
  virtual void ShowConnectState(bool connected, const char* version,
                                const DeviceFeatures& features) = 0;
  virtual void ShowSettings(const SettingsSnapshot& settings) = 0;

 protected:
  ~ConnectionView() = default;
};

class ConnectionMonitor {
 public:
  // `window` owns the monitor's message boxes.
  ConnectionMonitor(WindowHost& host, QWidget& window, ConnectionView& view);
  ConnectionMonitor(const ConnectionMonitor&) = delete;
  ConnectionMonitor& operator=(const ConnectionMonitor&) = delete;

  // Starts the ticks after the start delay; no tick runs earlier.
  void Start();
  void Stop();
  void OnTick();
  // An exchange failed: closes the session, says so, then watches again.
  void HandleCommunicationError();
  // From the receive thread, queued: only the lost link matters.
  void OnDeviceNotify(long long code, long long value);

  bool Running() const { return timer_.isActive(); }
  int PresenceCount() const { return presenceCount_; }
  bool Connected() const { return connected_; }
  const DeviceFeatures& Features() const { return features_; }

 private:
  void ConnectDevice();
  void LoadDeviceSettings();
  // Forgets the connection and shows it gone.
  void Disconnect();

  WindowHost& host_;
  QWidget& window_;
  ConnectionView& view_;
  CHidDevCommApp& session_;
  QTimer timer_;
  int presenceCount_ = 0;
  bool connected_ = false;
  DeviceFeatures features_;
};

}  // namespace tarvik
