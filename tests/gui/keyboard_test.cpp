// The main window worked with the keyboard alone: Tab through every control
// of every page in the pages' order, a change of every setting, the page
// switching keys, and the focus mark that only the keyboard brings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QTest>
#include <QUrl>
#include <set>

#include "gui/gui_fixture.h"

namespace tarvik {
namespace {

// Records the addresses the desktop was asked to open.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  UrlRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open"); }
  ~UrlRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
  Q_INVOKABLE void Open(const QUrl& url) { opened.push_back(url.toString()); }
  std::vector<QString> opened;
};

class Keyboard : public testing::ConfiguratorOnStandIn {
 protected:
  void ShowActive() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  QWidget* Strip() { return window->findChild<QWidget*>(QStringLiteral("tabStrip")); }
  static QWidget* Focus() { return QApplication::focusWidget(); }
  // A key pressed where the focus is, and the calls it queued.
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = Focus();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, key, modifiers);
    testing::RunQueuedCalls(&window->UsbPage());
  }
  // Moves a list one item and back, each move written to the device.
  void ChangeList(QComboBox* list, std::set<std::string>& changed) {
    const int start = list->currentIndex();
    const bool down = start < list->count() - 1;
    for (Qt::Key key : {down ? Qt::Key_Down : Qt::Key_Up, down ? Qt::Key_Up : Qt::Key_Down}) {
      device.ClearRequests();
      Press(key);
      if (!Steps().empty()) changed.insert(list->objectName().toStdString());
    }
    EXPECT_EQ(list->currentIndex(), start) << list->objectName().toStdString();
  }
};

TEST_F(Keyboard, KeysAloneReachAndChangeEverySettingOfEveryPage) {
  ConnectWithEveryControl();
  ASSERT_TRUE(Connected());
  ShowActive();
  ASSERT_EQ(Focus(), Strip());
  UrlRecorder urls;
  boxes.answer = kAnswerCancel;
  const std::vector<std::string> order[3] = {
      {"modeL", "levelL", "gainL", "eqL", "modeR", "levelR", "gainR", "eqR", "paOutput"},
      {"volume"},
      {"hiSpeed", "fullSpeed", "help", "muteSync"},
  };
  std::set<std::string> changed;
  CTabViewUsb& usb = window->UsbPage();
  for (int page = 0; page < 3; ++page) {
    SCOPED_TRACE(page);
    ASSERT_EQ(window->ActiveTab(), page);
    std::vector<std::string> reached;
    for (Press(Qt::Key_Tab); Focus() != Strip() && reached.size() < 20; Press(Qt::Key_Tab)) {
      reached.push_back(Focus()->objectName().toStdString());
      if (auto* list = qobject_cast<QComboBox*>(Focus())) ChangeList(list, changed);
      // Space on FULL-SPEED asks for the restart, cancelled here; Enter opens the link.
      if (Focus() == &usb.FullSpeedButton()) {
        Press(Qt::Key_Space);
        if (boxes.shown.size() == 1) changed.insert("speed");
      }
      if (Focus()->objectName() == QStringLiteral("help")) Press(Qt::Key_Return);
    }
    EXPECT_EQ(reached, order[page]);
    Press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(Focus()->objectName().toStdString(), order[page].back());
    if (page == 2) break;
    Press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(Focus(), Strip());
  }
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::kOkCancelDefaultCancel);
  EXPECT_TRUE(usb.HiSpeedButton().isChecked());
  EXPECT_FALSE(usb.FullSpeedButton().isChecked());
  EXPECT_EQ(urls.opened, std::vector<QString>{QString::fromLatin1(kOnlineManualAddress)});
  EXPECT_EQ(changed.size(), 12u);
}

TEST_F(Keyboard, PageKeysSwitchPagesFromAnywhereInTheWindow) {
  struct Case {
    int from;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool fromList;  // pressed with the focus on the page's list
    int to;
  };
  const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, none = Qt::NoModifier;
  ConnectWithEveryControl();
  ShowActive();
  for (const Case& c : {
           Case{0, Qt::Key_Tab, ctrl, false, 1},
           Case{2, Qt::Key_Tab, ctrl, false, 0},
           Case{0, Qt::Key_Tab, ctrl | Qt::ShiftModifier, false, 2},
           Case{1, Qt::Key_Backtab, ctrl | Qt::ShiftModifier, true, 0},
           Case{1, Qt::Key_PageDown, ctrl, true, 2},
           Case{0, Qt::Key_PageUp, ctrl, true, 2},
           Case{1, Qt::Key_Right, none, false, 2},
           Case{0, Qt::Key_Left, none, false, 2},
           Case{1, Qt::Key_Down, none, false, 1},
       }) {
    window->SwitchTab(c.from);
    if (c.fromList) Press(Qt::Key_Tab);
    device.ClearRequests();
    Press(c.key, c.modifiers);
    EXPECT_EQ(window->ActiveTab(), c.to) << c.from << " " << c.key;
    EXPECT_EQ(Focus(), Strip()) << c.from << " " << c.key;
    EXPECT_TRUE(Steps().empty()) << "a list took the page key";
  }
}

TEST_F(Keyboard, OnlyFocusFromTheKeyboardIsMarked) {
  ConnectWithEveryControl();
  ShowActive();
  window->SwitchTab(2);
  CxCheckButton& hi = window->UsbPage().HiSpeedButton();
  const QImage unmarked = hi.grab().toImage();
  QTest::mouseClick(&hi, Qt::LeftButton);
  testing::RunQueuedCalls(&window->UsbPage());
  ASSERT_EQ(Focus(), &hi);
  EXPECT_EQ(hi.grab().toImage(), unmarked);
  Press(Qt::Key_Tab, Qt::ShiftModifier);
  Press(Qt::Key_Tab);
  ASSERT_EQ(Focus(), &hi);
  EXPECT_NE(hi.grab().toImage(), unmarked);

  // The AUDIO OUT tab as the window shows it.
  const auto tab = [this] { return window->grab(TabStripView::TabRect(1)).toImage(); };
  QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(150, 20));
  EXPECT_EQ(Focus(), Strip());
  const QImage clicked = tab();
  Press(Qt::Key_Right);
  Press(Qt::Key_Left);
  EXPECT_NE(tab(), clicked);
  QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(50, 20));
  QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(150, 20));
  EXPECT_EQ(tab(), clicked);
}

}  // namespace
}  // namespace tarvik

#include "keyboard_test.moc"
