// A text label that draws its caption in its own font, colour and layout
// straight over whatever its parent painted beneath it, and lets the mouse
// through to the parent.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

#include "controls/x_image.h"

namespace tarvik {

// Text layout flags of a label, as the window system's text drawing knows them.
inline constexpr unsigned kDtLeft = 0x00;
inline constexpr unsigned kDtCenter = 0x01;
inline constexpr unsigned kDtVCenter = 0x04;
inline constexpr unsigned kDtSingleLine = 0x20;

// A rectangle given as left, top, right, bottom.
inline QRect RectLtrb(int left, int top, int right, int bottom) {
  return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

class CxStaticLabel : public QWidget {
  Q_OBJECT

 public:
  CxStaticLabel() = default;

  // Makes the font and places the label, visible, on `parent` at `rect`.
  virtual bool Create(const QRect& rect, QWidget* parent, int id);

  void SetText(const QString& text);
  QString Text() const { return text_; }
  int ControlId() const { return id_; }
  const QFont& Font() const { return font_; }

  unsigned textColor = 0x000000;  // 0xRRGGBB
  unsigned format = kDtSingleLine;
  CxImage image;

 protected:
  void paintEvent(QPaintEvent* event) override;
  // Places the label, visible and with an empty caption, on `parent`.
  bool Place(const QRect& rect, QWidget* parent, int id);

  QFont font_;

 private:
  QString text_;
  int id_ = 0;
};

}  // namespace tarvik
