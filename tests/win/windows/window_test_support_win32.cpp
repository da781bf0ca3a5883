#include <cstdlib>

#include "skinui/win32/window_impl_base.h"
#include "tests/win/skinui/test_skin_window.h"
#include "updater/windows/ui_language.h"
#include "window_test_support.h"

namespace windows_test {

updater_ui::UiLanguage ExpectedLanguage() {
  return updater_ui::LanguageFromLangId(::GetUserDefaultUILanguage());
}

std::string LanguageTag() { return ExpectedLanguage() == updater_ui::UiLanguage::kChinese ? "zh" : "en"; }

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return true;
      if (SkinUI::TranslateSkinMessage(&msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (done && done()) return false;
    if (::GetTickCount() - start >= timeoutMs) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

bool PumpFor(DWORD ms) { return PumpUntil(nullptr, ms); }

void PostKey(HWND hwnd, UINT vk) {
  ::PostMessageW(hwnd, WM_KEYDOWN, vk, 1);
  ::PostMessageW(hwnd, WM_KEYUP, vk, 0xC0000001);
}

void PostAltF4(HWND hwnd) {
  // Alt held (bit 29): the default procedure turns it into SC_CLOSE.
  ::PostMessageW(hwnd, WM_SYSKEYDOWN, VK_F4, 0x20000001);
}

void PostClick(HWND hwnd, int x, int y) {
  PostPress(hwnd, x, y);
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void PostPress(HWND hwnd, int x, int y) {
  ::PostMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}

LRESULT HitTest(HWND hwnd, int x, int y) {
  POINT pt{x, y};
  ::ClientToScreen(hwnd, &pt);
  return ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  const int length = ::GetClassNameW(hwnd, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

std::wstring TitleOf(HWND hwnd) {
  wchar_t text[256] = {};
  const int length = ::GetWindowTextW(hwnd, text, 256);
  return std::wstring(text, length > 0 ? length : 0);
}

SIZE ClientSize(HWND hwnd) {
  RECT rc{};
  ::GetClientRect(hwnd, &rc);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

RECT WindowRect(HWND hwnd) {
  RECT rc{};
  ::GetWindowRect(hwnd, &rc);
  return rc;
}

void Screenshot(HWND hwnd, const std::string& name) {
  const char* folder = std::getenv("ZVK_SCREENSHOT_DIR");
  if (folder == nullptr || *folder == '\0') return;
  ::UpdateWindow(hwnd);
  const skintest::Capture capture = skintest::CaptureWindow(hwnd);
  const std::string path = std::string(folder) + "\\window-" + name + "-" + LanguageTag() + ".bmp";
  skintest::SaveBitmap(capture, std::wstring(path.begin(), path.end()));
}

ModalGuard::ModalGuard(UINT ms) {
  timer_ = ::SetTimer(nullptr, 0, ms, [](HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ::PostQuitMessage(99);
  });
}

ModalGuard::~ModalGuard() {
  ::KillTimer(nullptr, timer_);
  MSG msg;
  ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

namespace {

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

const wchar_t* OwnerClass() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &OwnerProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = L"zvk_windows_test_owner";
    return ::RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  return L"zvk_windows_test_owner";
}

}  // namespace

OwnerWindow::OwnerWindow(int x, int y, int cx, int cy) {
  hwnd_ = ::CreateWindowExW(0, OwnerClass(), L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, cx, cy,
                            nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  PumpFor(50);
}

OwnerWindow::~OwnerWindow() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

}  // namespace windows_test
