// The launch window under Wine: its window and skin in the user's language
// and the ways it closes.
#include "updater/windows/launch_wnd.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "skinui/button.h"
#include "window_test_support.h"

namespace windows_test {
namespace {

using updater_ui::UiLanguage;

class LaunchWndTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SkinUI::SetSkinInstance(::GetModuleHandleW(nullptr)); }
};

TEST_F(LaunchWndTest, WindowClassTitleIconAndSkinFollowTheLanguage) {
  ModalGuard guard;
  CLaunchWnd wnd;
  const HWND hwnd = wnd.GetHWND();
  ASSERT_NE(hwnd, nullptr);
  wnd.CenterOnOwner();
  EXPECT_EQ(ClassOf(hwnd), L"zvk_updater_launch_wnd_class_name");
  const bool chinese = ExpectedLanguage() == UiLanguage::kChinese;
  EXPECT_EQ(TitleOf(hwnd), chinese ? L"升级程序" : L"Update Program");
  EXPECT_EQ(::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CAPTION, 0);
  EXPECT_NE(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_WINDOWEDGE, 0);
  EXPECT_NE(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(::SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_EQ(ClientSize(hwnd).cx, 420);
  EXPECT_EQ(ClientSize(hwnd).cy, 210);
  SkinUI::CSkinManagerUI& pm = wnd.GetManager();
  ASSERT_NE(pm.FindByName(L"titleLabel"), nullptr);
  EXPECT_EQ(pm.FindByName(L"titleLabel")->GetText(), chinese ? L"Vellacast-升级" : L"Update Assistant");
  EXPECT_EQ(pm.FindByName(L"tipsLabel")->GetText(),
            chinese ? L"升级完成，重新打开助手上课吧！" : L"Update complete, reopen it!");
  auto* launch = dynamic_cast<SkinUI::CButtonUI*>(pm.FindByName(L"launchButton"));
  ASSERT_NE(launch, nullptr);
  EXPECT_EQ(launch->GetNormalImage(), chinese ? L"btn_launch_n.png" : L"btn_launch_n_en.png");
  Screenshot(hwnd, "launch");
}

TEST_F(LaunchWndTest, PressOnTheCloseButtonClosesBeforeTheRelease) {
  ModalGuard guard;
  CLaunchWnd wnd;
  PostPress(wnd.GetHWND(), 297, 15);
  EXPECT_EQ(wnd.RunModal(), 1u);
  EXPECT_EQ(wnd.GetHWND(), nullptr);
}

TEST_F(LaunchWndTest, ClickOnTheLaunchButtonLeavesTheWindowOpen) {
  ModalGuard guard;
  CLaunchWnd wnd;
  PostClick(wnd.GetHWND(), 40, 80);
  // Had the click closed the window, the loop would end with its code first.
  PostKey(wnd.GetHWND(), VK_ESCAPE);
  EXPECT_EQ(wnd.RunModal(), 2u);
}

TEST_F(LaunchWndTest, EnterEscapeAndSystemCloseGiveTheirCodes) {
  {
    ModalGuard guard;
    CLaunchWnd wnd;
    PostKey(wnd.GetHWND(), VK_RETURN);
    EXPECT_EQ(wnd.RunModal(), 1u);
  }
  {
    ModalGuard guard;
    CLaunchWnd wnd;
    PostKey(wnd.GetHWND(), VK_ESCAPE);
    EXPECT_EQ(wnd.RunModal(), 2u);
  }
  {
    ModalGuard guard;
    CLaunchWnd wnd;
    PostAltF4(wnd.GetHWND());
    EXPECT_EQ(wnd.RunModal(), 0u);
  }
}

TEST_F(LaunchWndTest, QuitDuringTheModalLoopEndsItAndIsPostedAgain) {
  ModalGuard guard;
  CLaunchWnd wnd;
  ::PostQuitMessage(7);
  EXPECT_EQ(wnd.RunModal(), 0u);
  MSG msg{};
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
}  // namespace windows_test

namespace windows_test {
namespace {

// The language entries of ctest name the language their Wine server was
// started with and the language the windows must then speak.
TEST(LanguageEntry, WindowsSpeakTheLanguageOfTheEntry) {
  const char* expected = std::getenv("ZVK_EXPECT_UI_LANGUAGE");
  const char* texts = std::getenv("ZVK_EXPECT_TEXTS");
  if (expected == nullptr || texts == nullptr) GTEST_SKIP() << "run by the language entries";
  EXPECT_EQ(::GetUserDefaultUILanguage(), std::strtoul(expected, nullptr, 0));
  SkinUI::SetSkinInstance(::GetModuleHandleW(nullptr));
  const bool chinese = std::string(texts) == "zh";
  CLaunchWnd wnd;
  EXPECT_EQ(TitleOf(wnd.GetHWND()), chinese ? L"升级程序" : L"Update Program");
  EXPECT_EQ(wnd.GetManager().FindByName(L"titleLabel")->GetText(),
            chinese ? L"Vellacast-升级" : L"Update Assistant");
}

}  // namespace
}  // namespace windows_test
