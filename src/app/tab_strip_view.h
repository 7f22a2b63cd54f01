// The keyboard's and assistive technology's side of the main window's
// painted tabs: a transparent widget over the strip that holds the three tab
// labels and takes the focus for them. With the focus it moves between the
// tabs on Left and Right; anywhere in the window Ctrl+Tab, Ctrl+Shift+Tab,
// Ctrl+PageDown and Ctrl+PageUp move too. It marks the active tab while the
// focus came from the keyboard; the mouse never sees it.
#pragma once

#include <QWidget>

#include "controls/focus_mark.h"
#include "controls/x_static_label.h"

namespace tarvik {

class TabStripView : public QWidget {
  Q_OBJECT

 public:
  TabStripView() = default;

  // Places the strip and its labels on `window`, the labels at the tabs'
  // window pixels.
  void Create(QWidget* window);
  // Follows the page the window shows; marks the tab when the change came
  // from the strip's keys.
  void ShowActiveTab(int index);
  int ActiveTab() const { return active_; }
  // A tab's rectangle in the strip's pixels.
  static QRect TabRect(int index);
  QString TabCaption(int index) const { return labels_[index].Text(); }

 signals:
  // The user asked for the page of tab `index`.
  void TabRequested(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void RequestFromKeyboard(int step);
  // Tells assistive technology that tab `index` was selected or left, and
  // when `focus`, that it holds the focus.
  void NotifyTab(int index, bool focus);

  CxStaticLabel labels_[3];
  int active_ = 0;
  FocusMark focusMark_{*this};
  bool keyboardSwitch_ = false;  // a page change from the strip's keys is under way
};

}  // namespace tarvik
