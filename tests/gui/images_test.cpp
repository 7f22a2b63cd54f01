// PNG resources: decoding, premultiplication, drawing, and the pictures the
// program ships.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>

#include "controls/x_image.h"
#include "resources/resource_ids.h"

namespace tarvik {
namespace {

QByteArray Png(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

// Bytes blue, green, red, alpha of pixel x in row 0.
const uchar* Pixel(const CxImage& image, int x) { return image.Pixels().constScanLine(0) + 4 * x; }

TEST(Images, PremultipliesWithTheRoundingThePicturesWereMadeFor) {
  struct Case {
    int colour, alpha, expected;
  };
  const Case cases[] = {{200, 255, 200}, {255, 0, 0}, {255, 128, 128}, {255, 254, 253},
                        {100, 1, 0},     {200, 1, 1}, {77, 255, 77}};
  QImage straight(static_cast<int>(std::size(cases)), 1, QImage::Format_ARGB32);
  for (int i = 0; i < straight.width(); ++i)
    straight.setPixel(i, 0,
                      qRgba(cases[i].colour, cases[i].colour, cases[i].colour, cases[i].alpha));
  CxImage image;
  ASSERT_TRUE(image.LoadPngData(Png(straight)));
  EXPECT_EQ(image.BitsPerPixel(), 32);
  EXPECT_TRUE(image.HasAlpha());
  for (int i = 0; i < straight.width(); ++i) {
    const uchar* p = Pixel(image, i);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(p[c], cases[i].expected) << "pixel " << i;
    EXPECT_EQ(p[3], cases[i].alpha);
  }
  // Running it again does not scale the colours a second time.
  image.PremultiplyAlpha();
  EXPECT_EQ(Pixel(image, 2)[0], 128);
}

TEST(Images, OpaquePicturesAreTwentyFourBitAndCoverWhatIsBeneath) {
  QImage opaque(2, 1, QImage::Format_RGB32);
  opaque.setPixel(0, 0, qRgb(10, 20, 30));
  opaque.setPixel(1, 0, qRgb(40, 50, 60));
  CxImage image;
  ASSERT_TRUE(image.LoadPngData(Png(opaque)));
  EXPECT_EQ(image.BitsPerPixel(), 24);
  EXPECT_FALSE(image.HasAlpha());
  const uchar* row = image.Pixels().constScanLine(0);
  EXPECT_EQ(row[0], 30);  // blue first
  EXPECT_EQ(row[2], 10);

  QImage canvas(2, 1, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(qRgba(255, 255, 255, 255));
  {
    QPainter painter(&canvas);
    EXPECT_TRUE(image.Draw(&painter, 0, 0));
  }
  EXPECT_EQ(canvas.pixel(1, 0), qRgb(40, 50, 60));
  EXPECT_FALSE(image.Draw(nullptr, 0, 0));
}

TEST(Images, AlphaPicturesBlendOverWhatIsBeneath) {
  QImage half(1, 1, QImage::Format_ARGB32);
  half.setPixel(0, 0, qRgba(255, 0, 0, 128));
  CxImage image;
  ASSERT_TRUE(image.LoadPngData(Png(half)));
  QImage canvas(1, 1, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(qRgb(0, 0, 255));
  {
    QPainter painter(&canvas);
    image.Draw(&painter, 0, 0);
  }
  const QRgb blended = canvas.pixel(0, 0);
  EXPECT_NEAR(qRed(blended), 128, 1);
  EXPECT_NEAR(qBlue(blended), 127, 1);
}

TEST(Images, MissingOrBrokenResourcesLeaveTheImageEmpty) {
  CxImage image;
  constexpr int kNoSuchPng = kPngActiveTab + 1;
  EXPECT_FALSE(image.LoadPngResource(kNoSuchPng));
  EXPECT_TRUE(image.IsNull());
  EXPECT_FALSE(image.LoadPngData(QByteArray("\x89PNG\r\n\x1a\n garbage", 17)));
  EXPECT_FALSE(image.LoadPngData(QByteArray()));
  EXPECT_TRUE(image.IsNull());
  QImage canvas(4, 4, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  EXPECT_TRUE(image.Draw(&painter, 0, 0));  // draws nothing
  painter.end();
  EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 255, 255));
}

// Reads width, height, bit depth and colour type from the PNG header.
struct PngHeader {
  int width = 0, height = 0, depth = 0, colourType = -1;
};
PngHeader ReadHeader(const QString& path) {
  QFile file(path);
  PngHeader header;
  if (!file.open(QIODevice::ReadOnly)) return header;
  const QByteArray bytes = file.read(26);
  if (bytes.size() < 26 || !bytes.startsWith("\x89PNG")) return header;
  auto u32 = [&](int at) {
    return (uchar(bytes[at]) << 24) | (uchar(bytes[at + 1]) << 16) | (uchar(bytes[at + 2]) << 8) |
           uchar(bytes[at + 3]);
  };
  header.width = u32(16);
  header.height = u32(20);
  header.depth = uchar(bytes[24]);
  header.colourType = uchar(bytes[25]);
  return header;
}

TEST(Images, ShippedPicturesHaveTheirSizesAndKinds) {
  struct Expected {
    int id, width, height, colourType;
  };
  const Expected table[] = {{kPngAudioOutTab, 94, 23, 6},    {kPngAudioInPage, 449, 422, 2},
                            {kPngAudioOutPage, 449, 422, 2}, {kPngActiveTab, 94, 23, 2},
                            {kPngSpeedUnchecked, 15, 15, 2}, {kPngSpeedChecked, 15, 15, 2},
                            {kPngSpeedDisabled, 15, 15, 2},  {kPngUsbPage, 449, 422, 2},
                            {kPngAudioInTab, 94, 23, 6},     {kPngUsbTab, 94, 23, 6}};
  for (const Expected& e : table) {
    const PngHeader h = ReadHeader(QStringLiteral(":/png/%1").arg(e.id));
    EXPECT_EQ(h.width, e.width) << e.id;
    EXPECT_EQ(h.height, e.height) << e.id;
    EXPECT_EQ(h.depth, 8) << e.id;
    EXPECT_EQ(h.colourType, e.colourType) << e.id;
    CxImage image;
    EXPECT_TRUE(image.LoadPngResource(e.id)) << e.id;
    EXPECT_EQ(image.BitsPerPixel(), e.colourType == 6 ? 32 : 24) << e.id;
  }
  for (int size : {16, 24, 32, 48, 256}) {
    const PngHeader h = ReadHeader(QStringLiteral(":/icon/%1/%2").arg(kProgramIconId).arg(size));
    EXPECT_EQ(h.width, size);
    EXPECT_EQ(h.height, size);
    EXPECT_EQ(h.colourType, 6);
  }
}

}  // namespace
}  // namespace tarvik
