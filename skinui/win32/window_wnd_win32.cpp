#include <atomic>

#include "logging/n_log.h"
#include "skinui/win32/window_wnd.h"

namespace SkinUI {

namespace {

std::atomic<HINSTANCE> g_instance{nullptr};

}  // namespace

void SetSkinInstance(HINSTANCE instance) { g_instance = instance; }

HINSTANCE GetSkinInstance() {
  HINSTANCE instance = g_instance;
  return instance ? instance : ::GetModuleHandleW(nullptr);
}

CWindowWnd::~CWindowWnd() {
  if (!m_hWnd) return;
  // The object is going away: the window's last messages go to the default procedure.
  HWND hwnd = m_hWnd;
  m_hWnd = nullptr;
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  ::DestroyWindow(hwnd);
}

bool CWindowWnd::RegisterWindowClass() {
  WNDCLASSW wc{};
  wc.style = ClassStyle();
  wc.lpfnWndProc = &CWindowWnd::WindowProc;
  wc.hInstance = GetSkinInstance();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = WindowClassName();
  if (::RegisterClassW(&wc)) return true;
  const DWORD error = ::GetLastError();
  if (error == ERROR_CLASS_ALREADY_EXISTS) return true;
  ZM_ERROR << "RegisterClassW failed, class: " << std::wstring(wc.lpszClassName) << " error: " << error;
  return false;
}

HWND CWindowWnd::Create(HWND owner, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y, int cx,
                        int cy) {
  if (!RegisterWindowClass()) return nullptr;
  HWND hwnd = ::CreateWindowExW(exStyle, WindowClassName(), title, style, x, y, cx, cy, owner, nullptr,
                                GetSkinInstance(), this);
  if (!hwnd) ZM_ERROR << "CreateWindowExW failed, error: " << ::GetLastError();
  return hwnd;
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  if (!m_hWnd) return;
  RECT rc{0, 0, cx, cy};
  ::AdjustWindowRectEx(&rc, static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)));
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWindowWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(m_hWnd, msg, wParam, lParam);
}

BOOL CWindowWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageW(m_hWnd, msg, wParam, lParam);
}

LRESULT CWindowWnd::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcW(m_OldWndProc, m_hWnd, msg, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND) {}

LRESULT CALLBACK CWindowWnd::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CWindowWnd* self = nullptr;
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    self = static_cast<CWindowWnd*>(create->lpCreateParams);
    if (self) {
      self->m_hWnd = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    const LRESULT result = ::CallWindowProcW(self->m_OldWndProc, hwnd, msg, wParam, lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->m_hWnd = nullptr;
    self->OnFinalMessage(hwnd);
    return result;
  }
  // The window procedure is a boundary: nothing may unwind into the system.
  try {
    return self->HandleWindowMessage(msg, wParam, lParam);
  } catch (const std::exception& e) {
    ZM_ERROR << "window message " << msg << " failed: " << e.what();
  } catch (...) {
    ZM_ERROR << "window message " << msg << " failed";
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace SkinUI
