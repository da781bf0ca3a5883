// The box layout, checked against the shipped skins and small documents.

#include "skin_fixture.h"
#include "skinui/layouts.h"

namespace skintest {
namespace {

using SkinUI::UiRect;

class LayoutTest : public ShippedSkinTest {};

TEST_F(LayoutTest, UpdaterBodyGivesTheProgressBarTheRowMinusTheSkipButton) {
  ASSERT_TRUE(BuildShipped(L"UpdaterWnd.xml", 310, 100));
  const UiRect row = PosOf(L"progressLayout");
  EXPECT_EQ(row, (UiRect{10, 60, 300, 100}));
  const UiRect bar = PosOf(L"downloadProgress");
  EXPECT_EQ(bar.Width(), 210);
  EXPECT_EQ(bar.Height(), 3);
  EXPECT_EQ(bar.top - row.top, 14);
  EXPECT_EQ(bar.left, 10);
  EXPECT_EQ(PosOf(L"skipButton"), (UiRect{229, 62, 300, 88}));
  EXPECT_EQ(PosOf(L"tipsLabel"), (UiRect{10, 30, 310, 60}));
}

TEST_F(LayoutTest, WideningTheUpdaterWindowGoesToTheProgressBar) {
  ASSERT_TRUE(BuildShipped(L"UpdaterWnd.xml", 360, 100));
  EXPECT_EQ(PosOf(L"downloadProgress").Width(), 260);
}

TEST_F(LayoutTest, UpdaterTitleSpacerKeepsTheTitlePaddingCountedSoCloseSitsTenPixelsIn) {
  ASSERT_TRUE(BuildShipped(L"UpdaterWnd.xml", 310, 100));
  manager.FindByName(L"closeButton")->SetVisible(true);
  manager.Layout(UiRect{0, 0, 310, 100});
  // The spacer gets 310 - 10 - 200 - 30 = 70 pixels.
  EXPECT_EQ(PosOf(L"closeButton"), (UiRect{286, 8, 300, 22}));
}

TEST_F(LayoutTest, TipsBoxRowsAndConfirmButtonFollowTheFixedRows) {
  ASSERT_TRUE(BuildShipped(L"TipsBoxWnd.xml", 310, 100));
  EXPECT_EQ(PosOf(L"tipsLabel"), (UiRect{18, 30, 310, 60}));
  const UiRect confirm = PosOf(L"confirmButton");
  EXPECT_EQ(confirm.left, 224);
  EXPECT_EQ(confirm.right, 296);
  EXPECT_EQ(confirm.top, 65 + 4);
  EXPECT_EQ(PosOf(L"closeButton"), (UiRect{290, 8, 304, 22}));
}

TEST_F(LayoutTest, TipsBoxConfirmButtonStaysWhenCancelIsHidden) {
  ASSERT_TRUE(BuildShipped(L"TipsBoxWnd_en.xml", 310, 100));
  manager.FindByName(L"cancelButton")->SetVisible(false);
  manager.Layout(UiRect{0, 0, 310, 100});
  EXPECT_EQ(PosOf(L"confirmButton").left, 224);
  EXPECT_EQ(PosOf(L"confirmButton").right, 296);
}

TEST_F(LayoutTest, LaunchWindowPlacesCloseAndLaunchButtonsAsDrawn) {
  for (const wchar_t* skin : {L"LaunchWnd.xml", L"LaunchWnd_en.xml"}) {
    ASSERT_TRUE(BuildShipped(skin, 420, 210));
    EXPECT_EQ(PosOf(L"closeButton"), (UiRect{290, 8, 304, 22}));
    EXPECT_EQ(PosOf(L"launchButton"), (UiRect{0, 62, 80, 98}));
    EXPECT_EQ(PosOf(L"tipsLabel"), (UiRect{0, 32, 420, 62}));
  }
}

TEST_F(LayoutTest, AlignOnALayoutDoesNotCentreItsChildren) {
  ASSERT_TRUE(BuildText(R"(<Window><HorizontalLayout align="center">
      <Button name="b" width="80" height="20" /></HorizontalLayout></Window>)",
                        400, 100));
  EXPECT_EQ(PosOf(L"b"), (UiRect{0, 0, 80, 20}));
}

TEST_F(LayoutTest, LastAdjustableChildTakesTheOddPixel) {
  ASSERT_TRUE(BuildText(R"(<Window><HorizontalLayout>
      <Control name="a" /><Control name="b" /></HorizontalLayout></Window>)",
                        101, 10));
  EXPECT_EQ(PosOf(L"a"), (UiRect{0, 0, 50, 10}));
  EXPECT_EQ(PosOf(L"b"), (UiRect{50, 0, 101, 10}));
}

TEST_F(LayoutTest, LastAdjustableLeavesRoomForEveryPaddingAndTheFixedWidthsAfterIt) {
  ASSERT_TRUE(BuildText(R"(<Window><HorizontalLayout>
      <Control name="a" width="50" padding="10,0,5,0" /><Control name="b" />
      <Control name="c" width="20" padding="3,0,0,0" /></HorizontalLayout></Window>)",
                        200, 10));
  EXPECT_EQ(PosOf(L"a"), (UiRect{10, 0, 60, 10}));
  // 200 - 15 - 50 (taken before b) - 38 (the first pass's 88 less a's width).
  EXPECT_EQ(PosOf(L"b"), (UiRect{65, 0, 162, 10}));
  EXPECT_EQ(PosOf(L"c"), (UiRect{165, 0, 185, 10}));
}

TEST_F(LayoutTest, HiddenChildrenTakeNoSpace) {
  ASSERT_TRUE(BuildText(R"(<Window><VerticalLayout>
      <Control name="a" height="30" visible="false" /><Control name="b" height="20" />
      </VerticalLayout></Window>)",
                        100, 100));
  EXPECT_EQ(PosOf(L"b"), (UiRect{0, 0, 100, 20}));
}

TEST_F(LayoutTest, SizesAreClampedToMinimumAndMaximum) {
  ASSERT_TRUE(BuildText(R"(<Window><HorizontalLayout>
      <Control name="a" maxwidth="30" /><Control name="b" width="5" minwidth="12" />
      </HorizontalLayout></Window>)",
                        100, 10));
  EXPECT_EQ(PosOf(L"a").Width(), 30);
  EXPECT_EQ(PosOf(L"b"), (UiRect{30, 0, 42, 10}));
}

TEST_F(LayoutTest, LabelWithoutHeightTakesFontHeightPlusFourInAColumn) {
  ASSERT_TRUE(BuildText(R"(<Window><VerticalLayout>
      <Label name="l" text="x" /><Button name="b" /><Control name="rest" />
      </VerticalLayout></Window>)",
                        100, 100));
  // Without a window the default font counts as 13 pixels high.
  EXPECT_EQ(PosOf(L"l"), (UiRect{0, 0, 100, 17}));
  EXPECT_EQ(PosOf(L"b"), (UiRect{0, 17, 100, 38}));
  EXPECT_EQ(PosOf(L"rest"), (UiRect{0, 38, 100, 100}));
}

TEST_F(LayoutTest, OverfullRowGivesAdjustablesNothing) {
  ASSERT_TRUE(BuildText(R"(<Window><HorizontalLayout>
      <Control name="a" /><Control name="b" width="80" /><Control name="c" />
      </HorizontalLayout></Window>)",
                        50, 10));
  EXPECT_EQ(PosOf(L"a").Width(), 0);
  EXPECT_EQ(PosOf(L"c").Width(), 0);
}

TEST_F(LayoutTest, InsetShrinksTheContent) {
  ASSERT_TRUE(BuildText(R"(<Window><HorizontalLayout inset="4,5,6,7">
      <Control name="a" /></HorizontalLayout></Window>)",
                        100, 50));
  EXPECT_EQ(PosOf(L"a"), (UiRect{4, 5, 94, 43}));
}

}  // namespace
}  // namespace skintest
