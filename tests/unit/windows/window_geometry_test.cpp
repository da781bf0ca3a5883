#include "updater/windows/window_geometry.h"

#include <gtest/gtest.h>

namespace updater_ui {
namespace {

using SkinUI::UiPoint;
using SkinUI::UiRect;

const UiRect kWorkArea{0, 0, 1280, 984};  // a task bar of 40 pixels at the bottom

CentringInput Input(UiRect window) {
  CentringInput input;
  input.window = window;
  input.workArea = kWorkArea;
  return input;
}

TEST(CenterOnOwner, CentresOnTheOwnersRectangle) {
  CentringInput input = Input({0, 0, 310, 100});
  input.hasOwner = true;
  input.ownerRect = {100, 100, 901, 701};
  const UiPoint pos = CenteredPosition(input);
  EXPECT_EQ(pos.x, 500 - 155);
  EXPECT_EQ(pos.y, 400 - 50);
}

TEST(CenterOnOwner, WithoutOwnerCentresInTheWorkArea) {
  const UiPoint pos = CenteredPosition(Input({0, 0, 420, 210}));
  EXPECT_EQ(pos.x, 640 - 210);
  EXPECT_EQ(pos.y, 492 - 105);
}

TEST(CenterOnOwner, MinimisedOwnerCentresInTheWorkArea) {
  CentringInput input = Input({0, 0, 310, 100});
  input.hasOwner = true;
  input.ownerMinimised = true;
  input.ownerRect = {-32000, -32000, -31840, -31969};
  const UiPoint pos = CenteredPosition(input);
  EXPECT_EQ(pos.x, 640 - 155);
  EXPECT_EQ(pos.y, 492 - 50);
}

TEST(CenterOnOwner, WindowTallerThanTheWorkAreaGoesToItsTop) {
  const UiPoint pos = CenteredPosition(Input({0, 0, 300, 1200}));
  EXPECT_EQ(pos.y, 0);
}

TEST(CenterOnOwner, OwnerNearAnEdgeKeepsTheWindowInsideTheWorkArea) {
  CentringInput input = Input({0, 0, 310, 100});
  input.hasOwner = true;
  input.ownerRect = {1200, 950, 1280, 984};
  const UiPoint right = CenteredPosition(input);
  EXPECT_EQ(right.x, 1280 - 310);
  EXPECT_EQ(right.y, 984 - 100);
  input.ownerRect = {-100, -50, 20, 10};
  const UiPoint left = CenteredPosition(input);
  EXPECT_EQ(left.x, 0);
  EXPECT_EQ(left.y, 0);
}

TEST(CenterOnOwner, WorkAreaOffsetByALeftTaskBarIsRespected) {
  CentringInput input = Input({0, 0, 310, 100});
  input.workArea = {60, 0, 1280, 1024};
  input.hasOwner = true;
  input.ownerRect = {0, 0, 100, 100};
  EXPECT_EQ(CenteredPosition(input).x, 60);
}

TEST(WidenedToLeft, KeepsRightEdgeTopAndHeight) {
  const UiRect wide = WidenedToLeft({970, 884, 1280, 984}, 360);
  EXPECT_EQ(wide.left, 920);
  EXPECT_EQ(wide.right, 1280);
  EXPECT_EQ(wide.top, 884);
  EXPECT_EQ(wide.bottom, 984);
}

}  // namespace
}  // namespace updater_ui
