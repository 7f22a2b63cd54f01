// The main window's connection monitor: watches for the device five times a
// second, connects once it has stayed present for 11 ticks, checks the
// firmware version, loads the pages' values, and recovers from failures.
#include <QTimer>
#include <cstring>  // strnlen

#include "app/configurator_app.h"
#include "app/configurator_dlg.h"
#include "settings/firmware_version.h"
#include "settings/settings_table.h"

namespace tarvik {
namespace {

constexpr int kMonitorPeriodMs = 200;
constexpr int kStartDelayMs = 300;
constexpr int kPresenceThreshold = 10;
constexpr int kRefusedQuitCode = 2;

// The version characters as the window shows them: up to four, ending at
// the first zero byte, bytes above 0x7F taken as Latin-1.
QString VersionChars(const char* version) {
  return QString::fromLatin1(version, static_cast<qsizetype>(strnlen(version, 4)));
}

}  // namespace

int CTarvik_ConfiguratorDlg::OnStartMonitor() {
  // No tick may run before the start delay has passed.
  QTimer::singleShot(kStartDelayMs, this, [this] { m_connectTimer.start(kMonitorPeriodMs); });
  return 1;
}

void CTarvik_ConfiguratorDlg::OnMonitorTick() {
  if (m_session->connected) return;
  if (ProbeDevice(m_session->Backend()) == Presence::kPresent) {
    if (++m_presenceCount > kPresenceThreshold) {
      ConnectDevice();
      m_presenceCount = 0;
    }
  } else {
    m_presenceCount = 0;
  }
}

void CTarvik_ConfiguratorDlg::ConnectDevice() {
  if (!m_session->Open()) return;
  m_session->connected = true;

  char version[5] = {};
  if (!ReadFirmwareVersion(*m_session, version)) {
    HandleCommunicationError();
    return;
  }

  const bool exempt = m_session->isOpen && m_session->productId == kExemptProductId;
  if (FirmwareAccepted(version, exempt)) {
    SetConnectionState(true, version);
    LoadDeviceSettings(FeaturesOf(m_session->productId, ParseFirmwareVersion(version)));
    return;
  }

  const QString text = app_.LoadText(kTextUpdateFirmware) +
                       QString::fromLatin1(kMinFirmwareVersion) + app_.LoadText(kTextOrHigher) +
                       QStringLiteral("\n\n") + app_.LoadText(kTextCurrentVersion) +
                       QStringLiteral(" Ver.") + VersionChars(version);
  m_connectTimer.stop();
  app_.ShowMessageBox(this, text, BoxIcon::kInformation, BoxButtons::kOk);
  app_.RequestQuit(kRefusedQuitCode);
}

void CTarvik_ConfiguratorDlg::SetConnectionState(bool connected, const char* version) {
  QString caption = app_.m_productName;
  if (connected && version != nullptr)
    caption += QStringLiteral("   [Connected  Ver.") + VersionChars(version) + QStringLiteral("]");
  else
    caption += QStringLiteral("   [Not connected]");
  setWindowTitle(caption);

  const uint32_t firmware = ParseFirmwareVersion(version);
  m_audioInPage.ShowConnectState(connected, firmware);
  m_audioOutPage.ShowConnectState(connected, firmware);
  m_usbPage.ShowConnectState(connected, firmware);
}

void CTarvik_ConfiguratorDlg::LoadDeviceSettings(const DeviceFeatures& features) {
  SettingsSnapshot settings;
  if (!ReadAll(*m_session, features, &settings)) {
    HandleCommunicationError();
    return;
  }
  m_audioInPage.ShowSettings(settings);
  m_audioOutPage.ShowSettings(settings);
  m_usbPage.ShowSettings(settings);
}

void CTarvik_ConfiguratorDlg::HandleCommunicationError() {
  m_connectTimer.stop();
  m_session->connected = false;
  m_session->Close();
  m_presenceCount = 0;
  SetConnectionState(false, nullptr);
  app_.ShowMessageBox(this, app_.LoadText(kTextCannotCommunicate), BoxIcon::kWarning,
                      BoxButtons::kOk);
  m_connectTimer.start(kMonitorPeriodMs);
}

int CTarvik_ConfiguratorDlg::OnCommError() {
  HandleCommunicationError();
  return 1;
}

int CTarvik_ConfiguratorDlg::OnDeviceNotify(long long code, long long) {
  if (code != NOTIFY_LINK_LOST) return 0;
  m_session->connected = false;
  m_session->Close();
  m_presenceCount = 0;
  SetConnectionState(false, nullptr);
  return 0;
}

}  // namespace tarvik
