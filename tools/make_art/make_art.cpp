// Draws the window's image art (tabs, page backgrounds, radio buttons) and
// the program icon, and writes them as PNG files into the resources directory,
// the icon also as the Windows icon file built from those PNG files:
//   tarvik-make-art <resources-dir>
// The art is drawn in code so that it can be regenerated at any time and so
// that colours shared between images (page background, radio background)
// stay identical. No text is drawn here: the window draws all captions.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRectF>
#include <QString>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

// Colours shared by several images. The window fills its client area with
// kWindow; pages are drawn on top of it.
const QColor kWindow(0x33, 0x33, 0x33);
const QColor kPage(0xE6, 0xE7, 0xE9);  // page background, merges with the active tab
const QColor kCard(0xF7, 0xF7, 0xF8);  // body of a section card, behind the rows
const QColor kCardBorder(0xCC, 0xCE, 0xD2);
const QColor kHeader(0xDC, 0xDF, 0xE4);  // heading band at the top of a card
const QColor kRule(0xE0, 0xE2, 0xE5);    // thin rule between row groups
const QColor kAccent(0x2A, 0x6F, 0xDB);

constexpr int kTabW = 94, kTabH = 23;
constexpr int kPageW = 449, kPageH = 422;
constexpr int kRadio = 15;
constexpr qreal kTabRadius = 4.0;
constexpr qreal kCardRadius = 5.0;

QImage opaqueCanvas(int w, int h, const QColor& fill) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(fill);
  return img;
}

QImage alphaCanvas(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

// Outline of a tab: rounded top corners, square bottom. The rounded rect is
// extended below the image so its lower corners fall outside and get clipped.
QPainterPath tabShape(qreal w, qreal h) {
  QPainterPath path;
  path.addRoundedRect(QRectF(0, 0, w, h + kTabRadius * 2), kTabRadius, kTabRadius);
  QPainterPath clip;
  clip.addRect(QRectF(0, 0, w, h));
  return path.intersected(clip);
}

// Inactive tab: light-to-mid grey so the black caption reads, a thin dark
// border, and a one-pixel light line under the top edge for a bit of relief.
// Neighbouring tabs overlap by one column, so their borders coincide.
QImage inactiveTab() {
  QImage img = alphaCanvas(kTabW, kTabH);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fill(0, 0, 0, kTabH);
  fill.setColorAt(0.0, QColor(0xD9, 0xDB, 0xDE));
  fill.setColorAt(1.0, QColor(0xAC, 0xAF, 0xB4));
  p.setPen(QPen(QColor(0x6B, 0x6E, 0x73), 1.0));
  p.setBrush(fill);
  // Stroke centred on pixel centres so the border is one crisp pixel wide.
  p.drawPath(tabShape(kTabW - 1, kTabH).translated(0.5, 0.5));
  p.setPen(QPen(QColor(255, 255, 255, 110), 1.0));
  p.drawLine(QPointF(kTabRadius, 1.5), QPointF(kTabW - 1 - kTabRadius, 1.5));
  return img;
}

// Highlight of the active tab. It is opaque and drawn after the page, so its
// corners carry the window colour and its bottom rows fade into the page
// background: the last row covers the page's first row and must match it.
QImage activeTab() {
  QImage img = opaqueCanvas(kTabW, kTabH, kWindow);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fill(0, 0, 0, kTabH);
  fill.setColorAt(0.0, QColor(0xFA, 0xFA, 0xFB));
  fill.setColorAt(0.7, kPage);
  fill.setColorAt(1.0, kPage);
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPath(tabShape(kTabW, kTabH + 1));
  // A short accent bar marks the selected tab, kept clear of the caption.
  p.setBrush(kAccent);
  p.drawRoundedRect(QRectF(kTabRadius + 2, 0, kTabW - 2 * kTabRadius - 4, 2), 1, 1);
  return img;
}

// Page background: flat page colour with the corners that do not touch a tab
// rounded off into the window colour (the top-left one meets the first tab).
QImage pageBase() {
  QImage img = opaqueCanvas(kPageW, kPageH, kWindow);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kPage);
  const qreal r = 5.0;
  QPainterPath path;
  path.addRoundedRect(QRectF(0, 0, kPageW, kPageH), r, r);
  path.addRect(QRectF(0, 0, kPageW / 2.0, kPageH / 2.0));  // square top-left corner
  path.setFillRule(Qt::WindingFill);
  p.drawPath(path.simplified());
  return img;
}

// A section card: a rounded panel spanning the page width from y `top` to
// `bottom`, on which the rows of one or more sections sit.
QRectF drawCard(QPainter& p, int top, int bottom) {
  const QRectF box(10.5, top + 0.5, kPageW - 21, bottom - top - 1);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 18));  // soft one-pixel drop shadow
  p.drawRoundedRect(box.translated(0, 1), kCardRadius, kCardRadius);
  p.setPen(QPen(kCardBorder, 1.0));
  p.setBrush(kCard);
  p.drawRoundedRect(box, kCardRadius, kCardRadius);
  return box;
}

// Heading band across a card, `height` pixels from y `top`, with an accent
// stripe left of the heading text (which starts at x = 25). The band is
// clipped to the card so it follows the card's rounding at the top.
void drawBand(QPainter& p, const QRectF& card, int top, int height) {
  p.save();
  QPainterPath inside;
  inside.addRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), kCardRadius - 0.5, kCardRadius - 0.5);
  p.setClipPath(inside);
  QLinearGradient band(0, top, 0, top + height);
  band.setColorAt(0.0, kHeader.lighter(104));
  band.setColorAt(1.0, kHeader);
  p.setPen(Qt::NoPen);
  p.setBrush(band);
  p.drawRect(QRectF(10, top, kPageW - 20, height));
  p.setPen(QPen(kCardBorder, 1.0));
  if (top > card.top() + 1)  // a band inside the card needs a top edge too
    p.drawLine(QPointF(11, top + 0.5), QPointF(kPageW - 11, top + 0.5));
  p.drawLine(QPointF(11, top + height - 0.5), QPointF(kPageW - 11, top + height - 0.5));
  p.restore();
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawRoundedRect(QRectF(16, top + 8, 3, height - 16), 1.5, 1.5);
}

// Thin rule between two groups of rows inside a card, under the row columns.
void drawRule(QPainter& p, int y) {
  p.setPen(QPen(kRule, 1.0));
  p.drawLine(QPointF(139, y + 0.5), QPointF(kPageW - 24, y + 0.5));
}

// AUDIO IN: one card holding both channels, each opened by a heading band
// and followed by MODE and the three level rows; the single output row at
// the bottom gets a card of its own.
QImage audioInPage() {
  QImage img = pageBase();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF card = drawCard(p, 8, 379);
  for (int dy : {0, 186}) {
    drawBand(p, card, 8 + dy, 33);
    drawRule(p, 82 + dy);
  }
  drawCard(p, 384, 419);
  return img;
}

// AUDIO OUT: one card holding the heading and the volume row.
QImage audioOutPage() {
  QImage img = pageBase();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  drawBand(p, drawCard(p, 8, 80), 8, 33);
  return img;
}

// USB: one card with the bus speed choice and the mute row. The radio
// buttons sit on the flat card body, which their own background matches.
QImage usbPage() {
  QImage img = pageBase();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  drawBand(p, drawCard(p, 8, 203), 8, 33);
  drawRule(p, 146);
  return img;
}

enum class Radio { Unchecked, Checked, Disabled };

// Radio button on the card colour: an antialiased ring around a filled disc,
// with a dot when checked. Ring and fill are two discs, so the ring is exactly
// one pixel wide and centred on (7.5, 7.5).
QImage radio(Radio kind) {
  QImage img = opaqueCanvas(kRadio, kRadio, kCard);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  const QPointF c(kRadio / 2.0, kRadio / 2.0);
  QColor ring(0x8A, 0x8E, 0x95), fill(Qt::white);
  if (kind == Radio::Checked) ring = kAccent;
  if (kind == Radio::Disabled) {
    ring = QColor(0xCD, 0xCF, 0xD3);
    fill = QColor(0xEE, 0xEF, 0xF1);
  }
  p.setBrush(ring);
  p.drawEllipse(c, 7.0, 7.0);
  p.setBrush(fill);
  p.drawEllipse(c, 6.0, 6.0);
  if (kind == Radio::Checked) {
    p.setBrush(kAccent);
    p.drawEllipse(c, 3.5, 3.5);
  }
  return img;
}

// Program icon: a speakerphone puck seen from above on a rounded accent
// square. The puck has a dark grille and a ring of indicator lights; at small
// sizes the lights merge into one continuous ring so the motif still reads.
QImage icon(int size) {
  QImage img = alphaCanvas(size, size);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  const QPointF c(s / 2, s / 2);

  const QRectF tile(0.5, 0.5, s - 1, s - 1);
  QLinearGradient bg(0, 0, 0, s);
  bg.setColorAt(0.0, QColor(0x4A, 0x8F, 0xF2));
  bg.setColorAt(1.0, kAccent.darker(125));
  p.setPen(Qt::NoPen);
  p.setBrush(bg);
  p.drawRoundedRect(tile, s * 0.22, s * 0.22);

  // Puck body with a soft shadow below it; the shadow only muddies the
  // smallest sizes, where the puck is drawn a little larger instead.
  const qreal body = s * (size < 32 ? 0.39 : 0.36);
  if (size >= 32) {
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawEllipse(c + QPointF(0, s * 0.03), body, body);
  }
  QRadialGradient puck(c - QPointF(s * 0.1, s * 0.12), body * 1.6);
  puck.setColorAt(0.0, QColor(0xFF, 0xFF, 0xFF));
  puck.setColorAt(1.0, QColor(0xC9, 0xCD, 0xD3));
  p.setBrush(puck);
  p.drawEllipse(c, body, body);

  // Indicator lights around the grille.
  const QColor light(0x2E, 0xC4, 0x7A);
  const qreal lightRing = s * 0.255;
  if (size < 32) {
    p.setPen(QPen(light, std::max(1.0, s * 0.07)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, lightRing, lightRing);
    p.setPen(Qt::NoPen);
  } else {
    p.setBrush(light);
    for (int i = 0; i < 12; ++i) {
      const qreal a = i * 2 * std::numbers::pi / 12;
      p.drawEllipse(c + QPointF(std::cos(a), std::sin(a)) * lightRing, s * 0.028, s * 0.028);
    }
  }

  // Grille: a dark disc, with a pattern of holes where there is room for it.
  const qreal grille = s * 0.19;
  p.setBrush(QColor(0x2B, 0x30, 0x38));
  p.drawEllipse(c, grille, grille);
  if (size >= 48) {
    p.setBrush(QColor(0x5A, 0x61, 0x6C));
    const qreal step = s * 0.06;
    for (int y = -3; y <= 3; ++y)
      for (int x = -3; x <= 3; ++x)
        if (std::hypot(x * step, y * step) < grille - step * 0.8)
          p.drawEllipse(c + QPointF(x * step, y * step), s * 0.016, s * 0.016);
  }
  return img;
}

// Opaque images are stored as 24-bit RGB and images with transparency as
// 32-bit RGBA, which is what the window expects of each file.
bool save(const QImage& img, const QDir& dir, const QString& name, bool alpha) {
  const QImage out = img.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB888);
  const QString path = dir.filePath(name);
  if (!out.save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

void appendLittleEndian(QByteArray& out, quint32 value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A Windows icon file whose entries are the given square PNG files, byte for
// byte: Windows (since Vista) reads PNG-compressed entries of any size.
bool saveIco(const QDir& dir, const QString& name, const std::vector<int>& sizes) {
  constexpr int kHeader = 6, kEntry = 16;
  QByteArray head, images;
  appendLittleEndian(head, 0, 2);  // reserved
  appendLittleEndian(head, 1, 2);  // an icon, not a cursor
  appendLittleEndian(head, static_cast<quint32>(sizes.size()), 2);
  for (int size : sizes) {
    QFile png(dir.filePath(QString("tarvik-%1.png").arg(size)));
    if (!png.open(QIODevice::ReadOnly)) {
      std::fprintf(stderr, "cannot read %s\n", qPrintable(png.fileName()));
      return false;
    }
    const QByteArray data = png.readAll();
    head.append(static_cast<char>(size >= 256 ? 0 : size));  // 0 stands for 256
    head.append(static_cast<char>(size >= 256 ? 0 : size));
    head.append(2, '\0');             // no palette, reserved
    appendLittleEndian(head, 1, 2);   // colour planes
    appendLittleEndian(head, 32, 2);  // bits per pixel
    appendLittleEndian(head, static_cast<quint32>(data.size()), 4);
    appendLittleEndian(head, static_cast<quint32>(kHeader + kEntry * sizes.size() + images.size()),
                       4);
    images.append(data);
  }
  QFile ico(dir.filePath(name));
  if (!ico.open(QIODevice::WriteOnly) || ico.write(head + images) != head.size() + images.size()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(ico.fileName()));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <resources-dir>\n", argv[0]);
    return 2;
  }
  QDir root(QString::fromLocal8Bit(argv[1]));
  if (!root.mkpath("png") || !root.mkpath("icon")) {
    std::fprintf(stderr, "cannot create directories under %s\n", argv[1]);
    return 1;
  }
  const QDir png(root.filePath("png"));
  const QDir ico(root.filePath("icon"));

  const QImage tab = inactiveTab();
  bool ok = true;
  ok &= save(tab, png, "145.png", true);  // AUDIO OUT, inactive
  ok &= save(audioInPage(), png, "146.png", false);
  ok &= save(audioOutPage(), png, "147.png", false);
  ok &= save(activeTab(), png, "148.png", false);
  ok &= save(radio(Radio::Unchecked), png, "150.png", false);
  ok &= save(radio(Radio::Checked), png, "151.png", false);
  ok &= save(radio(Radio::Disabled), png, "152.png", false);
  ok &= save(usbPage(), png, "153.png", false);
  ok &= save(tab, png, "154.png", true);  // AUDIO IN, inactive
  ok &= save(tab, png, "155.png", true);  // USB, inactive
  const std::vector<int> iconSizes = {16, 24, 32, 48, 256};
  for (int size : iconSizes) ok &= save(icon(size), ico, QString("tarvik-%1.png").arg(size), true);
  ok = ok && saveIco(ico, "tarvik.ico", iconSizes);
  return ok ? 0 : 1;
}
