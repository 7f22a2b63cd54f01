// The USB page on the stand-in: features by product and firmware, the speed
// buttons with their question and restart, and the mute synchronisation.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontMetrics>
#include <QTest>

#include "gui/gui_fixture.h"
#include "pages/tab_view_usb.h"

namespace tarvik {
namespace {

using sim::Fault;
using sim::FaultKind;
using testing::Step;

constexpr uint16_t kSpeed = 0x001A, kMuteSync = 0x001D;
constexpr int kGetUsbSpeed = 42, kGetMicMuteSync = 48;

class UsbPage : public testing::ConfiguratorOnStandIn {
 protected:
  CTabViewUsb& Page() { return window->UsbPage(); }
  void ConnectAs(uint16_t productId, const char* firmware) {
    device.Unplug();
    device.SetProductId(productId);
    device.SetFirmwareVersion(firmware);
    Connect();
    ASSERT_TRUE(Connected());
  }
  bool SentOperation(int op) {
    for (const Step& step : Steps())
      if (step.op == op) return true;
    return false;
  }
  void Click(CxCheckButton& button) {
    QTest::mouseClick(&button, Qt::LeftButton);
    testing::RunQueuedCalls(&Page());
  }
};

TEST_F(UsbPage, FeaturesFollowProductAndFirmware) {
  struct Case {
    uint16_t productId;
    const char* firmware;
    bool speed, muteSync;
  };
  for (const Case& c :
       {Case{kProductIds[0], "2.02", false, false}, Case{kProductIds[0], "2.03", true, false},
        Case{kProductIds[0], "2.99", true, false}, Case{kProductIds[0], "3.00", true, true},
        Case{kProductIds[1], "3.10", false, false}, Case{kExemptProductId, "1.00", true, false},
        Case{kExemptProductId, "3.50", true, false}}) {
    MakeWindow(0x0409);
    device.SetSetting(0, kSpeed, 0, 0, {1});
    device.SetSetting(0, kMuteSync, 0, 0, {1, 0});
    ConnectAs(c.productId, c.firmware);
    const std::string name = std::to_string(c.productId) + " " + c.firmware;
    EXPECT_EQ(Page().HiSpeedButton().isEnabled() && Page().FullSpeedButton().isEnabled(), c.speed)
        << name;
    EXPECT_EQ(SentOperation(kGetUsbSpeed), c.speed) << name;
    EXPECT_EQ(Page().FullSpeedButton().isChecked(), c.speed) << name;
    EXPECT_FALSE(Page().HiSpeedButton().isChecked()) << name;
    ASSERT_NE(Page().MuteSyncList(), nullptr);
    EXPECT_EQ(Page().MuteSyncList()->isEnabled(), c.muteSync) << name;
    EXPECT_EQ(!Page().MuteSyncList()->isHidden(), c.muteSync) << name;
    EXPECT_EQ(SentOperation(kGetMicMuteSync), c.muteSync) << name;
    EXPECT_EQ(Page().MuteSyncList()->currentIndex(), c.muteSync ? 1 : -1) << name;
    device.ClearRequests();
  }
  // Disconnected: both buttons disabled and clear, the row hidden.
  window->Monitor().OnDeviceNotify(255, 0);
  EXPECT_FALSE(Page().HiSpeedButton().isEnabled());
  EXPECT_FALSE(Page().FullSpeedButton().isChecked());
  EXPECT_TRUE(Page().MuteSyncList()->isHidden());
}

TEST_F(UsbPage, ASpeedTheButtonsCannotShowChecksNeither) {
  device.SetSetting(0, kSpeed, 0, 0, {2});
  ConnectAs(kProductIds[0], "2.10");
  EXPECT_FALSE(Page().HiSpeedButton().isChecked());
  EXPECT_FALSE(Page().FullSpeedButton().isChecked());
}

TEST_F(UsbPage, ButtonsShowTheirPicturesAndNeverToggleThemselves) {
  ConnectAs(kProductIds[0], "2.10");  // HI-SPEED
  CxCheckButton& hi = Page().HiSpeedButton();
  EXPECT_TRUE(hi.isChecked());
  EXPECT_FALSE(hi.autoToggle);
  Page().show();
  const QImage checked = hi.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(checked, hi.checkedImage.Pixels().convertToFormat(QImage::Format_RGB32));
  hi.setEnabled(false);
  EXPECT_EQ(hi.grab().toImage().convertToFormat(QImage::Format_RGB32),
            hi.disabledImage.Pixels().convertToFormat(QImage::Format_RGB32));
  hi.setEnabled(true);
  EXPECT_EQ(hi.grab().toImage().convertToFormat(QImage::Format_RGB32), checked);

  device.ClearRequests();
  Click(hi);  // already checked: nothing at all
  EXPECT_TRUE(hi.isChecked());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(device.RequestCount(), 0u);
}

TEST_F(UsbPage, AClickIsAnsweredOnlyOnceTheButtonHasFinishedWithIt) {
  ConnectAs(kProductIds[0], "2.10");
  boxes.answer = kAnswerCancel;
  auto* full = Page().findChild<CxCheckButton*>(QStringLiteral("fullSpeed"));
  ASSERT_NE(full, nullptr);
  QTest::mouseClick(full, Qt::LeftButton);
  EXPECT_TRUE(boxes.shown.empty());
  testing::RunQueuedCalls(&Page());
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(UsbPage, CancelRestoresTheButtonsExactly) {
  device.SetSetting(0, kSpeed, 0, 0, {2});  // neither checked
  ConnectAs(kProductIds[0], "2.10");
  boxes.answer = kAnswerCancel;
  device.ClearRequests();
  Click(Page().FullSpeedButton());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(
      boxes.shown[0].text,
      QStringLiteral(
          "Tarvik will restart if you change this setting.\nAre you sure you want to continue?"));
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::kWarning);
  EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::kOkCancelDefaultCancel);
  EXPECT_FALSE(Page().HiSpeedButton().isChecked());
  EXPECT_FALSE(Page().FullSpeedButton().isChecked());
  EXPECT_EQ(device.RequestCount(), 0u);
}

TEST_F(UsbPage, ASpeedChangeRestartsTheDeviceAndReconnectsWithTheNewSpeed) {
  device.SetRestartPlan(500);
  ConnectAs(kProductIds[0], "2.10");
  Click(Page().FullSpeedButton());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(device.Setting(0, kSpeed, 0), (std::vector<uint8_t>{1}));
  testing::RunQueuedCalls(&Page());  // the restart wait: until the device has gone
  EXPECT_FALSE(device.IsPlugged());
  EXPECT_EQ(boxes.shown.size(), 1u);  // no failure report
  ASSERT_TRUE(testing::PumpUntil([&] { return !app->m_deviceSession.isOpen; }));
  ASSERT_TRUE(testing::PumpUntil([&] { return device.IsPlugged(); }));
  Tick(11);
  ASSERT_TRUE(Connected());
  EXPECT_TRUE(Page().FullSpeedButton().isChecked());
  EXPECT_FALSE(Page().HiSpeedButton().isChecked());
}

TEST_F(UsbPage, ADeviceThatNeverRestartsIsACommunicationFailure) {
  device.SetRestartPlan(-1);
  ConnectAs(kProductIds[0], "2.10");
  Click(Page().FullSpeedButton());
  testing::RunQueuedCalls(&Page());  // the restart wait
  Recover();
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Cannot communicate with Tarvik."));
  EXPECT_FALSE(app->m_deviceSession.isOpen);
  EXPECT_FALSE(Page().FullSpeedButton().isEnabled());
}

TEST_F(UsbPage, FailedSpeedWriteAndMuteSyncWriteAreReportedOnce) {
  ConnectAs(kProductIds[0], "2.10");
  device.InjectFault(Fault{FaultKind::BadStatus});
  Click(Page().FullSpeedButton());
  Recover();
  EXPECT_EQ(boxes.shown.size(), 2u);  // the question, then the warning
  EXPECT_FALSE(app->m_deviceSession.isOpen);

  MakeWindow(0x0409);
  boxes.shown.clear();
  ConnectAs(kProductIds[0], "3.00");
  QComboBox* mute = Page().MuteSyncList();
  mute->setCurrentIndex(0);
  emit mute->activated(0);
  EXPECT_EQ(device.Setting(0, kMuteSync, 0), (std::vector<uint8_t>{0, 0}));
  device.InjectFault(Fault{FaultKind::BadStatus});
  emit mute->activated(1);
  Recover();
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_FALSE(app->m_deviceSession.isOpen);
}

TEST_F(UsbPage, LinkIsFittedToItsTextAndOpensTheManual) {
  window->show();
  window->SelectPage(2);
  const CxStaticHyperLink& link = Page().HelpLink();
  EXPECT_EQ(link.geometry().right(), 424);
  EXPECT_EQ(link.geometry().bottom(), 128);
  const QSize text =
      QFontMetrics(link.Font()).size(Qt::TextSingleLine, QStringLiteral("ONLINE HELP"));
  EXPECT_EQ(link.width(), text.width() + 4);
  EXPECT_EQ(link.height(), text.height());
  EXPECT_EQ(link.address, QString::fromLatin1(kOnlineManualAddress));
}

}  // namespace
}  // namespace tarvik
