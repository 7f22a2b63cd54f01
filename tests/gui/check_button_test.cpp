// The image toggle button: which picture it shows, and the one command per
// click that its parent receives afterwards.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QTest>
#include <vector>

#include "app/window_messages.h"
#include "controls/x_check_button.h"

namespace tarvik {
namespace {

class CommandRecorder : public QWidget {
 public:
  std::vector<long long> ids;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == WM_COMMAND) {
      ids.push_back(static_cast<AppMessage*>(event)->wParam);
      return true;
    }
    return QWidget::event(event);
  }
};

QImage Solid(QColor colour) {
  QImage image(15, 15, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

QRgb Shown(CxCheckButton& button) { return button.grab().toImage().pixel(7, 7); }

TEST(CheckButton, TogglesByItselfOnlyWhenAskedAndAlwaysTellsTheParentLater) {
  CommandRecorder parent;
  CxCheckButton button;
  ASSERT_TRUE(button.Create(QRect(0, 0, 15, 15), &parent, 1038));
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(button.checked, 1);
  EXPECT_TRUE(parent.ids.empty());  // posted, not sent
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(button.checked, 0);
  QCoreApplication::sendPostedEvents(&parent, WM_COMMAND);
  EXPECT_EQ(parent.ids, (std::vector<long long>{1038, 1038}));

  button.autoToggle = 0;
  QTest::mouseClick(&button, Qt::LeftButton);
  QCoreApplication::sendPostedEvents(&parent, WM_COMMAND);
  EXPECT_EQ(button.checked, 0);
  EXPECT_EQ(parent.ids.size(), 3u);
}

TEST(CheckButton, DisabledPictureWinsOverCheckedWithoutChangingIt) {
  QWidget parent;
  CxCheckButton button;
  button.Create(QRect(0, 0, 15, 15), &parent, 7);
  auto png = [](QColor c) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Solid(c).save(&buffer, "PNG");
    return bytes;
  };
  button.checkedImage.LoadPngData(png(Qt::red));
  button.uncheckedImage.LoadPngData(png(Qt::green));
  button.disabledImage.LoadPngData(png(Qt::gray));
  EXPECT_EQ(Shown(button), QColor(Qt::green).rgb());
  button.checked = 1;
  EXPECT_EQ(Shown(button), QColor(Qt::red).rgb());
  button.setEnabled(false);
  EXPECT_EQ(Shown(button), QColor(Qt::gray).rgb());
  button.setEnabled(true);
  EXPECT_EQ(button.checked, 1);
  EXPECT_EQ(Shown(button), QColor(Qt::red).rgb());
}

}  // namespace
}  // namespace tarvik
