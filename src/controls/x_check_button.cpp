#include "controls/x_check_button.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>

#include "controls/accessible_factory.h"
#include "controls/focus_mark.h"
#include "controls/pressable_accessible.h"

namespace tarvik {
namespace {

// The button as assistive technology sees it: its picture's checked state,
// and a press that clicks it as the mouse does.
class CheckButtonAccessible : public PressableAccessible {
 public:
  explicit CheckButtonAccessible(CxCheckButton* button)
      : PressableAccessible(button,
                            button->exclusive ? QAccessible::RadioButton : QAccessible::CheckBox,
                            QStringLiteral("Space")) {}

  QString text(QAccessible::Text t) const override {
    const QString text = PressableAccessible::text(t);
    if (t == QAccessible::Name && text.isEmpty()) return Button()->text();
    return text;
  }
  QAccessible::State state() const override {
    QAccessible::State s = PressableAccessible::state();
    s.checkable = true;
    s.checked = Button()->isChecked();
    return s;
  }

 private:
  void Press() override { Button()->click(); }
  CxCheckButton* Button() const { return static_cast<CxCheckButton*>(widget()); }
};

}  // namespace

CxCheckButton::CxCheckButton() {
  setCheckable(true);
  connect(this, &QAbstractButton::clicked, this, [this] { emit Clicked(id_); });
}

bool CxCheckButton::Create(const QRect& rect, QWidget* parent, int id) {
  if (parent == nullptr) return false;
  InstallAccessible<CxCheckButton, CheckButtonAccessible>();
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

void CxCheckButton::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && event->modifiers() == Qt::NoModifier) {
    if (!event->isAutoRepeat()) click();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

void CxCheckButton::mousePressEvent(QMouseEvent* event) {
  focusMark_.Show(false);
  QAbstractButton::mousePressEvent(event);
}

void CxCheckButton::focusInEvent(QFocusEvent* event) {
  focusMark_.FocusIn(event->reason());
  QAbstractButton::focusInEvent(event);
}

void CxCheckButton::focusOutEvent(QFocusEvent* event) {
  focusMark_.Show(false);
  QAbstractButton::focusOutEvent(event);
}

void CxCheckButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const CxImage& image = !isEnabled() ? disabledImage : isChecked() ? checkedImage : uncheckedImage;
  if (!image.IsNull()) {
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, image.Pixels());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  if (focusMark_.Shown()) DrawFocusMark(painter, rect(), Qt::black);
  if (text().isEmpty()) return;
  painter.setFont(font);
  painter.setPen(QColor::fromRgb(static_cast<QRgb>(0xFF000000u | (captionColor & 0xFFFFFFu))));
  painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

}  // namespace tarvik
