// What assistive technology reads from the connected main window and the
// About box: every visible control's role, name, state and actions.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QTest>

#include "app/about_dlg.h"
#include "gui/gui_fixture.h"

namespace tarvik {
namespace {

using Role = QAccessible::Role;

struct Expected {
  const char* objectName;
  Role role;
  const char* name;
  bool checked = false;
  bool pressable = false;
};

constexpr Role kText = QAccessible::StaticText, kList = QAccessible::ComboBox,
               kRadio = QAccessible::RadioButton;

const std::vector<Expected> kPages[3] = {
    {{"headingL", kText, "L CHANNEL"},
     {"modeLabelL", kText, "MODE"},
     {"modeL", kList, "L CHANNEL MODE", false, true},
     {"levelLabelL", kText, "SIGNAL LEVEL"},
     {"levelL", kList, "L CHANNEL SIGNAL LEVEL", false, true},
     {"gainLabelL", kText, "GAIN"},
     {"gainL", kList, "L CHANNEL GAIN", false, true},
     {"eqLabelL", kText, "EQ"},
     {"eqL", kList, "L CHANNEL EQ", false, true},
     {"headingR", kText, "R CHANNEL"},
     {"modeLabelR", kText, "MODE"},
     {"modeR", kList, "R CHANNEL MODE", false, true},
     {"levelLabelR", kText, "SIGNAL LEVEL"},
     {"levelR", kList, "R CHANNEL SIGNAL LEVEL", false, true},
     {"gainLabelR", kText, "GAIN"},
     {"gainR", kList, "R CHANNEL GAIN", false, true},
     {"eqLabelR", kText, "EQ"},
     {"eqR", kList, "R CHANNEL EQ", false, true},
     {"paOutputLabel", kText, "PA MICROPHONE SOUND OUTPUT TO SPEAKER"},
     {"paOutput", kList, "PA MICROPHONE SOUND OUTPUT TO SPEAKER", false, true}},
    {{"heading", kText, "L/R CHANNEL"},
     {"volumeLabel", kText, "OUTPUT VOLUME"},
     {"volume", kList, "OUTPUT VOLUME", false, true}},
    {{"function", kText, "FUNCTION"},
     {"modeLabel", kText, "MODE"},
     {"hiSpeed", kRadio, "HI-SPEED", true, true},
     {"fullSpeed", kRadio, "FULL-SPEED", false, true},
     {"hiSpeedLabel", kText, "HI-SPEED"},
     {"fullSpeedLabel", kText, "FULL-SPEED"},
     {"help", QAccessible::Link, "ONLINE HELP", false, true},
     {"muteSyncLabel", kText, "MICROPHONE MUTE"},
     {"muteSync", kList, "MICROPHONE MUTE", false, true}},
};

bool Pressable(QAccessibleInterface* iface) {
  QAccessibleActionInterface* actions = iface->actionInterface();
  return actions != nullptr &&
         actions->actionNames().contains(QAccessibleActionInterface::pressAction());
}

// Compares every visible child of `parent` with its row; every one has a row.
void ExpectControls(QWidget& parent, const std::vector<Expected>& rows) {
  int visible = 0;
  for (QWidget* child : parent.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (!child->isVisible()) continue;
    ++visible;
    const std::string name = child->objectName().toStdString();
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&](const Expected& e) { return name == e.objectName; });
    ASSERT_NE(row, rows.end()) << name;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(child);
    ASSERT_NE(iface, nullptr) << name;
    EXPECT_EQ(iface->role(), row->role) << name;
    EXPECT_EQ(iface->text(QAccessible::Name), QString::fromLatin1(row->name)) << name;
    EXPECT_EQ(bool(iface->state().checked), row->checked) << name;
    EXPECT_FALSE(iface->state().disabled) << name;
    EXPECT_EQ(Pressable(iface), row->pressable) << name;
  }
  EXPECT_EQ(visible, static_cast<int>(rows.size()));
}

class Accessibility : public testing::ConfiguratorOnStandIn {};

TEST_F(Accessibility, EveryVisibleControlOfEveryPageSaysWhatItIs) {
  window->show();
  ConnectWithEveryControl();
  ASSERT_TRUE(Connected());
  QAccessibleInterface* strip =
      QAccessible::queryAccessibleInterface(window->findChild<QWidget*>("tabStrip"));
  ASSERT_EQ(strip->role(), QAccessible::PageTabList);
  ASSERT_EQ(strip->childCount(), 3);
  const char* captions[3] = {"AUDIO IN", "AUDIO OUT", "USB"};
  PageFrame* pages[3] = {&window->AudioInPage(), &window->AudioOutPage(), &window->UsbPage()};
  for (int page = 0; page < 3; ++page) {
    SCOPED_TRACE(captions[page]);
    // Pressing a tab switches to its page.
    strip->child(page)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(pages[page]->isVisible());
    for (int tab = 0; tab < 3; ++tab) {
      QAccessibleInterface* iface = strip->child(tab);
      EXPECT_EQ(iface->role(), QAccessible::PageTab);
      EXPECT_EQ(iface->text(QAccessible::Name), QString::fromLatin1(captions[tab]));
      EXPECT_EQ(bool(iface->state().selected), tab == page);
      EXPECT_TRUE(Pressable(iface));
      EXPECT_EQ(iface->parent(), strip);
      EXPECT_EQ(strip->indexOfChild(iface), tab);
    }
    ExpectControls(*pages[page], kPages[page]);
  }
  QAccessibleInterface* link = QAccessible::queryAccessibleInterface(
      window->UsbPage().findChild<QWidget*>(QStringLiteral("help")));
  EXPECT_EQ(link->text(QAccessible::Value), QString::fromLatin1(kOnlineManualAddress));
  QAccessibleInterface* list =
      QAccessible::queryAccessibleInterface(window->AudioOutPage().VolumeList());
  EXPECT_EQ(list->text(QAccessible::Value), window->AudioOutPage().VolumeList()->currentText());
  EXPECT_EQ(QAccessible::queryAccessibleInterface(window.get())->text(QAccessible::Name),
            QStringLiteral("Tarvik Configurator   [Connected  Ver.3.00]"));
}

TEST_F(Accessibility, ControlsOfADisconnectedWindowAreDisabled) {
  window->show();
  for (QWidget* control : std::initializer_list<QWidget*>{
           window->AudioInPage().ChannelControls(1).mode, window->AudioOutPage().VolumeList(),
           &window->UsbPage().FullSpeedButton()})
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(control)->state().disabled)
        << control->objectName().toStdString();
  EXPECT_EQ(QAccessible::queryAccessibleInterface(window.get())->text(QAccessible::Name),
            QStringLiteral("Tarvik Configurator   [Not connected]"));
}

TEST_F(Accessibility, TheSpeedButtonsPressAsAClickDoes) {
  ConnectWithEveryControl();
  boxes.answer = kAnswerCancel;
  QAccessibleInterface* full =
      QAccessible::queryAccessibleInterface(&window->UsbPage().FullSpeedButton());
  full->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  testing::RunQueuedCalls(&window->UsbPage());
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_FALSE(full->state().checked);
  EXPECT_TRUE(window->UsbPage().HiSpeedButton().isChecked());
}

TEST_F(Accessibility, TheAboutBoxSaysWhatItIs) {
  CAboutDlg about(*app, app->ProductName(), app->Version(), window.get());
  about.show();
  const std::vector<Expected> rows = {
      {"icon", QAccessible::Graphic, "Tarvik Configurator"},
      {"versionText", kText, "Tarvik Configurator  Version "},
      {"notice", kText, "Copyright (C) 2026"},
      {"ok", QAccessible::Button, "OK", false, true},
  };
  for (const Expected& row : rows) {
    QAccessibleInterface* iface =
        QAccessible::queryAccessibleInterface(about.findChild<QWidget*>(row.objectName));
    ASSERT_NE(iface, nullptr) << row.objectName;
    EXPECT_EQ(iface->role(), row.role) << row.objectName;
    EXPECT_TRUE(iface->text(QAccessible::Name).startsWith(QString::fromLatin1(row.name)))
        << row.objectName;
    EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty()) << row.objectName;
    EXPECT_EQ(Pressable(iface), row.pressable) << row.objectName;
  }
}

}  // namespace
}  // namespace tarvik
