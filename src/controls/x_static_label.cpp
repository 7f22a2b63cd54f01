#include "controls/x_static_label.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

#include "controls/accessible_factory.h"
#include "controls/ui_font.h"

namespace tarvik {
namespace {

// A label is static text named by its caption.
class LabelAccessible : public QAccessibleWidget {
 public:
  explicit LabelAccessible(CxStaticLabel* label)
      : QAccessibleWidget(label, QAccessible::StaticText) {}

  QString text(QAccessible::Text t) const override {
    const QString text = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && text.isEmpty())
      return static_cast<CxStaticLabel*>(widget())->Text();
    return text;
  }
};

}  // namespace

bool CxStaticLabel::Create(const QRect& rect, QWidget* parent, int id) {
  font_ = MakeUiFont();
  // Clicks on a label belong to the window beneath (the tab strip needs them).
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
  return Place(rect, parent, id);
}

bool CxStaticLabel::Place(const QRect& rect, QWidget* parent, int id) {
  if (parent == nullptr) return false;
  InstallAccessible<CxStaticLabel, LabelAccessible>();
  setParent(parent);
  // Nothing is erased behind the caption: the parent's painting shows through.
  setAttribute(Qt::WA_NoSystemBackground, true);
  setAutoFillBackground(false);
  setGeometry(rect);
  id_ = id;
  setProperty("controlId", id);
  text_.clear();
  show();
  return true;
}

void CxStaticLabel::SetText(const QString& text) {
  text_ = text;
  update();
  // Only a listening client needs to hear it; labels get their text while
  // the window is built, before its first paint.
  if (!QAccessible::isActive()) return;
  QAccessibleEvent changed(this, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&changed);
}

void CxStaticLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!image.IsNull()) image.Draw(&painter, 0, 0);
  if (text_.isEmpty()) return;
  painter.setFont(font_);
  painter.setPen(QColor::fromRgb(static_cast<QRgb>(0xFF000000u | (textColor & 0xFFFFFFu))));
  int flags = Qt::TextSingleLine;
  flags |= (format & kDtCenter) ? Qt::AlignHCenter : Qt::AlignLeft;
  flags |= (format & kDtVCenter) ? Qt::AlignVCenter : Qt::AlignTop;
  painter.drawText(rect(), flags, text_);
}

}  // namespace tarvik
