// What assistive technology reads from the connected main window and the
// About box: every visible control's role, name, state and actions.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QTest>
#include <algorithm>

#include "app/about_dlg.h"
#include "gui/gui_fixture.h"

namespace tarvik {
namespace {

using Role = QAccessible::Role;

struct Expected {
  const char* objectName;
  Role role;
  QString name;
  bool checked = false;
};

// Everything but text and pictures can be pressed.
bool CanBePressed(Role role) {
  return role != QAccessible::StaticText && role != QAccessible::Graphic;
}

constexpr Role kText = QAccessible::StaticText, kList = QAccessible::ComboBox,
               kRadio = QAccessible::RadioButton;

// A list's row follows its caption's.
const std::vector<Expected> kPages[3] = {
    {{"headingL", kText, "L CHANNEL"},
     {"modeLabelL", kText, "MODE"},
     {"modeL", kList, "L CHANNEL MODE"},
     {"levelLabelL", kText, "SIGNAL LEVEL"},
     {"levelL", kList, "L CHANNEL SIGNAL LEVEL"},
     {"gainLabelL", kText, "GAIN"},
     {"gainL", kList, "L CHANNEL GAIN"},
     {"eqLabelL", kText, "EQ"},
     {"eqL", kList, "L CHANNEL EQ"},
     {"headingR", kText, "R CHANNEL"},
     {"modeLabelR", kText, "MODE"},
     {"modeR", kList, "R CHANNEL MODE"},
     {"levelLabelR", kText, "SIGNAL LEVEL"},
     {"levelR", kList, "R CHANNEL SIGNAL LEVEL"},
     {"gainLabelR", kText, "GAIN"},
     {"gainR", kList, "R CHANNEL GAIN"},
     {"eqLabelR", kText, "EQ"},
     {"eqR", kList, "R CHANNEL EQ"},
     {"paOutputLabel", kText, "PA MICROPHONE SOUND OUTPUT TO SPEAKER"},
     {"paOutput", kList, "PA MICROPHONE SOUND OUTPUT TO SPEAKER"}},
    {{"heading", kText, "L/R CHANNEL"},
     {"volumeLabel", kText, "OUTPUT VOLUME"},
     {"volume", kList, "OUTPUT VOLUME"}},
    {{"function", kText, "FUNCTION"},
     {"modeLabel", kText, "MODE"},
     {"hiSpeed", kRadio, "HI-SPEED", true},
     {"hiSpeedLabel", kText, "HI-SPEED"},
     {"fullSpeed", kRadio, "FULL-SPEED"},
     {"fullSpeedLabel", kText, "FULL-SPEED"},
     {"help", QAccessible::Link, "ONLINE HELP"},
     {"muteSyncLabel", kText, "MICROPHONE MUTE"},
     {"muteSync", kList, "MICROPHONE MUTE"}},
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
    EXPECT_EQ(iface->text(QAccessible::Name), row->name) << name;
    EXPECT_EQ(bool(iface->state().checked), row->checked) << name;
    EXPECT_FALSE(iface->state().disabled) << name;
    EXPECT_EQ(Pressable(iface), CanBePressed(row->role)) << name;
  }
  EXPECT_EQ(visible, static_cast<int>(rows.size()));
}

QAccessibleInterface* Find(QWidget& parent, const char* name) {
  return QAccessible::queryAccessibleInterface(parent.findChild<QWidget*>(name));
}

class Accessibility : public testing::ConfiguratorOnStandIn {};

TEST_F(Accessibility, EveryVisibleControlOfEveryPageSaysWhatItIs) {
  window->show();
  ConnectWithEveryControl();
  ASSERT_TRUE(Connected());
  QAccessibleInterface* strip = Find(*window, "tabStrip");
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
  EXPECT_EQ(Find(*pages[2], "help")->text(QAccessible::Value),
            QString::fromLatin1(kOnlineManualAddress));
  EXPECT_EQ(Find(*pages[1], "volume")->text(QAccessible::Value),
            window->AudioOutPage().VolumeList()->currentText());
  EXPECT_EQ(QAccessible::queryAccessibleInterface(window.get())->text(QAccessible::Name),
            QStringLiteral("Tarvik Configurator   [Connected  Ver.3.00]"));

  // A press on FULL-SPEED is a click: the restart question, cancelled here.
  boxes.answer = kAnswerCancel;
  Find(*pages[2], "fullSpeed")
      ->actionInterface()
      ->doAction(QAccessibleActionInterface::pressAction());
  testing::RunQueuedCalls(pages[2]);
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(Find(*pages[2], "hiSpeed")->state().checked);

  window->Monitor().OnDeviceNotify(255, 0);
  for (const char* name : {"modeR", "fullSpeed"})
    EXPECT_TRUE(Find(*window, name)->state().disabled) << name;
  EXPECT_EQ(QAccessible::queryAccessibleInterface(window.get())->text(QAccessible::Name),
            QStringLiteral("Tarvik Configurator   [Not connected]"));
}

TEST_F(Accessibility, TheAboutBoxSaysWhatItIs) {
  CAboutDlg about(*app, app->ProductName(), app->Version(), window.get());
  about.show();
  const ProgramVersion v = app->Version();
  ExpectControls(
      about, {{"icon", QAccessible::Graphic, app->ProductName()},
              {"versionText", kText,
               FormatVersionLine(app->ProductName(), v.majorNumber, v.minorNumber, v.build)},
              {"notice", kText,
               QStringLiteral(
                   "Copyright (C) 2026 The Tarvik Configurator authors.\nAll rights reserved.")},
              {"ok", QAccessible::Button, QStringLiteral("OK")}});
}

}  // namespace
}  // namespace tarvik
