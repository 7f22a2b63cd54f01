#include "controls/focus_mark.h"

#include <QPainter>
#include <QPen>
#include <QWidget>

namespace tarvik {

bool IsKeyboardFocus(const QWidget& widget, Qt::FocusReason reason) {
  if (!widget.hasFocus()) return false;
  return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
         reason == Qt::ShortcutFocusReason;
}

void FocusMark::Show(bool shown) {
  if (shown_ == shown) return;
  shown_ = shown;
  widget_.update();
}

void DrawFocusMark(QPainter& painter, const QRect& rect, QColor colour) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(colour, 1, Qt::DotLine));
  painter.drawRect(rect.adjusted(0, 0, -1, -1));
  painter.restore();
}

}  // namespace tarvik
