// The image toggle button: which picture it shows, and the one signal per
// click that its parent, connected as the USB page is, receives afterwards.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QTest>
#include <vector>

#include "controls/x_check_button.h"
#include "pages/tab_view_usb.h"

namespace tarvik {
namespace {

// Records the ids of the clicks of the buttons it listens to.
class CommandRecorder : public QWidget {
 public:
  void Listen(CxCheckButton& button) {
    connect(
        &button, &CxCheckButton::Clicked, this, [this](int id) { ids.push_back(id); },
        Qt::QueuedConnection);
  }
  std::vector<long long> ids;
};

// Counts the paint events of the widget it filters.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(int& paints) : paints_(paints) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints_;
    return false;
  }

 private:
  int& paints_;
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
  ASSERT_TRUE(button.Create(QRect(0, 0, 15, 15), &parent, CTabViewUsb::kHiSpeed));
  parent.Listen(button);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_TRUE(button.isChecked());
  EXPECT_TRUE(parent.ids.empty());  // queued, not called
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_FALSE(button.isChecked());
  QCoreApplication::sendPostedEvents(&parent, QEvent::MetaCall);
  EXPECT_EQ(parent.ids, (std::vector<long long>{CTabViewUsb::kHiSpeed, CTabViewUsb::kHiSpeed}));

  button.autoToggle = false;
  QTest::mouseClick(&button, Qt::LeftButton);
  QCoreApplication::sendPostedEvents(&parent, QEvent::MetaCall);
  EXPECT_FALSE(button.isChecked());
  EXPECT_EQ(parent.ids.size(), 3u);
}

TEST(CheckButton, DisabledPictureWinsOverCheckedWithoutChangingIt) {
  QWidget parent;
  CxCheckButton button;
  button.Create(QRect(0, 0, 15, 15), &parent, CTabViewUsb::kHiSpeed);
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
  button.setChecked(true);
  EXPECT_EQ(Shown(button), QColor(Qt::red).rgb());
  button.setEnabled(false);
  EXPECT_EQ(Shown(button), QColor(Qt::gray).rgb());
  button.setEnabled(true);
  EXPECT_TRUE(button.isChecked());
  EXPECT_EQ(Shown(button), QColor(Qt::red).rgb());
}

TEST(CheckButton, SignalsAfterItsOwnToggleAndRepaintsOnlyWhenTheStateChanges) {
  QWidget parent;
  CxCheckButton button;
  button.Create(QRect(0, 0, 15, 15), &parent, CTabViewUsb::kFullSpeed);
  std::vector<bool> checkedWhenSignalled;
  QObject::connect(&button, &CxCheckButton::Clicked, [&](int id) {
    EXPECT_EQ(id, CTabViewUsb::kFullSpeed);
    checkedWhenSignalled.push_back(button.isChecked());
  });
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(checkedWhenSignalled, std::vector<bool>{true});

  int paints = 0;
  PaintCounter counter(paints);
  button.installEventFilter(&counter);
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  QCoreApplication::processEvents();
  paints = 0;
  button.setChecked(true);
  QCoreApplication::processEvents();
  EXPECT_EQ(paints, 0);
  button.setChecked(false);
  QCoreApplication::processEvents();
  EXPECT_EQ(paints, 1);
  EXPECT_FALSE(button.isChecked());
}

}  // namespace
}  // namespace tarvik
