#include "controls/x_static_hyper_link.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include "controls/accessible_factory.h"
#include "controls/focus_mark.h"
#include "controls/pressable_accessible.h"
#include "controls/ui_font.h"

namespace tarvik {
namespace {

// A link named by its caption, its address as its value and description,
// and a press that opens it.
class LinkAccessible : public PressableAccessible {
 public:
  explicit LinkAccessible(CxStaticHyperLink* link)
      : PressableAccessible(link, QAccessible::Link, QStringLiteral("Return")) {}

  QString text(QAccessible::Text t) const override {
    const QString text = PressableAccessible::text(t);
    if (!text.isEmpty()) return text;
    if (t == QAccessible::Name) return Link()->Text();
    if (t == QAccessible::Value || t == QAccessible::Description) return Link()->address;
    return text;
  }

 private:
  void Press() override { Link()->Open(); }
  CxStaticHyperLink* Link() const { return static_cast<CxStaticHyperLink*>(widget()); }
};

}  // namespace

bool CxStaticHyperLink::Create(const QRect& rect, QWidget* parent, int id) {
  InstallAccessible<CxStaticHyperLink, LinkAccessible>();
  font_ = MakeUiFont(true);
  textColor = 0x0000FF;
  // The window system restores the previous cursor when the pointer leaves.
  setCursor(Qt::PointingHandCursor);
  // Reached by Tab only: a click opens the link without taking the focus.
  setFocusPolicy(Qt::TabFocus);
  return Place(rect, parent, id);
}

void CxStaticHyperLink::Open() {
  if (address.isEmpty()) return;
  // Only a well-formed address goes to the desktop's handler; whether one
  // was found is not the program's concern.
  const QUrl url(address, QUrl::StrictMode);
  if (url.isValid()) QDesktopServices::openUrl(url);
}

void CxStaticHyperLink::paintEvent(QPaintEvent* event) {
  CxStaticLabel::paintEvent(event);
  if (!focusMark_.Shown()) return;
  QPainter painter(this);
  DrawFocusMark(painter, rect(), QColor::fromRgb(static_cast<QRgb>(0xFF000000u | textColor)));
}

void CxStaticHyperLink::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    focusMark_.Show(false);
    Open();
  }
  CxStaticLabel::mousePressEvent(event);
}

void CxStaticHyperLink::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!event->isAutoRepeat()) Open();
      return;
    default:
      CxStaticLabel::keyPressEvent(event);
  }
}

void CxStaticHyperLink::focusInEvent(QFocusEvent* event) {
  focusMark_.FocusIn(event->reason());
  CxStaticLabel::focusInEvent(event);
}

void CxStaticHyperLink::focusOutEvent(QFocusEvent* event) {
  focusMark_.Show(false);
  CxStaticLabel::focusOutEvent(event);
}

}  // namespace tarvik
