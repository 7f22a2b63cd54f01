// Labels draw only their caption over the parent; the link opens only its
// own address.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QPainter>
#include <QTest>
#include <QUrl>

#include "controls/ui_font.h"
#include "controls/x_static_hyper_link.h"
#include "controls/x_static_label.h"
#include "pages/tab_view_aud_in.h"
#include "pages/tab_view_usb.h"

namespace tarvik {
namespace {

class Backdrop : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(0, 128, 0)); }
};

TEST(Labels, DrawTheirCaptionOverTheParentAndNothingElse) {
  Backdrop parent;
  parent.resize(200, 60);
  CxStaticLabel label;
  ASSERT_TRUE(label.Create(RectLtrb(10, 10, 190, 40), &parent, CTabViewAudIn::kHeadingL));
  EXPECT_EQ(label.ControlId(), CTabViewAudIn::kHeadingL);
  EXPECT_EQ(label.Font().family(), QStringLiteral("Meiryo UI"));

  QImage empty = parent.grab().toImage();
  EXPECT_EQ(empty.pixelColor(20, 20), QColor(0, 128, 0));  // empty caption: parent shows

  label.SetText(QStringLiteral("HHHHHHHH"));
  label.textColor = 0xFF0000;
  label.format = kDtCenter | kDtVCenter | kDtSingleLine;
  const QImage drawn = parent.grab().toImage();
  int red = 0, other = 0;
  for (int y = 0; y < drawn.height(); ++y)
    for (int x = 0; x < drawn.width(); ++x) {
      const QColor c = drawn.pixelColor(x, y);
      if (c == QColor(0, 128, 0)) continue;
      (c.red() > 100 && c.blue() < 60 ? red : other)++;
      EXPECT_TRUE(label.geometry().contains(x, y));
    }
  EXPECT_GT(red, 20);
  EXPECT_EQ(drawn.pixelColor(12, 12), QColor(0, 128, 0));  // no fill behind the glyphs
}

class UrlRecorder : public QObject {
  Q_OBJECT

 public slots:
  void Open(const QUrl& url) { opened.push_back(url); }

 public:
  std::vector<QUrl> opened;
};

TEST(Labels, LinkOpensItsAddressOnClickWithTheHandCursor) {
  QWidget parent;
  parent.resize(200, 60);
  CxStaticHyperLink link;
  ASSERT_TRUE(link.Create(RectLtrb(10, 10, 190, 40), &parent, CTabViewUsb::kHelp));
  link.SetText(QStringLiteral("ONLINE HELP"));
  EXPECT_EQ(link.textColor, 0x0000FFu);
  EXPECT_TRUE(link.Font().underline());
  EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
  EXPECT_FALSE(link.testAttribute(Qt::WA_TransparentForMouseEvents));

  UrlRecorder recorder;
  QDesktopServices::setUrlHandler("https", &recorder, "Open");
  QTest::mouseClick(&link, Qt::LeftButton);
  EXPECT_TRUE(recorder.opened.empty());  // no address yet
  link.address = QStringLiteral("https://example.org/manual");
  QTest::mouseClick(&link, Qt::LeftButton);
  QTest::mouseClick(&link, Qt::RightButton);
  QDesktopServices::unsetUrlHandler("https");
  ASSERT_EQ(recorder.opened.size(), 1u);
  EXPECT_EQ(recorder.opened[0], QUrl("https://example.org/manual"));
}

TEST(Labels, FontSizeFollowsTheScaleInWholeTenthsOfAPoint) {
  ComputeFontScale();
  const QFont font = MakeUiFont();
  EXPECT_DOUBLE_EQ(font.pointSizeF(), static_cast<int>(100 * FontScale()) / 10.0);
  EXPECT_TRUE(MakeUiFont(true).underline());
}

}  // namespace
}  // namespace tarvik

#include "labels_test.moc"
