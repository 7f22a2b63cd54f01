#include "pages/tab_view_usb.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>

#include "app/configurator_app.h"
#include "app/message_boxes.h"
#include "app/window_messages.h"
#include "controls/ui_font.h"
#include "pages/device_features.h"
#include "pages/settings_exchanges.h"

namespace tarvik {
namespace {

constexpr int kHiSpeedId = 1038;
constexpr int kFullSpeedId = 1039;

// Keeps the window painted while the restart wait holds back every other
// message, user input above all.
void PaintOnly() { QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest); }

}  // namespace

CTabViewUsb::CTabViewUsb(CTarvik_ConfiguratorApp& app) : PageFrame(app, 153) {}

void CTabViewUsb::OnInitDialog() {
  MakeLabel(function_, 1040, "FUNCTION", RectLtrb(25, 13, 115, 36), 0x000000);
  MakeLabel(modeLabel_, 1041, "MODE", RectLtrb(139, 49, 189, 72), 0x505050);
  CreateSpeedButton(hiSpeed_, kHiSpeedId, RectLtrb(282, 51, 297, 66));
  CreateSpeedButton(fullSpeed_, kFullSpeedId, RectLtrb(282, 85, 297, 100));
  MakeLabel(hiSpeedLabel_, 1042, SettingOf(SettingId::kUsbSpeed).items[0], RectLtrb(309, 49, 409, 64), 0x000000);
  MakeLabel(fullSpeedLabel_, 1043, SettingOf(SettingId::kUsbSpeed).items[1], RectLtrb(309, 83, 409, 98), 0x000000);

  // The link is fitted to its text, keeping its right and bottom edges.
  const QRect linkRect = RectLtrb(335, 112, 425, 129);
  help_.Create(linkRect, this, 1044);
  help_.SetWindowText(QStringLiteral("ONLINE HELP"));
  help_.format = kDtCenter | kDtSingleLine;
  const QSize text = QFontMetrics(help_.Font()).size(Qt::TextSingleLine, help_.WindowText());
  const int width = text.width() + 4;
  help_.setGeometry(RectLtrb(linkRect.right() + 1 - width, linkRect.bottom() + 1 - text.height(),
                             linkRect.right() + 1, linkRect.bottom() + 1));
  help_.address = QString::fromLatin1(kOnlineManualAddress);

  MakeLabel(muteLabel_, 1048, "MICROPHONE MUTE", RectLtrb(139, 168, 279, 191), 0x505050);
  muteSync_ = CreateList(1049, RectLtrb(282, 165, 419, 188), SettingOf(SettingId::kMicMuteSync).items);
  connect(muteSync_, &QComboBox::activated, this, &CTabViewUsb::OnMuteSyncChange);
  ShowConnectState(false, 0);
}

void CTabViewUsb::CreateSpeedButton(CxCheckButton& button, int id, const QRect& rect) {
  // Only the page decides which of the two is checked.
  button.autoToggle = 0;
  button.font = MakeUiFont();
  button.Create(rect, this, id);
  button.checkedImage.LoadPngResource(151);
  button.uncheckedImage.LoadPngResource(150);
  button.disabledImage.LoadPngResource(152);
}

void CTabViewUsb::SetChecked(CxCheckButton& button, int checked) {
  if (button.checked == checked) return;
  button.checked = checked;
  button.update();
}

void CTabViewUsb::ShowConnectState(bool connected, uint32_t firmware) {
  if (muteSync_ == nullptr) return;
  if (connected) {
    const DeviceFeatures features = FeaturesOf(m_session.productId, firmware);
    if (!features.usbSpeed) return;  // the page stays as it is
    if (features.micMuteSync) {
      muteSync_->setEnabled(true);
      muteSync_->setCurrentIndex(-1);
      muteSync_->show();
      muteLabel_.show();
    }
  } else {
    muteSync_->setEnabled(false);
    muteSync_->setCurrentIndex(-1);
    muteSync_->hide();
    muteLabel_.hide();
  }
  for (CxCheckButton* button : {&hiSpeed_, &fullSpeed_}) {
    button->setEnabled(connected);
    SetChecked(*button, 0);
  }
}

bool CTabViewUsb::SpeedButtonsEnabled() const {
  return muteSync_ != nullptr && hiSpeed_.isEnabled() && fullSpeed_.isEnabled();
}

void CTabViewUsb::ShowUsbSpeed(int value) {
  SetChecked(hiSpeed_, value == 0 ? 1 : 0);
  SetChecked(fullSpeed_, value == 1 ? 1 : 0);
}

bool CTabViewUsb::MuteSyncEnabled() const { return muteSync_ != nullptr && muteSync_->isEnabled(); }

void CTabViewUsb::ShowSettings(const SettingsSnapshot& settings) {
  if (settings.usbSpeed) ShowUsbSpeed(SettingOf(SettingId::kUsbSpeed).index(settings, 0));
  if (settings.muteSync && muteSync_ != nullptr)
    muteSync_->setCurrentIndex(SettingOf(SettingId::kMicMuteSync).index(settings, 0));
}

bool CTabViewUsb::event(QEvent* event) {
  if (event->type() == WM_COMMAND) {
    const auto id = static_cast<int>(static_cast<AppMessage*>(event)->wParam);
    if (id == kHiSpeedId || id == kFullSpeedId) OnUsbSpeedClick(id);
    return true;
  }
  if (event->type() == WM_RESTART_WAIT) {
    OnRestartWait();
    return true;
  }
  return PageFrame::event(event);
}

void CTabViewUsb::OnUsbSpeedClick(int id) {
  const int wasHi = hiSpeed_.checked;
  const int wasFull = fullSpeed_.checked;
  const int value = id == kHiSpeedId ? 0 : 1;
  if ((value == 0 ? wasHi : wasFull) == 1) return;
  ShowUsbSpeed(value);

  const int answer = app_.Boxes().Show(m_mainWindow, app_.m_productName, app_.LoadString(113),
                                       BoxIcon::kWarning, BoxButtons::kOkCancelDefaultCancel);
  if (answer != kAnswerOk) {
    SetChecked(hiSpeed_, wasHi);
    SetChecked(fullSpeed_, wasFull);
    return;
  }
  if (WriteSetting(SettingId::kUsbSpeed, 0, value))
    QCoreApplication::postEvent(this, new AppMessage(WM_RESTART_WAIT));
}

void CTabViewUsb::OnRestartWait() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool gone = RestartAndWait(m_session, &PaintOnly);
  QApplication::restoreOverrideCursor();
  // After a restart the link reports the lost device to the main window.
  if (!gone) ReportCommError();
}

void CTabViewUsb::OnMuteSyncChange(int index) { WriteSetting(SettingId::kMicMuteSync, 0, index); }

}  // namespace tarvik
