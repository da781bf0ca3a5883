#include "skinui/win32/skin_host_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include "platform/system_library_win32.h"
#include "skinui/button.h"

namespace SkinUI {

namespace {

constexpr DWORD kDefaultHoverMs = 400;

UiPoint PointFrom(LPARAM lParam) { return UiPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

// comctl32.dll is not one of the system's known DLLs, so it is not imported
// (a program in a folder others may write would load a copy planted there):
// it is loaded at first use, the version the manifest asks for.
void RegisterCommonControls() {
  using Initialise = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  static const Initialise initialise = [] {
    Initialise found = nullptr;
    platform::ResolveExport(platform::LoadSystemLibrary(L"comctl32.dll"), "InitCommonControlsEx", found);
    return found;
  }();
  const INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
  if (initialise != nullptr) initialise(&icc);
}

}  // namespace

CSkinHostWin32::CSkinHostWin32(HWND hwnd, CSkinManagerUI& manager) : hwnd_(hwnd), manager_(manager) {
  RegisterSkinWindow(hwnd_, &manager_);
}

CSkinHostWin32::~CSkinHostWin32() { Detach(); }

void CSkinHostWin32::Detach() {
  if (!hwnd_) return;
  UnregisterSkinWindow(hwnd_);
  if (::IsWindow(hwnd_)) {
    for (const auto& timer : timers_) ::KillTimer(hwnd_, timer.second);
  }
  timers_.clear();
  if (tooltip_ && ::IsWindow(tooltip_)) ::DestroyWindow(tooltip_);
  tooltip_ = nullptr;
  hwnd_ = nullptr;
}

bool CSkinHostWin32::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!hwnd_) return false;
  result = 0;
  switch (msg) {
    case WM_ERASEBKGND:
      result = 1;  // the whole client area is painted from the memory DC
      return true;
    case WM_PAINT:
      OnPaint();
      return true;
    case WM_PRINTCLIENT: {
      RECT rc{};
      ::GetClientRect(hwnd_, &rc);
      PaintInto(reinterpret_cast<HDC>(wParam), rc);
      return true;
    }
    case WM_SIZE:
      manager_.NeedUpdate();
      return false;
    case WM_MOUSEMOVE:
      OnMouseMove(lParam);
      return false;
    case WM_MOUSEHOVER:
      manager_.OnMouseHover(PointFrom(lParam));
      return false;
    case WM_MOUSELEAVE:
      trackingMouse_ = false;
      manager_.OnMouseLeave();
      return false;
    case WM_LBUTTONDOWN:
      manager_.OnButtonDown(PointFrom(lParam));
      return false;
    case WM_LBUTTONUP:
      manager_.OnButtonUp(PointFrom(lParam));
      return false;
    case WM_LBUTTONDBLCLK:
      manager_.OnDoubleClick(PointFrom(lParam));
      return false;
    case WM_CONTEXTMENU: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ::ScreenToClient(hwnd_, &pt);
      manager_.OnContextMenu(UiPoint{pt.x, pt.y});
      return false;
    }
    case WM_KEYDOWN:
      manager_.OnKeyDown(static_cast<unsigned>(wParam), ::GetKeyState(VK_SHIFT) < 0);
      return false;
    case WM_KEYUP:
      manager_.OnKeyUp(static_cast<unsigned>(wParam));
      return false;
    case WM_CHAR:
      manager_.OnChar(static_cast<unsigned>(wParam));
      return false;
    case WM_SETCURSOR:
      if (OnSetCursor(lParam)) {
        result = TRUE;
        return true;
      }
      return false;
    case WM_TIMER:
      return OnTimer(wParam);
    default:
      return false;
  }
}

void CSkinHostWin32::OnPaint() {
  if (!::GetUpdateRect(hwnd_, nullptr, FALSE)) return;
  PaintScope paint(hwnd_);
  PaintInto(paint.Get(), paint.Area());
}

void CSkinHostWin32::PaintInto(HDC target, const RECT& area) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  if (client.right <= 0 || client.bottom <= 0 || !target) return;
  MemoryDC memory(target);
  GdiObject<HBITMAP> buffer(::CreateCompatibleBitmap(target, client.right, client.bottom));
  if (!memory.Get() || !buffer) return;
  ScopedSelect select(memory.Get(), buffer.Get());
  ::SetDCBrushColor(memory.Get(), RGB(255, 255, 255));
  ::FillRect(memory.Get(), &area, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
  {
    CGdiRenderer renderer(memory.Get(), cache_);
    manager_.Paint(renderer, UiRect{area.left, area.top, area.right, area.bottom});
  }
  ::BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, memory.Get(),
           area.left, area.top, SRCCOPY);
}

void CSkinHostWin32::OnMouseMove(LPARAM lParam) {
  manager_.OnMouseMove(PointFrom(lParam));
  // One request covers the pointer's whole stay in the window; WM_MOUSELEAVE re-arms it.
  if (!trackingMouse_) RequestMouseTracking();
}

void CSkinHostWin32::RequestMouseTracking() {
  TRACKMOUSEEVENT tme{};
  tme.cbSize = sizeof(tme);
  tme.dwFlags = TME_HOVER | TME_LEAVE;
  tme.hwndTrack = hwnd_;
  tme.dwHoverTime = tooltip_ ? static_cast<DWORD>(::SendMessageW(tooltip_, TTM_GETDELAYTIME, TTDT_INITIAL, 0))
                             : kDefaultHoverMs;
  if (::TrackMouseEvent(&tme)) trackingMouse_ = true;
}

bool CSkinHostWin32::OnSetCursor(LPARAM lParam) {
  if (LOWORD(lParam) != HTCLIENT) return false;
  POINT pt{};
  ::GetCursorPos(&pt);
  ::ScreenToClient(hwnd_, &pt);
  auto* button = dynamic_cast<CButtonUI*>(manager_.FindControlAt(UiPoint{pt.x, pt.y}));
  if (!button || !button->IsEnabled()) return false;
  ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
  return true;
}

bool CSkinHostWin32::OnTimer(WPARAM id) {
  for (const auto& timer : timers_) {
    if (timer.second != id) continue;
    const auto key = timer.first;
    manager_.OnTimer(key.first, key.second);
    return true;
  }
  return false;
}

void CSkinHostWin32::Invalidate(const UiRect& rect) {
  if (!hwnd_) return;
  const RECT rc{rect.left, rect.top, rect.right, rect.bottom};
  ::InvalidateRect(hwnd_, &rc, FALSE);
}

UiRect CSkinHostWin32::ClientRect() const {
  RECT rc{};
  if (hwnd_) ::GetClientRect(hwnd_, &rc);
  return UiRect{rc.left, rc.top, rc.right, rc.bottom};
}

void CSkinHostWin32::ResizeWindow(int width, int height) {
  if (!hwnd_) return;
  ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CSkinHostWin32::CaptureMouse() {
  if (hwnd_) ::SetCapture(hwnd_);
}

void CSkinHostWin32::ReleaseMouse() {
  if (hwnd_ && ::GetCapture() == hwnd_) ::ReleaseCapture();
}

void CSkinHostWin32::TakeKeyboardFocus() {
  if (hwnd_ && ::GetFocus() != hwnd_) ::SetFocus(hwnd_);
}

void CSkinHostWin32::ShowToolTip(const std::wstring& text, const UiRect& controlRect) {
  if (!hwnd_) return;
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
  info.hwnd = hwnd_;
  info.uId = reinterpret_cast<UINT_PTR>(hwnd_);
  info.hinst = ::GetModuleHandleW(nullptr);
  info.rect = RECT{controlRect.left, controlRect.top, controlRect.right, controlRect.bottom};
  tooltipText_ = text;
  info.lpszText = const_cast<wchar_t*>(tooltipText_.c_str());
  if (!tooltip_) {
    RegisterCommonControls();
    tooltip_ = ::CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!tooltip_) return;
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  } else {
    ::SendMessageW(tooltip_, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info));
  }
  POINT below{controlRect.left, controlRect.bottom};
  ::ClientToScreen(hwnd_, &below);
  ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
  ::SendMessageW(tooltip_, TTM_TRACKPOSITION, 0, MAKELPARAM(below.x, below.y));
  ::SendMessageW(tooltip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
}

void CSkinHostWin32::HideToolTip() {
  if (!tooltip_ || !hwnd_) return;
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = hwnd_;
  info.uId = reinterpret_cast<UINT_PTR>(hwnd_);
  ::SendMessageW(tooltip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
}

bool CSkinHostWin32::SetTimer(CControlUI* control, unsigned id, unsigned elapseMs) {
  if (!hwnd_) return false;
  auto& nativeId = timers_[{control, id}];
  if (nativeId == 0) nativeId = nextTimerId_++;
  return ::SetTimer(hwnd_, nativeId, elapseMs, nullptr) != 0;
}

void CSkinHostWin32::KillTimer(CControlUI* control, unsigned id) {
  const auto found = timers_.find({control, id});
  if (found == timers_.end()) return;
  if (hwnd_) ::KillTimer(hwnd_, found->second);
  timers_.erase(found);
}

void CSkinHostWin32::KillAllTimers(CControlUI* control) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.first == control) {
      if (hwnd_) ::KillTimer(hwnd_, it->second);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

int CSkinHostWin32::FontHeight(const UiFont& font) { return cache_.FontHeight(font); }

}  // namespace SkinUI
