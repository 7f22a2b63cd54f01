#include "pages/tab_view_usb.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>

#include "controls/ui_font.h"

namespace tarvik {
namespace {

// Keeps the window painted while the restart wait holds back every other
// message, user input above all.
void PaintOnly() { QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest); }

}  // namespace

CTabViewUsb::CTabViewUsb(PageHost& host) : PageFrame(host, kPngUsbPage) {
  setObjectName(QStringLiteral("usbPage"));
}

void CTabViewUsb::OnInitDialog() {
  MakeLabel(function_, kFunction, QStringLiteral("function"), "FUNCTION", RectLtrb(25, 13, 115, 36),
            0x000000);
  MakeLabel(modeLabel_, kModeLabel, QStringLiteral("modeLabel"), "MODE", RectLtrb(139, 49, 189, 72),
            0x505050);
  CreateSpeedButton(hiSpeed_, kHiSpeed, QStringLiteral("hiSpeed"), RectLtrb(282, 51, 297, 66));
  CreateSpeedButton(fullSpeed_, kFullSpeed, QStringLiteral("fullSpeed"),
                    RectLtrb(282, 85, 297, 100));
  MakeLabel(hiSpeedLabel_, kHiSpeedLabel, QStringLiteral("hiSpeedLabel"),
            SettingOf(SettingId::kUsbSpeed).items[0], RectLtrb(309, 49, 409, 64), 0x000000);
  MakeLabel(fullSpeedLabel_, kFullSpeedLabel, QStringLiteral("fullSpeedLabel"),
            SettingOf(SettingId::kUsbSpeed).items[1], RectLtrb(309, 83, 409, 98), 0x000000);
  // The buttons are spoken as the captions beside them.
  hiSpeed_.setAccessibleName(hiSpeedLabel_.Text());
  fullSpeed_.setAccessibleName(fullSpeedLabel_.Text());

  // Fitted to its text when the page is first shown.
  help_.setObjectName(QStringLiteral("help"));
  help_.Create(RectLtrb(335, 112, 425, 129), this, kHelp);
  help_.SetText(QStringLiteral("ONLINE HELP"));
  help_.format = kDtCenter | kDtSingleLine;
  help_.address = QString::fromLatin1(kOnlineManualAddress);

  MakeLabel(muteLabel_, kMuteSyncLabel, QStringLiteral("muteSyncLabel"), "MICROPHONE MUTE",
            RectLtrb(139, 168, 279, 191), 0x505050);
  muteSync_ = CreateList(kMuteSync, QStringLiteral("muteSync"), RectLtrb(282, 165, 419, 188),
                         SettingOf(SettingId::kMicMuteSync).items, muteLabel_.Text());
  connect(muteSync_, &QComboBox::activated, this, &CTabViewUsb::OnMuteSyncChange);
  ShowConnectState(false, DeviceFeatures{});
}

// Measuring the text loads the font database, which the window's first
// paint does not otherwise wait for while this page is hidden.
void CTabViewUsb::showEvent(QShowEvent* event) {
  if (!helpFitted_) {
    helpFitted_ = true;
    // The link keeps its right and bottom edges.
    const QRect area = help_.geometry();
    const QSize text = QFontMetrics(help_.Font()).size(Qt::TextSingleLine, help_.Text());
    const int width = text.width() + 4;
    help_.setGeometry(RectLtrb(area.right() + 1 - width, area.bottom() + 1 - text.height(),
                               area.right() + 1, area.bottom() + 1));
  }
  PageFrame::showEvent(event);
}

void CTabViewUsb::CreateSpeedButton(CxCheckButton& button, int id, const QString& name,
                                    const QRect& rect) {
  // Only the page decides which of the two is checked.
  button.autoToggle = false;
  button.exclusive = true;
  button.font = MakeUiFont();
  button.setObjectName(name);
  button.Create(rect, this, id);
  button.checkedImage.LoadPngResource(kPngSpeedChecked);
  button.uncheckedImage.LoadPngResource(kPngSpeedUnchecked);
  button.disabledImage.LoadPngResource(kPngSpeedDisabled);
  // Answered once the button has finished with the click: the answer may
  // ask a question, which runs an event loop of its own.
  connect(&button, &CxCheckButton::Clicked, this, &CTabViewUsb::OnUsbSpeedClick,
          Qt::QueuedConnection);
}

void CTabViewUsb::ShowConnectState(bool connected, const DeviceFeatures& features) {
  if (muteSync_ == nullptr) return;
  if (connected) {
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
    button->setChecked(false);
  }
}

void CTabViewUsb::ShowUsbSpeed(int value) {
  hiSpeed_.setChecked(value == 0);
  fullSpeed_.setChecked(value == 1);
}

void CTabViewUsb::ShowSettings(const SettingsSnapshot& settings) {
  if (settings.usbSpeed) ShowUsbSpeed(SettingOf(SettingId::kUsbSpeed).index(settings, 0));
  if (settings.muteSync && muteSync_ != nullptr)
    muteSync_->setCurrentIndex(SettingOf(SettingId::kMicMuteSync).index(settings, 0));
}

void CTabViewUsb::OnUsbSpeedClick(int id) {
  const bool wasHi = hiSpeed_.isChecked();
  const bool wasFull = fullSpeed_.isChecked();
  const int value = id == kHiSpeed ? 0 : 1;
  if (value == 0 ? wasHi : wasFull) return;
  ShowUsbSpeed(value);

  const int answer = host_.ShowMessageBox(m_mainWindow, host_.LoadText(kTextRestartQuestion),
                                          BoxIcon::kWarning, BoxButtons::kOkCancelDefaultCancel);
  if (answer != kAnswerOk) {
    hiSpeed_.setChecked(wasHi);
    fullSpeed_.setChecked(wasFull);
    return;
  }
  // The wait for the restart starts once this handler has returned.
  if (WriteSetting(SettingId::kUsbSpeed, 0, value))
    QMetaObject::invokeMethod(this, &CTabViewUsb::OnRestartWait, Qt::QueuedConnection);
}

void CTabViewUsb::OnRestartWait() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const int code = FinishWrite(m_session, SettingOf(SettingId::kUsbSpeed), &PaintOnly);
  QApplication::restoreOverrideCursor();
  // After a restart the link reports the lost device to the main window.
  if (code != LINK_OK) ReportCommError();
}

void CTabViewUsb::OnMuteSyncChange(int index) { WriteSetting(SettingId::kMicMuteSync, 0, index); }

}  // namespace tarvik
