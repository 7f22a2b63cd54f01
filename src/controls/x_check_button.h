// A small button drawn entirely from three pictures (checked, unchecked,
// disabled) that keeps its state in the button's own checked property and
// tells of a click with a signal carrying its control id. Space and Enter
// click it as the mouse does; a dotted outline marks focus from the keyboard.
#pragma once

#include <QAbstractButton>
#include <QFont>

#include "controls/focus_mark.h"
#include "controls/x_image.h"

namespace tarvik {

class CxCheckButton : public QAbstractButton {
  Q_OBJECT

 public:
  CxCheckButton();

  // Places the button, visible and with an empty caption, on `parent`.
  bool Create(const QRect& rect, QWidget* parent, int id);
  int ControlId() const { return id_; }

  bool autoToggle = true;  // flip the checked state on every click
  // One of a set of which the parent keeps one checked: assistive technology
  // is told of a radio button instead of a check box. Set before Create.
  bool exclusive = false;
  CxImage checkedImage;
  CxImage uncheckedImage;
  CxImage disabledImage;
  QFont font;
  unsigned captionColor = 0x000000;

 signals:
  // Emitted for every click, after the checked state has flipped where it does.
  void Clicked(int controlId);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void nextCheckState() override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  int id_ = 0;
  FocusMark focusMark_{*this};
};

}  // namespace tarvik
