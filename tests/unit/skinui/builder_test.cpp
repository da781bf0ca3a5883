// The builder: fonts, window attributes, element and attribute rules, name lookup.

#include "skin_fixture.h"
#include "skinui/button.h"
#include "skinui/label.h"
#include "skinui/layouts.h"
#include "skinui/progress.h"
#include "skinui/value_syntax.h"

namespace skintest {
namespace {

using SkinUI::UiRect;

class BuilderTest : public ShippedSkinTest {};

TEST_F(BuilderTest, BuildsEveryShippedSkin) {
  for (const wchar_t* skin : {L"UpdaterWnd.xml", L"UpdaterWnd_en.xml", L"TipsBoxWnd.xml",
                              L"TipsBoxWnd_en.xml", L"LaunchWnd.xml", L"LaunchWnd_en.xml"}) {
    SkinUI::CSkinManagerUI m;
    SkinUI::CSkinBuilder builder;
    EXPECT_NE(builder.Build(skin, nullptr, m), nullptr) << std::string(skin, skin + 3);
  }
}

TEST_F(BuilderTest, UpdaterSkinHasTheControlsTheWindowLooksUp) {
  ASSERT_TRUE(BuildShipped(L"UpdaterWnd.xml", 310, 100));
  EXPECT_NE(dynamic_cast<SkinUI::CLabelUI*>(manager.FindByName(L"tipsLabel")), nullptr);
  EXPECT_NE(dynamic_cast<SkinUI::CButtonUI*>(manager.FindByName(L"closeButton")), nullptr);
  EXPECT_NE(dynamic_cast<SkinUI::CButtonUI*>(manager.FindByName(L"skipButton")), nullptr);
  EXPECT_NE(dynamic_cast<SkinUI::CHorizontalLayoutUI*>(manager.FindByName(L"buttonLayout")), nullptr);
  EXPECT_NE(dynamic_cast<SkinUI::CHorizontalLayoutUI*>(manager.FindByName(L"progressLayout")), nullptr);
  EXPECT_NE(dynamic_cast<SkinUI::CProgressUI*>(manager.FindByName(L"downloadProgress")), nullptr);
  EXPECT_EQ(manager.GetCaptionRect(), (UiRect{0, 0, 0, 20}));
  EXPECT_EQ(manager.GetInitSize().cx, 310);
  EXPECT_EQ(manager.GetInitSize().cy, 100);
}

TEST_F(BuilderTest, NameLookupIsExactAndCoversHiddenControls) {
  ASSERT_TRUE(BuildShipped(L"UpdaterWnd.xml", 310, 100));
  EXPECT_EQ(manager.FindByName(L"TipsLabel"), nullptr);
  SkinUI::CControlUI* close = manager.FindByName(L"closeButton");
  ASSERT_NE(close, nullptr);
  EXPECT_FALSE(close->IsVisible());
  EXPECT_FALSE(manager.FindByName(L"buttonLayout")->IsVisible());
}

TEST_F(BuilderTest, ShippedFontsWithoutIdRegisterNothing) {
  ASSERT_TRUE(BuildShipped(L"TipsBoxWnd.xml", 310, 100));
  EXPECT_TRUE(manager.GetFont(2).isDefault);
  EXPECT_TRUE(manager.GetFont(3).isDefault);
}

TEST_F(BuilderTest, FontWithIdRegistersAndFontWithoutIdDoesNot) {
  ASSERT_TRUE(BuildText(R"(<Window><Font NAME="Face" size="15" id="2" Bold="true"/>
      <Font name="Other" size="20" /><Font id="-1" name="Neg" size="9" /><Control/></Window>)"));
  EXPECT_EQ(manager.GetFont(2).face, L"Face");
  EXPECT_EQ(manager.GetFont(2).size, 15);
  EXPECT_TRUE(manager.GetFont(2).bold);
  EXPECT_TRUE(manager.GetFont(-1).isDefault);
  EXPECT_TRUE(manager.GetFont(0).isDefault);
}

TEST_F(BuilderTest, OnlyLowerCaseTrueIsTrue) {
  ASSERT_TRUE(BuildText(R"(<Window><VerticalLayout>
      <Label name="a" visible="True" /><Label name="b" visible="1" /><Label name="c" visible="true" />
      </VerticalLayout></Window>)"));
  EXPECT_FALSE(manager.FindByName(L"a")->IsVisible());
  EXPECT_FALSE(manager.FindByName(L"b")->IsVisible());
  EXPECT_TRUE(manager.FindByName(L"c")->IsVisible());
}

TEST_F(BuilderTest, WindowVisibleFalseIsIgnoredAndSizeApplies) {
  ASSERT_TRUE(BuildText(R"(<WINDOW Size="200,50" visible="false"><Control name="c"/></WINDOW>)"));
  EXPECT_TRUE(manager.GetRoot()->IsVisible());
  EXPECT_EQ(manager.GetInitSize().cx, 200);
}

TEST_F(BuilderTest, UnknownElementsAndAttributesAreSkipped) {
  ASSERT_TRUE(BuildText(R"(<Window><VerticalLayout>
      <Fancy name="f"><Label name="inside"/></Fancy>
      <label name="l" colour="#123" text="a &amp; b" /></VerticalLayout></Window>)"));
  EXPECT_EQ(manager.FindByName(L"f"), nullptr);
  EXPECT_EQ(manager.FindByName(L"inside"), nullptr);
  auto* label = dynamic_cast<SkinUI::CLabelUI*>(manager.FindByName(L"l"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->GetText(), L"a & b");
}

TEST_F(BuilderTest, CallbackMakesElementsTheBuilderDoesNotKnow) {
  struct Callback : SkinUI::IDialogBuilderCallback {
    std::unique_ptr<SkinUI::CControlUI> MakeControl(const std::wstring& name) override {
      asked = name;
      return name == L"Custom" ? std::make_unique<SkinUI::CLabelUI>() : nullptr;
    }
    std::wstring asked;
  } callback;
  const std::string xml = R"(<Window><HorizontalLayout><Custom name="c"/></HorizontalLayout></Window>)";
  SkinUI::CSkinBuilder builder;
  auto root = builder.BuildFromMemory(xml.data(), xml.size(), &callback, manager);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(callback.asked, L"Custom");
  manager.AttachDialog(std::move(root));
  EXPECT_NE(manager.FindByName(L"c"), nullptr);
}

TEST_F(BuilderTest, SyntaxErrorBuildsNoTreeAndKeepsTheText) {
  const std::string xml = "<Window><Label></Window>";
  SkinUI::CSkinBuilder builder;
  EXPECT_EQ(builder.BuildFromMemory(xml.data(), xml.size(), nullptr, manager), nullptr);
  EXPECT_EQ(builder.GetLastErrorMessage(), L"Unmatched closing tag");
}

TEST_F(BuilderTest, MissingEntryBuildsNoTree) {
  SkinUI::CSkinBuilder builder;
  EXPECT_EQ(builder.Build(L"Nope.xml", nullptr, manager), nullptr);
  EXPECT_EQ(builder.GetLastErrorMessage(), L"Error opening file");
}

TEST(ValueSyntaxTest, QuadsSkipExactlyOneSeparatorAfterEachNumber) {
  EXPECT_EQ(SkinUI::ParseQuad(L"10,0,0,0"), (UiRect{10, 0, 0, 0}));
  EXPECT_EQ(SkinUI::ParseQuad(L"1;2 3x4"), (UiRect{1, 2, 3, 4}));
  EXPECT_EQ(SkinUI::ParseQuad(L"1, 2,3,4"), (UiRect{1, 0, 2, 3}));
  EXPECT_EQ(SkinUI::ParsePair(L"-5,7").cx, -5);
  EXPECT_EQ(SkinUI::ParseInt(L"abc"), 0);
  EXPECT_EQ(SkinUI::ParseInt(L"99999999999"), 2147483647);
}

TEST(ValueSyntaxTest, ColoursAreHexWithOptionalHash) {
  EXPECT_EQ(SkinUI::ParseColor(L"#FFFF9A00"), 0xFFFF9A00u);
  EXPECT_EQ(SkinUI::ParseColor(L"ff333333"), 0xFF333333u);
  EXPECT_EQ(SkinUI::ParseColor(L"#zz"), 0u);
}

}  // namespace
}  // namespace skintest
