// A label that looks like a link (blue, underlined), shows the hand cursor
// while the pointer is over it and opens its address when clicked.
#pragma once

#include <QString>

#include "controls/x_static_label.h"

namespace tarvik {

class CxStaticHyperLink : public CxStaticLabel {
  Q_OBJECT

 public:
  CxStaticHyperLink() = default;

  bool Create(const QRect& rect, QWidget* parent, int id) override;

  QString address;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace tarvik
