// The program's message boxes. The window presents them through this
// interface so that tests can answer them in place of a person.
#pragma once

#include <QString>

#include "pages/message_box_kinds.h"

class QWidget;

namespace tarvik {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows the box modally (owned by `owner`, or by no window) and returns
  // the button chosen.
  virtual int Show(QWidget* owner, const QString& title, const QString& text, BoxIcon icon,
                   BoxButtons buttons) = 0;
};

// Real modal boxes of the window system.
MessageBoxes& SystemMessageBoxes();

}  // namespace tarvik
