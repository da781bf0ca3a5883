// The shipped skins built into real windows under Wine: pixels read back from
// the window, clicks, tooltips, the caption band and the message loop filters.

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "skinui/button.h"
#include "skinui/label.h"
#include "skinui/progress.h"
#include "test_skin_window.h"

namespace skintest {
namespace {

constexpr DWORD kOrange = 0xFF9A00;
constexpr DWORD kBody = 0xF8F8F8;
constexpr DWORD kTrack = 0xE6E6E6;

class SkinWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SkinUI::SetSkinInstance(::GetModuleHandleW(nullptr)); }
};

TEST_F(SkinWindowTest, UpdaterSkinPaintsTitleBarBodyAndProgressFill) {
  TestSkinWnd wnd(L"UpdaterWnd.xml");
  ASSERT_TRUE(wnd.Open());
  RECT rc{};
  ::GetClientRect(wnd.GetHWND(), &rc);
  EXPECT_EQ(rc.right, 310);
  EXPECT_EQ(rc.bottom, 100);
  wnd.Find<SkinUI::CProgressUI>(L"downloadProgress")->SetValue(50);
  const Capture c = CaptureWindow(wnd.GetHWND());
  EXPECT_TRUE(Near(c.At(150, 3), kOrange)) << std::hex << c.At(150, 3);
  EXPECT_TRUE(Near(c.At(150, 45), kBody)) << std::hex << c.At(150, 45);
  // The bar runs from x 10 to 220 at y 74..76; half of 210 pixels is filled.
  EXPECT_TRUE(Near(c.At(10, 75), kOrange)) << std::hex << c.At(10, 75);
  EXPECT_TRUE(Near(c.At(114, 75), kOrange)) << std::hex << c.At(114, 75);
  EXPECT_TRUE(Near(c.At(116, 75), kTrack)) << std::hex << c.At(116, 75);
  EXPECT_TRUE(Near(c.At(219, 75), kTrack)) << std::hex << c.At(219, 75);
  EXPECT_TRUE(Near(c.At(150, 73), kBody)) << std::hex << c.At(150, 73);
}

TEST_F(SkinWindowTest, SkipButtonShowsNormalHotAndPushedImages) {
  TestSkinWnd wnd(L"UpdaterWnd.xml");
  ASSERT_TRUE(wnd.Open());
  HWND hwnd = wnd.GetHWND();
  // skipButton lies at (229, 62)-(300, 88); (232, 66) is inside, clear of the label.
  Capture c = CaptureWindow(hwnd);
  EXPECT_TRUE(Near(c.At(232, 66), 0xFFFFFF)) << std::hex << c.At(232, 66);
  EXPECT_TRUE(Near(c.At(264, 62), 0xCFCFCF, 24)) << std::hex << c.At(264, 62);
  ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(264, 75));
  c = CaptureWindow(hwnd);
  EXPECT_TRUE(Near(c.At(264, 62), kOrange, 24)) << std::hex << c.At(264, 62);
  EXPECT_TRUE(Near(c.At(232, 66), 0xFFFFFF)) << std::hex << c.At(232, 66);
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(264, 75));
  c = CaptureWindow(hwnd);
  EXPECT_TRUE(Near(c.At(232, 66), 0xFFF1DC)) << std::hex << c.At(232, 66);
  ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(264, 75));
}

TEST_F(SkinWindowTest, PressAndReleaseOnAButtonSendsExactlyOneClick) {
  TestSkinWnd wnd(L"TipsBoxWnd.xml");
  ASSERT_TRUE(wnd.Open());
  HWND hwnd = wnd.GetHWND();
  ::PostMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(260, 80));
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(260, 80));
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(260, 80));
  Pump(100);
  EXPECT_EQ(std::count(wnd.notes.begin(), wnd.notes.end(), L"click:confirmButton"), 1);
  EXPECT_EQ(std::count(wnd.notes.begin(), wnd.notes.end(), L"setfocus:confirmButton"), 1);
  EXPECT_EQ(wnd.notes.front(), L"windowinit:");
}

TEST_F(SkinWindowTest, TooltipAppearsAfterThePointerRestsOnTheCloseButton) {
  TestSkinWnd wnd(L"TipsBoxWnd.xml");
  ASSERT_TRUE(wnd.Open(60, 60));
  HWND hwnd = wnd.GetHWND();
  POINT pt{297, 15};
  ::ClientToScreen(hwnd, &pt);
  ::SetCursorPos(pt.x, pt.y);
  ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(297, 15));
  bool shown = false;
  for (int i = 0; i < 60 && !shown; ++i) {
    Pump(50);
    HWND tip = wnd.ToolTipWindow();
    shown = tip && ::IsWindowVisible(tip);
  }
  ASSERT_TRUE(shown);
  wchar_t text[64] = {};
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = hwnd;
  info.uId = reinterpret_cast<UINT_PTR>(hwnd);
  info.lpszText = text;
  ::SendMessageW(wnd.ToolTipWindow(), TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ(text, L"\u5173\u95ed");
  ::SendMessageW(hwnd, WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(::IsWindowVisible(wnd.ToolTipWindow()));
}

// Dark pixels of the tips label's first 40 pixels, as a pattern.
std::vector<bool> InkOf(TestSkinWnd& wnd, const wchar_t* text) {
  wnd.Find<SkinUI::CLabelUI>(L"tipsLabel")->SetText(text);
  const Capture c = CaptureWindow(wnd.GetHWND());
  std::vector<bool> ink;
  for (int y = 30; y < 60; ++y) {
    for (int x = 18; x < 58; ++x) ink.push_back((c.At(x, y) & 0xFF) < 0xC0);
  }
  return ink;
}

TEST_F(SkinWindowTest, ChineseTextIsDrawnAsGlyphsNotBoxes) {
  TestSkinWnd wnd(L"TipsBoxWnd.xml");
  ASSERT_TRUE(wnd.Open());
  const std::vector<bool> rise = InkOf(wnd, L"\u5347");
  const std::vector<bool> level = InkOf(wnd, L"\u7ea7");
  const std::vector<bool> missing = InkOf(wnd, L"\U000E0100");
  EXPECT_GT(std::count(rise.begin(), rise.end(), true), 10);
  EXPECT_GT(std::count(level.begin(), level.end(), true), 10);
  // Two boxes would look the same; glyphs differ from each other and from the
  // mark drawn for a character no font has.
  EXPECT_NE(rise, level);
  EXPECT_NE(rise, missing);
}

TEST_F(SkinWindowTest, PointerOverAButtonIsTheHandCursor) {
  TestSkinWnd wnd(L"LaunchWnd.xml");
  ASSERT_TRUE(wnd.Open(100, 100));
  HWND hwnd = wnd.GetHWND();
  auto cursorAt = [hwnd](int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(hwnd, &pt);
    ::SetCursorPos(pt.x, pt.y);
    ::SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return ::GetCursor();
  };
  EXPECT_EQ(cursorAt(40, 80), ::LoadCursorW(nullptr, IDC_HAND));
  EXPECT_NE(cursorAt(300, 150), ::LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(SkinWindowTest, CaptionBandDragsExceptOverButtons) {
  TestSkinWnd wnd(L"TipsBoxWnd.xml");
  ASSERT_TRUE(wnd.Open(100, 100));
  HWND hwnd = wnd.GetHWND();
  auto hit = [hwnd](int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(hwnd, &pt);
    return ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
  };
  EXPECT_EQ(hit(100, 10), HTCAPTION);
  EXPECT_EQ(hit(297, 15), HTCLIENT);
  EXPECT_EQ(hit(100, 25), HTCLIENT);
}

TEST_F(SkinWindowTest, MessageLoopPassesMessagesThroughTheWindowsFilters) {
  TestSkinWnd wnd(L"LaunchWnd.xml");
  ASSERT_TRUE(wnd.Open());
  wnd.swallow = WM_APP + 1;
  ::PostMessageW(wnd.GetHWND(), WM_APP + 1, 0, 0);
  ::PostMessageW(wnd.GetHWND(), WM_APP + 2, 0, 0);
  ::PostQuitMessage(0);
  SkinUI::RunMessageLoop();
  EXPECT_NE(std::find(wnd.filtered.begin(), wnd.filtered.end(), WM_APP + 1), wnd.filtered.end());
  EXPECT_EQ(wnd.custom, (std::vector<UINT>{WM_APP + 2}));
}

TEST_F(SkinWindowTest, PressOnTheLaunchCloseButtonReportsFocusBeforeRelease) {
  TestSkinWnd wnd(L"LaunchWnd_en.xml");
  ASSERT_TRUE(wnd.Open());
  ::SendMessageW(wnd.GetHWND(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(297, 15));
  ASSERT_FALSE(wnd.notes.empty());
  EXPECT_EQ(wnd.notes.back(), L"setfocus:closeButton");
  ::SendMessageW(wnd.GetHWND(), WM_LBUTTONUP, 0, MAKELPARAM(297, 15));
  EXPECT_EQ(wnd.notes.back(), L"click:closeButton");
}

// Writes a picture of every shipped skin when ZVK_SKIN_SHOT_DIR names a folder.
TEST_F(SkinWindowTest, Screenshots) {
  const wchar_t* dir = _wgetenv(L"ZVK_SKIN_SHOT_DIR");
  if (!dir) GTEST_SKIP() << "ZVK_SKIN_SHOT_DIR not set";
  struct Shot {
    const wchar_t* skin;
    const wchar_t* message;
    const wchar_t* button;
  } shots[] = {
      {L"UpdaterWnd",
       L"\u65b0\u7248\u672c\u4e0b\u8f7d\u4e2d\uff0c\u5efa\u8bae\u4e0b\u8f7d\u5b8c\u6210\u540e\u518d\u8fdb"
       L"\u5165\u6559\u5ba4...42%",
       nullptr},
      {L"UpdaterWnd_en", L"Download updatings......42%", nullptr},
      {L"TipsBoxWnd",
       L"\u60a8\u7684\u5ba2\u6237\u7aef\u7248\u672c\u592a\u4f4e\uff0c\u5c06\u66f4\u65b0\u81f3\u6700\u65b0"
       L"\u7248\u672c!",
       L"\u786e\u5b9a"},
      {L"TipsBoxWnd_en", L"Your client version is too low. We will update it to the latest version!",
       L"\u786e\u5b9a"},
      {L"LaunchWnd", nullptr, nullptr},
      {L"LaunchWnd_en", nullptr, nullptr},
  };
  // With ZVK_SKIN_SHOT_HOLD_MS the windows stay on screen together for that long
  // (for a look with `import -window root`).
  const wchar_t* hold = _wgetenv(L"ZVK_SKIN_SHOT_HOLD_MS");
  std::vector<std::unique_ptr<TestSkinWnd>> windows;
  int index = 0;
  for (const Shot& shot : shots) {
    auto wnd = std::make_unique<TestSkinWnd>(std::wstring(shot.skin) + L".xml");
    ASSERT_TRUE(wnd->Open(20 + (index % 2) * 450, 20 + (index / 2) * 240));
    ++index;
    if (shot.message) wnd->Find<SkinUI::CLabelUI>(L"tipsLabel")->SetText(shot.message);
    if (auto* bar = wnd->Find<SkinUI::CProgressUI>(L"downloadProgress")) bar->SetValue(42);
    if (auto* cancel = wnd->Find<SkinUI::CButtonUI>(L"cancelButton")) cancel->SetVisible(false);
    if (auto* close = wnd->Find<SkinUI::CButtonUI>(L"closeButton")) close->SetVisible(true);
    if (shot.button) {
      auto* confirm = wnd->Find<SkinUI::CButtonUI>(L"confirmButton");
      confirm->SetText(shot.button);
      confirm->SetHotTextColor(0x00FFFFFF);
      confirm->SetPushedTextColor(0x00B2C3CC);
    }
    EXPECT_TRUE(SaveBitmap(CaptureWindow(wnd->GetHWND()), std::wstring(dir) + L"\\" + shot.skin + L".bmp"));
    windows.push_back(std::move(wnd));
  }
  if (hold) Pump(static_cast<DWORD>(_wtoi(hold)));
}

}  // namespace
}  // namespace skintest
