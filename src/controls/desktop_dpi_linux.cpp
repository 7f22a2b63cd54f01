#include <QGuiApplication>
#include <QScreen>

#include "controls/desktop_dpi.h"

namespace tarvik {

// X11 and Wayland have no desktop device context; the primary screen's
// logical resolution is what the toolkit renders point sizes with.
double DesktopLogPixelsX() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return 0;
  const double dpi = screen->logicalDotsPerInchX();
  return dpi > 0 ? dpi : 0;
}

}  // namespace tarvik
