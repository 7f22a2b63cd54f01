#include "controls/drop_list_accessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>

namespace tarvik {
namespace {

class DropListAccessible : public QAccessibleWidget {
 public:
  explicit DropListAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return List()->currentText();
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = List()->view()->isVisible();
    s.collapsed = !s.expanded;
    return s;
  }
  // The items, once the list has dropped down.
  int childCount() const override { return 1; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? QAccessible::queryAccessibleInterface(List()->view()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child != nullptr && child->object() == List()->view() ? 0 : -1;
  }
  QStringList actionNames() const override {
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == showMenuAction() || name == pressAction())
      List()->showPopup();
    else
      QAccessibleWidget::doAction(name);
  }

 private:
  QComboBox* List() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* MakeAccessible(const QString& key, QObject* object) {
  if (key != QLatin1String(QComboBox::staticMetaObject.className())) return nullptr;
  auto* list = qobject_cast<QComboBox*>(object);
  if (list == nullptr || list->accessibleName().isEmpty()) return nullptr;
  return new DropListAccessible(list);
}

}  // namespace

void InstallDropListAccessibility() { QAccessible::installFactory(&MakeAccessible); }

}  // namespace tarvik
