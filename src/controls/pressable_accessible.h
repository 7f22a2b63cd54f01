// The description assistive technology reads of a painted control that can
// be pressed: one press action, offered while the control is enabled, that
// does what a click or the control's key does.
#pragma once

#include <QAccessibleWidget>
#include <utility>

namespace tarvik {

class PressableAccessible : public QAccessibleWidget {
 public:
  // `key` names the key that presses the control ("Space").
  PressableAccessible(QWidget* widget, QAccessible::Role role, QString key)
      : QAccessibleWidget(widget, role), key_(std::move(key)) {}

  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (widget()->isEnabled()) names.prepend(pressAction());
    return names;
  }
  void doAction(const QString& name) override {
    if (name == pressAction())
      Press();
    else
      QAccessibleWidget::doAction(name);
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    if (name == pressAction()) return {key_};
    return QAccessibleWidget::keyBindingsForAction(name);
  }

 protected:
  virtual void Press() = 0;

 private:
  QString key_;
};

}  // namespace tarvik
