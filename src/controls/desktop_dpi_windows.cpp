#include <windows.h>

#include "controls/desktop_dpi.h"

namespace tarvik {

double DesktopLogPixelsX() {
  const HWND desktop = GetDesktopWindow();
  const HDC dc = GetDC(desktop);
  if (dc == nullptr) return 0;
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(desktop, dc);
  return dpi > 0 ? dpi : 0;
}

}  // namespace tarvik
