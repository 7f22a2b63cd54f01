// What a settings page needs from the program around it: the device
// session, its message boxes and its texts. A page tells of a failed device
// exchange with its own signal (PageFrame::CommunicationFailed).
#pragma once

#include <QString>

#include "pages/message_box_kinds.h"
#include "resources/resource_ids.h"

class QWidget;

namespace tarvik {

class CHidDevCommApp;

class PageHost {
 public:
  virtual CHidDevCommApp& Session() = 0;
  // Shows a modal box under the program's name, owned by `owner`, and
  // returns the button chosen.
  virtual int ShowMessageBox(QWidget* owner, const QString& text, BoxIcon icon,
                             BoxButtons buttons) = 0;
  // Text `id` in the user interface language, or empty.
  virtual QString LoadText(TextId id) const = 0;

 protected:
  ~PageHost() = default;
};

}  // namespace tarvik
