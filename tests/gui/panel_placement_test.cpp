// The demo's stand-in panel beside the main window.
#include <gtest/gtest.h>

#include "demo/panel_placement.h"

TEST(PanelPlacement, RightOfTheWindowElseLeftElseAsFarRightAsFits) {
  using tarvik::PanelBeside;
  const QRect screen(1280, 100, 1280, 660);  // a second screen, with a task bar below
  const QSize panel(300, 200);
  EXPECT_EQ(PanelBeside({1380, 150, 880, 600}, panel, screen), QPoint(2260, 150));  // right
  EXPECT_EQ(PanelBeside({1580, 150, 681, 600}, panel, screen), QPoint(1280, 150));  // left
  EXPECT_EQ(PanelBeside({1530, 150, 900, 600}, panel, screen), QPoint(2260, 150));  // neither
  EXPECT_EQ(PanelBeside({1380, 700, 600, 400}, panel, screen), QPoint(1980, 560));
  EXPECT_EQ(PanelBeside({1380, 50, 600, 400}, panel, screen), QPoint(1980, 100));
}
