// The tips box under Wine: its window, skin and texts in the user's language,
// the close codes of its modal loop, its owner, centring and drag band.
#include <gtest/gtest.h>

#include "skinui/button.h"
#include "skinui/label.h"
#include "updater/windows/tips_box_wnd.h"
#include "window_test_support.h"

namespace windows_test {
namespace {

using updater_ui::UiLanguage;

class TipsBoxTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SkinUI::SetSkinInstance(::GetModuleHandleW(nullptr)); }

  static std::wstring Text(CZvkWndBase& wnd, const wchar_t* name) {
    SkinUI::CControlUI* control = wnd.GetManager().FindByName(name);
    return control ? control->GetText() : L"<missing>";
  }
};

TEST_F(TipsBoxTest, WindowClassTitleStyleAndSkinFollowTheLanguage) {
  ModalGuard guard;
  const std::wstring notice = updater_ui::ClientTooOldText(ExpectedLanguage());
  CTipsBoxWnd box(nullptr, notice, kTipsBoxNotice);
  const HWND hwnd = box.GetHWND();
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(ClassOf(hwnd), L"zvk_updater_tips_wnd_class_name");
  EXPECT_EQ(TitleOf(hwnd), L"Vellacast提示");
  const LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, 0);
  EXPECT_NE(style & WS_POPUP, 0);
  EXPECT_NE(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  EXPECT_EQ(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_EQ(ClientSize(hwnd).cx, 310);
  EXPECT_EQ(ClientSize(hwnd).cy, 100);
  const bool chinese = ExpectedLanguage() == UiLanguage::kChinese;
  EXPECT_EQ(Text(box, L"titleLabel"), chinese ? L"提示" : L"Tips");
  EXPECT_EQ(Text(box, L"tipsLabel"), notice);
  auto* confirm = box.confirmButton();
  ASSERT_NE(confirm, nullptr);
  EXPECT_EQ(confirm->GetText(), L"确定");
  EXPECT_EQ(confirm->GetNormalImage(), chinese ? L"btn_common_n.png" : L"btn_common_n_en.png");
  EXPECT_EQ(confirm->GetHotTextColor(), 0x00FFFFFFu);
  EXPECT_EQ(confirm->GetPushedTextColor(), 0x00B2C3CCu);
  ASSERT_NE(box.cancelButton(), nullptr);
  EXPECT_FALSE(box.cancelButton()->IsVisible());
  Screenshot(hwnd, "tips-notice");
}

TEST_F(TipsBoxTest, FailureTypeStartsWithAnEmptyButtonThatTheCallerNames) {
  const UiLanguage language = ExpectedLanguage();
  ModalGuard guard;
  CTipsBoxWnd box(nullptr, updater_ui::DownloadFailedText(language), kTipsBoxFailure);
  ASSERT_NE(box.confirmButton(), nullptr);
  EXPECT_EQ(box.confirmButton()->GetText(), L"");
  box.SetConfirmText(updater_ui::DownloadFailedButtonText(language));
  EXPECT_EQ(box.confirmButton()->GetText(), updater_ui::DownloadFailedButtonText(language));
  EXPECT_FALSE(box.cancelButton()->IsVisible());
  Screenshot(box.GetHWND(), "tips-failure");
}

TEST_F(TipsBoxTest, EnterClosesWithOneAndEscapeWithTwoWhateverHasTheFocus) {
  {
    ModalGuard guard;
    CTipsBoxWnd box(nullptr, L"enter", kTipsBoxNotice);
    PostKey(box.GetHWND(), VK_RETURN);
    EXPECT_EQ(box.RunModal(), 1u);
    EXPECT_EQ(box.GetHWND(), nullptr);
  }
  {
    ModalGuard guard;
    CTipsBoxWnd box(nullptr, L"escape", kTipsBoxNotice);
    box.GetManager().SetFocus(box.confirmButton());
    PostKey(box.GetHWND(), VK_ESCAPE);
    EXPECT_EQ(box.RunModal(), 2u);
  }
  {
    // Return also activates the focused close button; the Enter close comes first.
    ModalGuard guard;
    CTipsBoxWnd box(nullptr, L"enter on close", kTipsBoxNotice);
    box.GetManager().SetFocus(box.GetManager().FindByName(L"closeButton"));
    PostKey(box.GetHWND(), VK_RETURN);
    EXPECT_EQ(box.RunModal(), 1u);
  }
}

TEST_F(TipsBoxTest, ButtonsAndSystemCloseGiveTheirCodes) {
  {
    ModalGuard guard;
    CTipsBoxWnd box(nullptr, L"confirm", kTipsBoxNotice);
    PostClick(box.GetHWND(), 260, 80);
    EXPECT_EQ(box.RunModal(), 1u);
  }
  {
    ModalGuard guard;
    CTipsBoxWnd box(nullptr, L"close", kTipsBoxNotice);
    PostClick(box.GetHWND(), 297, 15);
    EXPECT_EQ(box.RunModal(), 2u);
  }
  {
    ModalGuard guard;
    CTipsBoxWnd box(nullptr, L"alt+f4", kTipsBoxNotice);
    PostAltF4(box.GetHWND());
    EXPECT_EQ(box.RunModal(), 0u);
    EXPECT_EQ(box.GetHWND(), nullptr);
  }
}

TEST_F(TipsBoxTest, OwnerIsDisabledWhileTheBoxIsUpAndGetsTheFocusBack) {
  OwnerWindow owner(200, 150, 600, 400);
  ASSERT_NE(owner.hwnd(), nullptr);
  ModalGuard guard;
  CTipsBoxWnd box(owner.hwnd(), L"owned", kTipsBoxNotice);
  const RECT ownerRect = WindowRect(owner.hwnd());
  const RECT boxRect = WindowRect(box.GetHWND());
  EXPECT_EQ(boxRect.left, (ownerRect.left + ownerRect.right) / 2 - 155);
  EXPECT_EQ(boxRect.top, (ownerRect.top + ownerRect.bottom) / 2 - 50);

  static bool ownerEnabledDuringModal;
  static HWND boxWindow;
  static HWND ownerWindow;
  ownerEnabledDuringModal = true;
  boxWindow = box.GetHWND();
  ownerWindow = owner.hwnd();
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ownerEnabledDuringModal = ::IsWindowEnabled(ownerWindow) != FALSE;
    PostKey(boxWindow, VK_RETURN);
  });
  ASSERT_NE(timer, 0u);
  EXPECT_EQ(box.RunModal(), 1u);
  EXPECT_FALSE(ownerEnabledDuringModal);
  EXPECT_TRUE(::IsWindowEnabled(owner.hwnd()));
  EXPECT_EQ(::GetFocus(), owner.hwnd());
}

TEST_F(TipsBoxTest, BoxOverAMinimisedOwnerIsCentredInTheWorkArea) {
  OwnerWindow owner(10, 10, 300, 200);
  ::ShowWindow(owner.hwnd(), SW_MINIMIZE);
  PumpFor(50);
  ASSERT_TRUE(::IsIconic(owner.hwnd()));
  ModalGuard guard;
  CTipsBoxWnd box(owner.hwnd(), L"minimised owner", kTipsBoxNotice);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(owner.hwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  const RECT rc = WindowRect(box.GetHWND());
  EXPECT_EQ(rc.left, (work.left + work.right) / 2 - 155);
  EXPECT_EQ(rc.top, (work.top + work.bottom) / 2 - 50);
}

TEST_F(TipsBoxTest, TitleTextDragsButTheCloseButtonAndTheLowerTitleBarDoNot) {
  ModalGuard guard;
  CTipsBoxWnd box(nullptr, L"drag", kTipsBoxNotice);
  const HWND hwnd = box.GetHWND();
  EXPECT_EQ(HitTest(hwnd, 30, 10), HTCAPTION);   // titleLabel
  EXPECT_EQ(HitTest(hwnd, 200, 19), HTCAPTION);  // the title bar's layout
  EXPECT_EQ(HitTest(hwnd, 297, 15), HTCLIENT);   // closeButton
  EXPECT_EQ(HitTest(hwnd, 30, 25), HTCLIENT);    // orange, but below the band
  EXPECT_EQ(HitTest(hwnd, 150, 60), HTCLIENT);
}

}  // namespace
}  // namespace windows_test
