// A picture from the program's PNG resources, decoded once and drawn at its
// own size: blended where it has an alpha channel, copied where it has none.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

class QPainter;

namespace tarvik {

class CxImage {
 public:
  CxImage() = default;

  // Loads PNG resource `id` of the program. False leaves the image empty.
  bool LoadPngResource(int id);
  // The size PNG resource `id` declares, read from its header without
  // decoding it; empty when the resource is missing or not a PNG.
  static QSize PngResourceSize(int id);
  // The same from PNG file bytes.
  bool LoadPngData(const QByteArray& png);

  // Scales blue, green and red of every 32-bit pixel with alpha below 255 by
  // its alpha, rounding as (c * a + 128) >> 8.
  void PremultiplyAlpha();

  // Draws the whole image with its top-left corner at (x, y); false without
  // a destination.
  bool Draw(QPainter* destination, int x, int y) const;

  bool IsNull() const { return pixels_.isNull(); }
  int Width() const { return pixels_.width(); }
  int Height() const { return pixels_.height(); }
  // 32 (blue, green, red, alpha) for pictures with alpha, 24 (blue, green,
  // red) for opaque ones, 0 when empty.
  int BitsPerPixel() const { return pixels_.isNull() ? 0 : pixels_.depth(); }
  bool HasAlpha() const { return hasAlpha_; }
  const QImage& Pixels() const { return pixels_; }

 private:
  QImage pixels_;
  bool hasAlpha_ = false;
};

}  // namespace tarvik
