#include "skinui/caption_band.h"

#include <gtest/gtest.h>

namespace {

using SkinUI::IsCaptionDragPoint;
using SkinUI::UiRect;

const UiRect kTipsBand{0, 0, 0, 20};

TEST(DragBand, LabelInTheBandDrags) {
  EXPECT_TRUE(IsCaptionDragPoint(kTipsBand, 310, {40, 10}, L"LabelUI"));
  EXPECT_TRUE(IsCaptionDragPoint(kTipsBand, 310, {150, 0}, L"HorizontalLayoutUI"));
  EXPECT_TRUE(IsCaptionDragPoint(kTipsBand, 310, {150, 5}, nullptr));
}

TEST(DragBand, ButtonsOptionsAndTextsDoNotDrag) {
  EXPECT_FALSE(IsCaptionDragPoint(kTipsBand, 310, {290, 12}, L"ButtonUI"));
  EXPECT_FALSE(IsCaptionDragPoint(kTipsBand, 310, {290, 12}, L"OptionUI"));
  EXPECT_FALSE(IsCaptionDragPoint(kTipsBand, 310, {290, 12}, L"TextUI"));
}

TEST(DragBand, BelowTheBandDoesNotDragEvenInTheTitleBar) {
  EXPECT_FALSE(IsCaptionDragPoint(kTipsBand, 310, {40, 25}, L"HorizontalLayoutUI"));
  EXPECT_FALSE(IsCaptionDragPoint(kTipsBand, 310, {40, 20}, L"LabelUI"));
}

TEST(DragBand, HorizontalEdgesComeFromTheBandsLeftAndRight) {
  const UiRect band{5, 0, 30, 32};
  EXPECT_FALSE(IsCaptionDragPoint(band, 420, {4, 10}, L"LabelUI"));
  EXPECT_TRUE(IsCaptionDragPoint(band, 420, {5, 10}, L"LabelUI"));
  EXPECT_TRUE(IsCaptionDragPoint(band, 420, {389, 31}, L"LabelUI"));
  EXPECT_FALSE(IsCaptionDragPoint(band, 420, {390, 10}, L"LabelUI"));
}

}  // namespace
