// The focus mark of the painted controls: drawn only while the focus came
// from the keyboard, so that a window worked with the mouse looks as it
// always did.
#pragma once

#include <QColor>
#include <QRect>
#include <Qt>

class QPainter;
class QWidget;

namespace tarvik {

// Whether focus arriving at `widget` for `reason` is worth a mark: the
// widget holds the focus and it came by Tab, Backtab or a shortcut. A dialog
// being shown sends its focus widget a Tab focus event before it holds the
// focus; that one gets no mark.
bool IsKeyboardFocus(const QWidget& widget, Qt::FocusReason reason);

// A one-pixel dotted outline just inside `rect`.
void DrawFocusMark(QPainter& painter, const QRect& rect, QColor colour);

// Whether a widget shows its mark; the widget repaints when that changes.
class FocusMark {
 public:
  explicit FocusMark(QWidget& widget) : widget_(widget) {}

  // Focus arrived for `reason`: marked when it came from the keyboard.
  void FocusIn(Qt::FocusReason reason) { Show(IsKeyboardFocus(widget_, reason)); }
  void Show(bool shown);
  bool Shown() const { return shown_; }

 private:
  QWidget& widget_;
  bool shown_ = false;
};

}  // namespace tarvik
