#include "updater/corner_placement.h"

#include <gtest/gtest.h>

namespace {

const ScreenRect kWindow{100, 100, 410, 200};  // 310 x 100

TEST(CornerPlacement, TaskBarAtTheBottomPutsTheWindowInTheCorner) {
  const ScreenPoint corner = BottomRightCorner(ScreenRect{0, 0, 1280, 984}, kWindow);
  EXPECT_EQ(corner.x, 970);
  EXPECT_EQ(corner.y, 884);
}

TEST(CornerPlacement, TaskBarOnTheLeftOrAtTheTopStillReachesTheCorner) {
  const ScreenPoint left = BottomRightCorner(ScreenRect{60, 0, 1280, 1024}, kWindow);
  EXPECT_EQ(left.x + 310, 1280);
  EXPECT_EQ(left.y + 100, 1024);
  const ScreenPoint top = BottomRightCorner(ScreenRect{0, 40, 1280, 1024}, kWindow);
  EXPECT_EQ(top.x + 310, 1280);
  EXPECT_EQ(top.y + 100, 1024);
}

TEST(CornerPlacement, SecondaryMonitorLeftOfThePrimaryUsesNegativeCoordinates) {
  const ScreenPoint corner = BottomRightCorner(ScreenRect{-1920, 0, 0, 1040}, kWindow);
  EXPECT_EQ(corner.x, -310);
  EXPECT_EQ(corner.y, 940);
}

}  // namespace
