// Painting of labels, buttons and progress bars through a recording renderer.

#include "skin_fixture.h"
#include "skinui/button.h"
#include "skinui/progress.h"

namespace skintest {
namespace {

using SkinUI::UiRect;

class ControlsTest : public ShippedSkinTest {
 protected:
  std::vector<PaintOp> Paint() {
    RecordingRenderer renderer;
    manager.Paint(renderer, UiRect{0, 0, 10000, 10000});
    return renderer.ops;
  }
  const PaintOp* FindImage(const std::vector<PaintOp>& ops, const std::wstring& image) {
    const SkinUI::SkinImage* wanted = manager.GetImage(image);
    for (const auto& op : ops) {
      if (op.kind == PaintOp::kImage && op.image == wanted) return &op;
    }
    return nullptr;
  }
  SkinUI::CProgressUI& Bar() {
    return *dynamic_cast<SkinUI::CProgressUI*>(manager.FindByName(L"downloadProgress"));
  }
};

TEST_F(ControlsTest, ProgressAboveMaximumPaintsFullAndReportsTheMaximum) {
  ASSERT_TRUE(BuildShipped(L"UpdaterWnd.xml", 310, 100));
  Bar().SetValue(250);
  EXPECT_EQ(Bar().GetValue(), 250);  // stored as given until painted
  const auto ops = Paint();
  const PaintOp* fill = FindImage(ops, L"progress_fg.png");
  ASSERT_NE(fill, nullptr);
  EXPECT_EQ(fill->rect, Bar().GetPos());
  EXPECT_EQ(Bar().GetValue(), 100);
}

TEST_F(ControlsTest, ProgressBelowMinimumPaintsNoFill) {
  ASSERT_TRUE(BuildShipped(L"UpdaterWnd.xml", 310, 100));
  Bar().SetValue(-5);
  const auto ops = Paint();
  EXPECT_EQ(FindImage(ops, L"progress_fg.png"), nullptr);
  EXPECT_NE(FindImage(ops, L"progress_bg.png"), nullptr);
  EXPECT_EQ(Bar().GetValue(), 0);
}

TEST_F(ControlsTest, ProgressFillIsProportionalWithIntegerArithmetic) {
  ASSERT_TRUE(BuildShipped(L"UpdaterWnd.xml", 310, 100));
  Bar().SetValue(42);
  const auto ops = Paint();
  const PaintOp* fill = FindImage(ops, L"progress_fg.png");
  ASSERT_NE(fill, nullptr);
  EXPECT_EQ(fill->rect.Width(), 210 * 42 / 100);
  EXPECT_EQ(fill->rect.Height(), 3);
}

TEST_F(ControlsTest, ProgressWithEmptyRangeWidensItToOne) {
  SkinUI::CProgressUI bar;
  bar.SetMinValue(5);
  bar.SetMaxValue(5);
  bar.SetValue(9);
  bar.SetPos(UiRect{0, 0, 100, 3});
  EXPECT_EQ(bar.ClampAndComputeFill().Width(), 100);
  EXPECT_EQ(bar.GetMaxValue(), 6);
  EXPECT_EQ(bar.GetValue(), 6);
}

TEST_F(ControlsTest, MissingHotImageFallsBackToTheNormalImage) {
  ASSERT_TRUE(BuildText(R"(<Window><HorizontalLayout><Button name="b" width="71" height="26"
      normalimage="btn_skip_n.png" hotimage="no_such.png" pushedimage="btn_skip_p.png"/>
      </HorizontalLayout></Window>)"));
  manager.OnMouseMove(SkinUI::UiPoint{5, 5});
  auto* button = dynamic_cast<SkinUI::CButtonUI*>(manager.FindByName(L"b"));
  ASSERT_TRUE(button->GetState() & SkinUI::CButtonUI::kStateHot);
  const auto ops = Paint();
  EXPECT_NE(FindImage(ops, L"btn_skip_n.png"), nullptr);
  manager.OnButtonDown(SkinUI::UiPoint{5, 5});
  EXPECT_NE(FindImage(Paint(), L"btn_skip_p.png"), nullptr);
}

TEST_F(ControlsTest, ButtonStateImagesFollowThePointer) {
  ASSERT_TRUE(BuildShipped(L"TipsBoxWnd.xml", 310, 100));
  EXPECT_NE(FindImage(Paint(), L"btn_common_n.png"), nullptr);
  manager.OnMouseMove(SkinUI::UiPoint{230, 75});
  EXPECT_NE(FindImage(Paint(), L"btn_common_h.png"), nullptr);
  manager.OnButtonDown(SkinUI::UiPoint{230, 75});
  EXPECT_NE(FindImage(Paint(), L"btn_common_p.png"), nullptr);
  manager.OnMouseMove(SkinUI::UiPoint{100, 75});  // dragged off while captured: neither pushed nor hot
  EXPECT_NE(FindImage(Paint(), L"btn_common_n.png"), nullptr);
  manager.OnMouseMove(SkinUI::UiPoint{230, 75});  // back over it: pushed again
  EXPECT_NE(FindImage(Paint(), L"btn_common_p.png"), nullptr);
}

TEST_F(ControlsTest, ButtonTextColourFollowsItsState) {
  ASSERT_TRUE(BuildShipped(L"TipsBoxWnd.xml", 310, 100));
  auto* confirm = dynamic_cast<SkinUI::CButtonUI*>(manager.FindByName(L"confirmButton"));
  confirm->SetText(L"OK");
  confirm->SetHotTextColor(0x00FFFFFF);
  confirm->SetPushedTextColor(0x00B2C3CC);
  EXPECT_EQ(confirm->CurrentTextColor(), 0u);
  manager.OnMouseMove(SkinUI::UiPoint{230, 75});
  EXPECT_EQ(confirm->CurrentTextColor(), 0x00FFFFFFu);
  manager.OnButtonDown(SkinUI::UiPoint{230, 75});
  EXPECT_EQ(confirm->CurrentTextColor(), 0x00B2C3CCu);
  const auto ops = Paint();
  const auto text = std::find_if(ops.begin(), ops.end(), [](const PaintOp& op) {
    return op.kind == PaintOp::kText && op.text == L"OK";
  });
  ASSERT_NE(text, ops.end());
  EXPECT_EQ(text->color, 0x00B2C3CCu);
  EXPECT_EQ(text->style, SkinUI::kTextCenter | SkinUI::kTextVCenter);
  confirm->SetEnabled(false);
  EXPECT_EQ(confirm->CurrentStateImage(), L"");
}

TEST_F(ControlsTest, PaintsParentsBeforeChildrenInDocumentOrderClippedToParents) {
  ASSERT_TRUE(BuildShipped(L"UpdaterWnd.xml", 310, 100));
  auto* tips = dynamic_cast<SkinUI::CLabelUI*>(manager.FindByName(L"tipsLabel"));
  tips->SetText(L"a & b");
  const auto ops = Paint();
  ASSERT_GE(ops.size(), 4u);
  EXPECT_EQ(ops[0].kind, PaintOp::kFill);
  EXPECT_EQ(ops[0].color, 0xFFFF9A00u);
  EXPECT_EQ(ops[0].rect, (UiRect{0, 0, 310, 30}));
  EXPECT_EQ(ops[1].kind, PaintOp::kText);
  EXPECT_EQ(ops[1].text, L"Vellacast\u66f4\u65b0");
  EXPECT_EQ(ops[1].color, 0xFFFFFFFFu);
  EXPECT_EQ(ops[2].kind, PaintOp::kFill);
  EXPECT_EQ(ops[2].color, 0xFFF8F8F8u);
  EXPECT_EQ(ops[3].text, L"a & b");
  EXPECT_EQ(ops[3].color, 0xFF333333u);
  for (const auto& op : ops) {
    EXPECT_EQ(SkinUI::Intersect(op.rect, op.clip).IsEmpty(), false);
  }
}

TEST_F(ControlsTest, LaunchButtonImageIsStretchedOverTheButton) {
  ASSERT_TRUE(BuildShipped(L"LaunchWnd_en.xml", 420, 210));
  const auto ops = Paint();
  const PaintOp* image = FindImage(ops, L"btn_launch_n_en.png");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->rect, (UiRect{0, 62, 80, 98}));
  EXPECT_EQ(manager.GetImage(L"BTN_LAUNCH_N_EN.PNG")->width, 71);
}

TEST_F(ControlsTest, TextOfADisabledLabelUsesTheDisabledColour) {
  ASSERT_TRUE(BuildText(R"(<Window><HorizontalLayout><Label name="l" text="x" enabled="false"/>
      </HorizontalLayout></Window>)"));
  const auto ops = Paint();
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].color, 0xFFA7A6AAu);
}

}  // namespace
}  // namespace skintest
