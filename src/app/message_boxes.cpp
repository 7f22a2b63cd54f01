#include "app/message_boxes.h"

#include <QMessageBox>

namespace tarvik {
namespace {

class QtMessageBoxes : public MessageBoxes {
 public:
  int Show(QWidget* owner, const QString& title, const QString& text, BoxIcon icon,
           BoxButtons buttons) override {
    QMessageBox box(icon == BoxIcon::kWarning ? QMessageBox::Warning : QMessageBox::Information,
                    title, text, QMessageBox::NoButton, owner);
    if (buttons == BoxButtons::kOk) {
      box.setStandardButtons(QMessageBox::Ok);
    } else {
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Cancel);
    }
    return box.exec() == QMessageBox::Ok ? kAnswerOk : kAnswerCancel;
  }
};

}  // namespace

MessageBoxes& SystemMessageBoxes() {
  static QtMessageBoxes boxes;
  return boxes;
}

}  // namespace tarvik
