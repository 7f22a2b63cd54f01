#include "controls/x_static_hyper_link.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

#include "controls/ui_font.h"

namespace tarvik {

bool CxStaticHyperLink::Create(const QRect& rect, QWidget* parent, int id) {
  font_ = MakeUiFont(true);
  textColor = 0x0000FF;
  // The window system restores the previous cursor when the pointer leaves.
  setCursor(Qt::PointingHandCursor);
  return Place(rect, parent, id);
}

void CxStaticHyperLink::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !address.isEmpty()) {
    // Only a well-formed address goes to the desktop's handler; whether one
    // was found is not the program's concern.
    const QUrl url(address, QUrl::StrictMode);
    if (url.isValid()) QDesktopServices::openUrl(url);
  }
  CxStaticLabel::mousePressEvent(event);
}

}  // namespace tarvik
