// The window as Windows shows it: the About entry at the end of its real
// system menu, the system command that opens it, and the font scale taken
// from the desktop's device context. Runs on the windows platform.
#include <gtest/gtest.h>
#include <windows.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>
#include <QTimer>

#include "controls/ui_font.h"
#include "gui/gui_fixture.h"

namespace tarvik::testing {
namespace {

using SystemMenu = ConfiguratorOnStandIn;

// Calls `open` and returns the title of the modal window it showed (closed
// again at once), or an empty text when none came up.
template <typename Open>
QString ModalTitleDuring(Open open) {
  QString title;
  QTimer::singleShot(50, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      title = modal->windowTitle();
      modal->close();
    }
  });
  open();
  QCoreApplication::processEvents();
  return title;
}

TEST_F(SystemMenu, EndsWithSeparatorAndAboutEntryInTheUsersLanguage) {
  MakeWindow(0x0411);
  window->show();
  const HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window->winId()), FALSE);
  ASSERT_NE(menu, nullptr);
  const int count = GetMenuItemCount(menu);
  ASSERT_GE(count, 2);
  EXPECT_EQ(GetMenuItemID(menu, count - 1), 0x0010u);
  wchar_t text[64] = {};
  GetMenuStringW(menu, count - 1, text, 64, MF_BYPOSITION);
  EXPECT_EQ(QString::fromWCharArray(text), QStringLiteral("Tarvik Configuratorについて(&A)"));
  EXPECT_TRUE(GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);

  // The entry is there once, so the context menu no longer offers it.
  bool popup = false;
  QTimer::singleShot(50, [&] { popup = QApplication::activePopupWidget() != nullptr; });
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(300, 200),
                          window->mapToGlobal(QPoint(300, 200)));
  QApplication::sendEvent(window.get(), &event);
  QTest::qWait(100);
  EXPECT_FALSE(popup);
}

TEST_F(SystemMenu, AboutCommandOpensTheAboutBoxWhateverItsLowBits) {
  window->show();
  const HWND hwnd = reinterpret_cast<HWND>(window->winId());
  // The low four bits of a system command are the system's own.
  for (WPARAM command : {WPARAM{0x0010}, WPARAM{0x0013}}) {
    EXPECT_EQ(ModalTitleDuring([&] { SendMessageW(hwnd, WM_SYSCOMMAND, command, 0); }),
              QStringLiteral("About Tarvik Configurator"));
  }
  // Other system commands keep their default handling.
  EXPECT_TRUE(ModalTitleDuring([&] { SendMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0); })
                  .isEmpty());
  EXPECT_TRUE(window->isMinimized());
}

TEST(FontScale, FollowsTheDesktopDeviceContext) {
  ComputeFontScale();
  const HWND desktop = GetDesktopWindow();
  const HDC dc = GetDC(desktop);
  ASSERT_NE(dc, nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(desktop, dc);
  EXPECT_DOUBLE_EQ(FontScale(), 1.0 / (dpi / 96.0));
}

}  // namespace
}  // namespace tarvik::testing
