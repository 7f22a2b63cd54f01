#include <windows.h>

#include <QWidget>

#include "app/window_platform.h"

namespace tarvik {

// Positions and sizes are fixed pixels while the fonts keep their pixel
// height through the font scale (96 / LOGPIXELSX). The toolkit's own
// high-resolution scaling would enlarge the layout a second time, so it is
// off, and the layout stays in device pixels as its images are.
void PrepareWindowToolkit() { qputenv("QT_ENABLE_HIGHDPI_SCALING", "0"); }

bool AppendSystemMenuAbout(QWidget& window, const QString& text) {
  const HWND hwnd = reinterpret_cast<HWND>(window.winId());
  if (hwnd == nullptr || !IsWindow(hwnd)) return false;
  const HMENU menu = GetSystemMenu(hwnd, FALSE);
  if (menu == nullptr) return false;
  const std::wstring wide = text.toStdWString();
  return AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) &&
         AppendMenuW(menu, MF_STRING, kSysMenuAboutCommand, wide.c_str());
}

bool IsSystemMenuAbout(const QByteArray& eventType, const void* message) {
  if (message == nullptr || eventType != "windows_generic_MSG") return false;
  const MSG& msg = *static_cast<const MSG*>(message);
  return msg.message == WM_SYSCOMMAND && (msg.wParam & 0xFFF0) == kSysMenuAboutCommand;
}

bool RegisterForRestart() { return SUCCEEDED(RegisterApplicationRestart(nullptr, 0)); }

}  // namespace tarvik
