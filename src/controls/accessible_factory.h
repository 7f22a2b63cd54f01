// Gives a widget class its own description for assistive technology. Qt
// asks every installed factory by class name; a factory installed again is
// ignored, so each control may install it whenever one is created.
#pragma once

#include <QAccessible>

namespace tarvik {

template <class Widget, class Accessible>
void InstallAccessible() {
  QAccessible::installFactory([](const QString& key, QObject* object) -> QAccessibleInterface* {
    if (key == QLatin1String(Widget::staticMetaObject.className()))
      return new Accessible(static_cast<Widget*>(object));
    return nullptr;
  });
}

}  // namespace tarvik
