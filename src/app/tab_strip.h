// The main window's strip of three painted tabs: their fixed places and the
// hit test that decides which page a click selects.
#pragma once

#include <QPoint>
#include <QRect>

#include "resources/resource_ids.h"

namespace tarvik {

// Control ids of the tabs' labels.
enum TabLabelId : int {
  kAudioInTabLabel = 1032,
  kAudioOutTabLabel = 1033,
  kUsbTabLabel = 1036,
};

struct TabSpec {
  const char* caption;
  const char* name;  // the label's object name
  int labelId;
  int left, top, right, bottom;  // window client pixels; right and bottom exclusive
  PngId png;
};

// Neighbouring tabs share one pixel column (x = 101 and x = 194).
inline constexpr TabSpec kTabs[3] = {
    {"AUDIO IN", "audioInTab", kAudioInTabLabel, 8, 8, 102, 31, kPngAudioInTab},
    {"AUDIO OUT", "audioOutTab", kAudioOutTabLabel, 101, 8, 195, 31, kPngAudioOutTab},
    {"USB", "usbTab", kUsbTabLabel, 194, 8, 288, 31, kPngUsbTab},
};

inline bool TabContains(const TabSpec& tab, QPoint p) {
  return p.x() >= tab.left && p.x() < tab.right && p.y() >= tab.top && p.y() < tab.bottom;
}

// The tab a click at `p` selects, or -1 when the selection stays; on a
// shared column the active tab wins.
inline int HitTestTab(int activeTab, QPoint p) {
  if (activeTab >= 0 && activeTab < 3 && TabContains(kTabs[activeTab], p)) return -1;
  for (int i = 0; i < 3; ++i)
    if (i != activeTab && TabContains(kTabs[i], p)) return i;
  return -1;
}

}  // namespace tarvik
