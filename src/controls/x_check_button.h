// A small button drawn entirely from three pictures (checked, unchecked,
// disabled) that keeps its own checked state and tells of a click with a
// signal carrying its control id.
#pragma once

#include <QAbstractButton>
#include <QFont>

#include "controls/x_image.h"

namespace tarvik {

class CxCheckButton : public QAbstractButton {
  Q_OBJECT

 public:
  CxCheckButton();

  // Places the button, visible and with an empty caption, on `parent`.
  bool Create(const QRect& rect, QWidget* parent, int id);
  int ControlId() const { return id_; }

  // Shows `state` (1 checked, 0 not); repaints only when it changes.
  void setChecked(int state);

  int checked = 0;
  int autoToggle = 1;  // flip `checked` on every click
  CxImage checkedImage;
  CxImage uncheckedImage;
  CxImage disabledImage;
  QFont font;
  unsigned captionColor = 0x000000;

 signals:
  // Emitted for every click, after `checked` has flipped where it does.
  void Clicked(int controlId);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void OnClicked();

  int id_ = 0;
};

}  // namespace tarvik
