// A label that looks like a link (blue, underlined), shows the hand cursor
// while the pointer is over it and opens its address when clicked, or on
// Space or Enter once Tab has brought the focus to it (marked then by a
// dotted outline).
#pragma once

#include <QString>

#include "controls/focus_mark.h"
#include "controls/x_static_label.h"

namespace tarvik {

class CxStaticHyperLink : public CxStaticLabel {
  Q_OBJECT

 public:
  CxStaticHyperLink() = default;

  bool Create(const QRect& rect, QWidget* parent, int id) override;
  // Hands a well-formed address to the desktop's handler.
  void Open();

  QString address;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  FocusMark focusMark_{*this};
};

}  // namespace tarvik
