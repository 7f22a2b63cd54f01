// The connection monitor on the stand-in: when it connects, what the caption
// says, which firmware it accepts, and how it recovers from failures.
#include <gtest/gtest.h>

#include <QComboBox>

#include "gui/gui_fixture.h"

namespace tarvik {
namespace {

using Monitor = testing::ConfiguratorOnStandIn;
using sim::Fault;
using sim::FaultKind;

TEST_F(Monitor, OpensOnlyOnTheEleventhTickInARow) {
  device.Plug();
  Tick(10);
  EXPECT_FALSE(app->m_deviceSession.isOpen);
  EXPECT_EQ(device.RequestCount(), 0u);
  device.Unplug();
  Tick(1);  // gone on the 11th: counting starts again
  EXPECT_EQ(window->Monitor().PresenceCount(), 0);
  device.Plug();
  Tick(10);
  EXPECT_FALSE(app->m_deviceSession.isOpen);
  Tick(1);
  EXPECT_TRUE(Connected());
  EXPECT_EQ(window->Monitor().PresenceCount(), 0);
  Tick(30);  // ticks do nothing while connected
  EXPECT_TRUE(Connected());
}

TEST_F(Monitor, ADeviceSeenOnlyAsTheProbeOnlyProductIsNeverOpened) {
  device.SetProductId(kProductIdProbeOnly);
  device.Plug();
  Tick(20);
  EXPECT_EQ(window->Monitor().PresenceCount(), 0);
  EXPECT_FALSE(app->m_deviceSession.isOpen);
}

TEST_F(Monitor, CaptionShowsTheConnectionWithTheFirmwareVersion) {
  EXPECT_EQ(Caption(), QStringLiteral("Tarvik Configurator   [Not connected]"));
  Connect();
  EXPECT_EQ(Caption(), QStringLiteral("Tarvik Configurator   [Connected  Ver.2.10]"));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Monitor, RefusesOldFirmwareWithTheBoxAndQuitCodeTwo) {
  device.SetFirmwareVersion("1.90");
  Connect();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(boxes.shown[0].owned);
  EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Tarvik Configurator"));
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::kInformation);
  EXPECT_EQ(
      boxes.shown[0].text,
      QStringLiteral("Update Tarvik firmware to Ver.2.00 or higher.\n\nCurrent version Ver.1.90"));
  EXPECT_EQ(app->ExitCode(), 2);
  EXPECT_FALSE(window->Monitor().Running());
  EXPECT_EQ(Caption(), QStringLiteral("Tarvik Configurator   [Not connected]"));
  EXPECT_TRUE(window->Monitor().Connected());  // stays open until the window goes
}

TEST_F(Monitor, RefusalTextIsInTheUsersLanguage) {
  MakeWindow(0x0804);
  device.SetFirmwareVersion("1.99");
  Connect();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            QStringLiteral("将 Tarvik 固件更新至Ver.2.00或更高版本。\n\n当前版本 Ver.1.99"));
}

TEST_F(Monitor, VersionDecisionOnTheDevice) {
  struct Case {
    const char* text;
    bool accepted;
  };
  for (const Case& c : {Case{"2.00", true}, Case{"200A", true}, Case{"200a", false},
                        Case{"199Z", false}, Case{"2-00", false}, Case{"20", false}}) {
    MakeWindow(0x0409);
    boxes.shown.clear();
    device.Unplug();
    device.SetFirmwareVersion(c.text);
    Connect();
    EXPECT_EQ(app->ExitCode() == 0, c.accepted) << c.text;
    EXPECT_EQ(boxes.shown.empty(), c.accepted) << c.text;
  }
}

TEST_F(Monitor, TheExemptProductIsAcceptedWithAnyFirmware) {
  device.SetProductId(kExemptProductId);
  device.SetFirmwareVersion("1.00");
  Connect();
  EXPECT_TRUE(Connected());
  EXPECT_EQ(app->m_deviceSession.productId, kExemptProductId);
  EXPECT_EQ(Caption(), QStringLiteral("Tarvik Configurator   [Connected  Ver.1.00]"));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Monitor, ALostLinkReconnectsSilently) {
  Connect();
  ASSERT_TRUE(Connected());
  device.Unplug();
  ASSERT_TRUE(testing::PumpUntil([&] { return !app->m_deviceSession.isOpen; }));
  EXPECT_FALSE(window->Monitor().Connected());
  EXPECT_EQ(Caption(), QStringLiteral("Tarvik Configurator   [Not connected]"));
  EXPECT_TRUE(boxes.shown.empty());
  device.Plug();
  Connect();
  EXPECT_TRUE(Connected());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Monitor, AFailingReadShowsTheWarningOnceAndWatchesAgain) {
  device.InjectFault(Fault{FaultKind::BadStatus});  // the firmware version read
  Connect();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Cannot communicate with Tarvik."));
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::kWarning);
  EXPECT_FALSE(app->m_deviceSession.isOpen);
  EXPECT_FALSE(window->Monitor().Connected());
  EXPECT_TRUE(window->Monitor().Running());
  Tick(11);
  EXPECT_TRUE(Connected());
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(Monitor, ASettingsReadFailingWhileLoadingIsACommunicationError) {
  device.InjectFault(Fault{FaultKind::WrongCommand}, 1);  // the read after the version
  Connect();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(Caption(), QStringLiteral("Tarvik Configurator   [Not connected]"));
  EXPECT_FALSE(app->m_deviceSession.isOpen);
}

TEST_F(Monitor, APageWriteFailureIsRecoveredFromOnceTheHandlerHasReturned) {
  Connect();
  device.InjectFault(Fault{FaultKind::BadStatus});
  window->AudioOutPage().OnOutputVolumeChange(4);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(Connected());
  Recover();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Cannot communicate with Tarvik."));
  EXPECT_FALSE(app->m_deviceSession.isOpen);
  EXPECT_FALSE(window->Monitor().Connected());
  EXPECT_FALSE(window->AudioOutPage().VolumeList()->isEnabled());
  EXPECT_TRUE(window->Monitor().Running());
  Recover();
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(Monitor, DeviceNotificationsOtherThanLinkLossChangeNothing) {
  Connect();
  const QString caption = Caption();
  for (int type : {1, 2, 3, 5, 7}) device.SendNotification(type, 1);
  testing::PumpUntil([] { return false; }, 200);
  for (int code : {1, 2, 3, 5, 7, 254}) window->Monitor().OnDeviceNotify(code, 0);
  EXPECT_TRUE(Connected());
  EXPECT_EQ(Caption(), caption);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Monitor, StartsTicking300MsAfterTheWindowIsUpAndConnectsByItself) {
  window->Monitor().Start();
  EXPECT_FALSE(window->Monitor().Running());
  ASSERT_TRUE(testing::PumpUntil([&] { return window->Monitor().Running(); }, 2000));
  device.Plug();
  EXPECT_TRUE(testing::PumpUntil([&] { return Connected(); }, 10000));
  EXPECT_EQ(Caption(), QStringLiteral("Tarvik Configurator   [Connected  Ver.2.10]"));
}

}  // namespace
}  // namespace tarvik
