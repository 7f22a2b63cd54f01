// The main window: its size, tab strip, keys, About entry and the AUDIO OUT
// page it holds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSet>
#include <QTest>
#include <QTimer>

#include "app/about_dlg.h"
#include "app/tab_strip.h"
#include "commands/command_id.h"
#include "controls/x_static_label.h"
#include "gui/gui_fixture.h"
#include "pages/tab_view_aud_in.h"

namespace tarvik {
namespace {

using MainWindow = testing::ConfiguratorOnStandIn;

TEST(TabStrip, SharedColumnsGoToTheActiveTab) {
  EXPECT_EQ(HitTestTab(0, {101, 20}), -1);
  EXPECT_EQ(HitTestTab(1, {101, 20}), -1);
  EXPECT_EQ(HitTestTab(2, {101, 20}), 0);
  EXPECT_EQ(HitTestTab(0, {194, 20}), 1);
  EXPECT_EQ(HitTestTab(2, {194, 20}), -1);
  EXPECT_EQ(HitTestTab(0, {287, 8}), 2);
  EXPECT_EQ(HitTestTab(0, {288, 20}), -1);
  EXPECT_EQ(HitTestTab(0, {150, 31}), -1);
  EXPECT_EQ(HitTestTab(0, {150, 7}), -1);
  EXPECT_EQ(HitTestTab(0, {7, 20}), -1);
}

TEST_F(MainWindow, HasItsFixedSizeCaptionAndPages) {
  window->show();
  EXPECT_EQ(window->size(), QSize(465, 460));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(Caption(), QStringLiteral("Tarvik Configurator   [Not connected]"));
  EXPECT_EQ(window->AudioInPage().geometry(), QRect(8, 30, 449, 422));
  EXPECT_TRUE(window->AudioInPage().isVisible());
  EXPECT_FALSE(window->AudioOutPage().isVisible());
  EXPECT_FALSE(window->UsbPage().isVisible());
  auto* label = window->findChild<CxStaticLabel*>(QStringLiteral("audioOutTab"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->ControlId(), kAudioOutTabLabel);
  EXPECT_EQ(label->Text(), QStringLiteral("AUDIO OUT"));
  EXPECT_EQ(label->geometry(), QRect(101, 8, 94, 23));
  EXPECT_TRUE(label->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST_F(MainWindow, EveryControlHasANameOfItsOwn) {
  for (QWidget* parent : std::initializer_list<QWidget*>{
           window.get(), &window->AudioInPage(), &window->AudioOutPage(), &window->UsbPage()}) {
    QSet<QString> names;
    for (QWidget* child : parent->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      EXPECT_FALSE(child->objectName().isEmpty()) << child->metaObject()->className();
      EXPECT_FALSE(names.contains(child->objectName())) << qPrintable(child->objectName());
      names.insert(child->objectName());
    }
  }
  auto* gainR = window->AudioInPage().findChild<QComboBox*>(QStringLiteral("gainR"));
  ASSERT_EQ(gainR, window->AudioInPage().ChannelControls(1).gain);
  EXPECT_EQ(gainR->property("controlId").toInt(), CTabViewAudIn::kGainR);
}

TEST_F(MainWindow, ClicksOnTheStripSwitchPages) {
  window->show();
  QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(150, 20));  // through the label
  EXPECT_EQ(window->ActiveTab(), 1);
  EXPECT_TRUE(window->AudioOutPage().isVisible());
  EXPECT_FALSE(window->AudioInPage().isVisible());
  QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(101, 20));
  EXPECT_EQ(window->ActiveTab(), 1);
  QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(250, 20));
  EXPECT_EQ(window->ActiveTab(), 2);
  EXPECT_TRUE(window->UsbPage().isVisible());
  QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(101, 20));
  EXPECT_EQ(window->ActiveTab(), 0);
  QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(300, 20));
  QTest::mouseClick(window.get(), Qt::RightButton, {}, QPoint(150, 20));
  EXPECT_EQ(window->ActiveTab(), 0);
}

TEST_F(MainWindow, EnterAndEscapeLeaveItOpenAndClosingEndsIt) {
  window->show();
  int finished = -1;
  QObject::connect(window.get(), &QDialog::finished, [&](int result) { finished = result; });
  QTest::keyClick(window.get(), Qt::Key_Escape);
  QTest::keyClick(window.get(), Qt::Key_Return);
  QTest::keyClick(window.get(), Qt::Key_Enter);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(finished, -1);
  window->close();
  EXPECT_EQ(finished, 0);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindow, ClosingTheWindowClosesTheSession) {
  Connect();
  ASSERT_TRUE(Connected());
  window.reset();
  EXPECT_FALSE(app->m_deviceSession.isOpen);
  EXPECT_TRUE(testing::PumpUntil([&] { return device.OpenHandleCount() == 0; }, 2000));
}

// Runs `open` and, once a modal window or menu is up, hands it to `inspect`
// and closes it.
template <typename Open, typename Inspect>
void WithPopup(Open open, Inspect inspect) {
  bool seen = false;
  QTimer::singleShot(50, [&] {
    QWidget* popup = QApplication::activeModalWidget();
    if (popup == nullptr) popup = QApplication::activePopupWidget();
    if (popup == nullptr) return;
    seen = true;
    inspect(popup);
    popup->close();
  });
  open();
  EXPECT_TRUE(seen);
}

TEST_F(MainWindow, AboutEntryIsOnTheContextMenuAndOnF1InTheUsersLanguage) {
  MakeWindow(0x0411);
  window->show();
  WithPopup([&] { QTest::keyClick(window.get(), Qt::Key_F1); },
            [](QWidget* about) {
              EXPECT_EQ(about->windowTitle(), QStringLiteral("Tarvik Configuratorについて"));
            });
  WithPopup(
      [&] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(300, 200),
                                window->mapToGlobal(QPoint(300, 200)));
        QApplication::sendEvent(window.get(), &event);
      },
      [](QWidget* menu) {
        const auto actions = menu->actions();
        ASSERT_EQ(actions.size(), 1);
        EXPECT_EQ(actions[0]->text(), QStringLiteral("Tarvik Configuratorについて(&A)"));
      });
  EXPECT_TRUE(window->isVisible());
}

TEST(AboutBox, ShowsNameVersionAndTextsOfTheLanguage) {
  testing::RecordingBoxes boxes;
  struct Case {
    uint32_t lcid;
    const char* caption;
    const char* button;
  };
  for (const Case& c : {Case{0x0409, "About Tarvik Configurator", "OK"},
                        Case{0x0411, "Tarvik Configuratorについて", "OK"},
                        Case{0x0804, "关于 Tarvik Configurator", "确定"},
                        Case{0x0C04, "About Tarvik Configurator", "OK"}}) {
    CTarvik_ConfiguratorApp app(sim::DefaultSimBackend(), AppEnvironment{c.lcid, {}, &boxes});
    app.PrepareInstance();
    CAboutDlg about(app, app.ProductName(), app.Version(), nullptr);
    EXPECT_EQ(about.windowTitle(), QString::fromUtf8(c.caption));
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("ok"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QString::fromUtf8(c.button));
    EXPECT_EQ(about.VersionText().text(), QStringLiteral("Tarvik Configurator  Version 1.10"));
  }
  EXPECT_EQ(FormatVersionLine("", 1, 10, 0), QStringLiteral("  Version 1.100"));
  EXPECT_EQ(FormatVersionLine("X", 2, 3, 4), QStringLiteral("X  Version 2.34"));
}

TEST_F(MainWindow, OutputVolumeFollowsTheDeviceAndWritesChoices) {
  device.SetSetting(0, 0x0103, TARGET_OUTPUT, 0, {0x00, 0xF4});  // -3072
  Connect();
  ASSERT_TRUE(Connected());
  QComboBox* volume = window->AudioOutPage().VolumeList();
  EXPECT_TRUE(volume->isEnabled());
  EXPECT_EQ(volume->currentText(), QStringLiteral("-12dB"));

  device.ClearRequests();
  volume->setCurrentIndex(7);
  emit volume->activated(7);
  const auto requests = device.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, TARGET_OUTPUT);
  EXPECT_EQ(requests[0].selector, 0);
  EXPECT_EQ(requests[0].payload, (std::vector<uint8_t>{0x00, 0x09}));  // 2304
  EXPECT_EQ(device.Setting(0, 0x0103, TARGET_OUTPUT), (std::vector<uint8_t>{0x00, 0x09}));

  window->Monitor().OnDeviceNotify(255, 0);
  EXPECT_FALSE(volume->isEnabled());
  EXPECT_EQ(volume->currentIndex(), -1);

  device.SetSetting(0, 0x0103, TARGET_OUTPUT, 0, {0x00, 0x01});  // 256: no step
  Tick(11);
  ASSERT_TRUE(Connected());
  EXPECT_EQ(volume->currentIndex(), -1);
}

}  // namespace
}  // namespace tarvik
