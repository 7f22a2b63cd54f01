// Where the stand-in panel goes beside the configurator's main window.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <algorithm>

namespace tarvik {

// Top-left of the panel's frame, `panel` in size, beside the main window's
// frame `main` within `available`: right of it when there is room, else
// left of it, else as far right as fits. The top is the main window's,
// moved down or up only as far as keeps the panel inside `available`.
inline QPoint PanelBeside(const QRect& main, const QSize& panel, const QRect& available) {
  const int rightEdge = available.x() + available.width();
  const int bottomEdge = available.y() + available.height();
  int x = main.x() + main.width();
  if (x + panel.width() > rightEdge) {
    x = main.x() - panel.width();
    if (x < available.x()) x = std::max(available.x(), rightEdge - panel.width());
  }
  const int y = std::max(available.y(), std::min(main.y(), bottomEdge - panel.height()));
  return {x, y};
}

}  // namespace tarvik
