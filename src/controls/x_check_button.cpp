#include "controls/x_check_button.h"

#include <QPainter>

namespace tarvik {

CxCheckButton::CxCheckButton() {
  setCheckable(true);
  connect(this, &QAbstractButton::clicked, this, [this] { emit Clicked(id_); });
}

bool CxCheckButton::Create(const QRect& rect, QWidget* parent, int id) {
  if (parent == nullptr) return false;
  setParent(parent);
  // The pictures cover the whole button; nothing is painted beneath them.
  setAttribute(Qt::WA_NoSystemBackground, true);
  setGeometry(rect);
  setText(QString());
  id_ = id;
  setProperty("controlId", id);
  show();
  return true;
}

void CxCheckButton::nextCheckState() {
  if (autoToggle) QAbstractButton::nextCheckState();
}

void CxCheckButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const CxImage& image = !isEnabled() ? disabledImage : isChecked() ? checkedImage : uncheckedImage;
  if (!image.IsNull()) {
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, image.Pixels());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  if (text().isEmpty()) return;
  painter.setFont(font);
  painter.setPen(QColor::fromRgb(static_cast<QRgb>(0xFF000000u | (captionColor & 0xFFFFFFu))));
  painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

}  // namespace tarvik
