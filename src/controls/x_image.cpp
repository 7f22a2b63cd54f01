#include "controls/x_image.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>

#include "resources/program_resources.h"

namespace tarvik {

bool CxImage::LoadPngResource(int id) {
  InitProgramResources();
  QFile resource(QStringLiteral(":/png/%1").arg(id));
  if (!resource.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = resource.readAll();
  if (bytes.isEmpty()) return false;
  return LoadPngData(bytes);
}

QSize CxImage::PngResourceSize(int id) {
  InitProgramResources();
  QImageReader reader(QStringLiteral(":/png/%1").arg(id), "PNG");
  return reader.canRead() ? reader.size() : QSize();
}

bool CxImage::LoadPngData(const QByteArray& png) {
  QImage decoded;
  if (!decoded.loadFromData(png, "PNG") || decoded.isNull()) return false;
  hasAlpha_ = decoded.hasAlphaChannel();
  // Straight alpha in memory order blue, green, red, alpha; 24-bit blue,
  // green, red for opaque pictures.
  pixels_ = decoded.convertToFormat(hasAlpha_ ? QImage::Format_ARGB32 : QImage::Format_BGR888);
  if (pixels_.isNull()) return false;
  PremultiplyAlpha();
  return true;
}

void CxImage::PremultiplyAlpha() {
  if (pixels_.depth() != 32) return;
  if (pixels_.format() != QImage::Format_ARGB32) return;
  for (int y = 0; y < pixels_.height(); ++y) {
    uchar* pixel = pixels_.scanLine(y);
    for (int x = 0; x < pixels_.width(); ++x, pixel += 4) {
      const unsigned a = pixel[3];
      if (a >= 255) continue;
      for (int c = 0; c < 3; ++c) pixel[c] = static_cast<uchar>((pixel[c] * a + 128) >> 8);
    }
  }
  // The bytes are premultiplied now; say so without converting them again.
  pixels_.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
}

bool CxImage::Draw(QPainter* destination, int x, int y) const {
  if (destination == nullptr) return false;
  if (pixels_.isNull()) return true;
  if (hasAlpha_) {
    destination->drawImage(x, y, pixels_);
  } else {
    const QPainter::CompositionMode previous = destination->compositionMode();
    destination->setCompositionMode(QPainter::CompositionMode_Source);
    destination->drawImage(x, y, pixels_);
    destination->setCompositionMode(previous);
  }
  return true;
}

}  // namespace tarvik
