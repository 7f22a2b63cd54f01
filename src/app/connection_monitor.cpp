#include "app/connection_monitor.h"

#include <cstring>  // strnlen

#include "settings/firmware_version.h"
#include "settings/settings_exchanges.h"

namespace tarvik {
namespace {

constexpr int kMonitorPeriodMs = 200;
constexpr int kStartDelayMs = 300;
constexpr int kPresenceThreshold = 10;
constexpr int kRefusedQuitCode = 2;

}  // namespace

QString VersionChars(const char* version) {
  return QString::fromLatin1(version, static_cast<qsizetype>(strnlen(version, 4)));
}

ConnectionMonitor::ConnectionMonitor(WindowHost& host, QWidget& window, ConnectionView& view)
    : host_(host), window_(window), view_(view), session_(host.Session()) {
  timer_.setInterval(kMonitorPeriodMs);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { OnTick(); });
}

void ConnectionMonitor::Start() {
  QTimer::singleShot(kStartDelayMs, &timer_, [this] { timer_.start(kMonitorPeriodMs); });
}

void ConnectionMonitor::Stop() { timer_.stop(); }

void ConnectionMonitor::OnTick() {
  if (connected_) return;
  if (ProbeDevice(session_.Backend()) == Presence::kPresent) {
    if (++presenceCount_ > kPresenceThreshold) {
      ConnectDevice();
      presenceCount_ = 0;
    }
  } else {
    presenceCount_ = 0;
  }
}

void ConnectionMonitor::ConnectDevice() {
  if (!session_.Open()) return;
  connected_ = true;

  char version[5] = {};
  if (!ReadFirmwareVersion(session_, version)) {
    HandleCommunicationError();
    return;
  }

  const bool exempt = session_.isOpen && session_.productId == kExemptProductId;
  if (FirmwareAccepted(version, exempt)) {
    features_ = FeaturesOf(session_.productId, ParseFirmwareVersion(version));
    view_.ShowConnectState(true, version, features_);
    LoadDeviceSettings();
    return;
  }

  const QString text = host_.LoadText(kTextUpdateFirmware) +
                       QString::fromLatin1(kMinFirmwareVersion) + host_.LoadText(kTextOrHigher) +
                       QStringLiteral("\n\n") + host_.LoadText(kTextCurrentVersion) +
                       QStringLiteral(" Ver.") + VersionChars(version);
  timer_.stop();
  host_.ShowMessageBox(&window_, text, BoxIcon::kInformation, BoxButtons::kOk);
  host_.RequestQuit(kRefusedQuitCode);
}

void ConnectionMonitor::LoadDeviceSettings() {
  SettingsSnapshot settings;
  if (!ReadAll(session_, features_, &settings)) {
    HandleCommunicationError();
    return;
  }
  view_.ShowSettings(settings);
}

void ConnectionMonitor::Disconnect() {
  connected_ = false;
  features_ = DeviceFeatures{};
  session_.Close();
  presenceCount_ = 0;
  view_.ShowConnectState(false, nullptr, features_);
}

void ConnectionMonitor::HandleCommunicationError() {
  timer_.stop();
  Disconnect();
  host_.ShowMessageBox(&window_, host_.LoadText(kTextCannotCommunicate), BoxIcon::kWarning,
                       BoxButtons::kOk);
  timer_.start(kMonitorPeriodMs);
}

void ConnectionMonitor::OnDeviceNotify(long long code, long long) {
  if (code == NOTIFY_LINK_LOST) Disconnect();
}

}  // namespace tarvik
