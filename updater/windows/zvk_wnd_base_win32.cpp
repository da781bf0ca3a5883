
#include "skinui/control.h"
#include "updater/windows/window_geometry.h"
#include "updater/windows/zvk_wnd_base.h"

namespace {

SkinUI::UiRect ToUiRect(const RECT& rc) { return SkinUI::UiRect{rc.left, rc.top, rc.right, rc.bottom}; }

void ReleaseOwner(HWND owner) {
  if (!owner) return;
  ::EnableWindow(owner, TRUE);
  ::SetFocus(owner);
}

}  // namespace

void CZvkWndBase::CloseWith(UINT code) {
  if (m_hWnd) ::PostMessageW(m_hWnd, WM_CLOSE, code, 0);
}

UINT CZvkWndBase::RunModal() {
  if (!m_hWnd) return 0;
  const HWND self = m_hWnd;
  ::ShowWindow(self, SW_SHOWNORMAL);
  const HWND owner = ::GetWindow(self, GW_OWNER);
  if (owner) ::EnableWindow(owner, FALSE);

  UINT result = 0;
  bool quit = false;
  int quitCode = 0;
  MSG msg{};
  // m_hWnd is cleared on WM_NCDESTROY, so the loop cannot mistake a reused
  // handle for this window.
  while (m_hWnd) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    if (got == -1) break;
    if (msg.message == WM_CLOSE && msg.hwnd == self) {
      result = static_cast<UINT>(msg.wParam);
      ReleaseOwner(owner);
    }
    if (SkinUI::TranslateSkinMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  ReleaseOwner(owner);
  if (quit) ::PostQuitMessage(quitCode);
  return result;
}

void CZvkWndBase::CenterOnOwner() {
  if (!m_hWnd) return;
  updater_ui::CentringInput input;
  RECT rc{};
  ::GetWindowRect(m_hWnd, &rc);
  input.window = ToUiRect(rc);
  const HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor))
    return;
  input.workArea = ToUiRect(monitor.rcWork);
  if (owner) {
    input.hasOwner = true;
    input.ownerMinimised = ::IsIconic(owner) != FALSE;
    RECT ownerRect{};
    ::GetWindowRect(owner, &ownerRect);
    input.ownerRect = ToUiRect(ownerRect);
  }
  const SkinUI::UiPoint pos = updater_ui::CenteredPosition(input);
  ::SetWindowPos(m_hWnd, nullptr, pos.x, pos.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CZvkWndBase::ShowWindow(bool show, bool takeFocus) {
  if (!m_hWnd) return;
  ::ShowWindow(m_hWnd, !show ? SW_HIDE : (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE));
}

void CZvkWndBase::SetWindowIcon(UINT id) {
  if (!m_hWnd) return;
  // Shared icons belong to the system, so the window never outlives them.
  const HINSTANCE module = SkinUI::GetSkinInstance();
  auto load = [module, id](int cxMetric, int cyMetric) {
    return static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON,
                                           ::GetSystemMetrics(cxMetric), ::GetSystemMetrics(cyMetric),
                                           LR_DEFAULTCOLOR | LR_SHARED));
  };
  if (HICON big = load(SM_CXICON, SM_CYICON))
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (HICON small = load(SM_CXSMICON, SM_CYSMICON)) {
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
}

LRESULT CZvkWndBase::FilterMessage(UINT msg, WPARAM wParam, LPARAM, bool&) {
  if (msg != WM_KEYDOWN) return 0;
  // The key is still processed afterwards: `handled` stays clear.
  if (wParam == VK_ESCAPE) {
    CloseWith(kCloseCancel);
    return 1;
  }
  if (wParam == VK_RETURN) {
    CloseWith(kCloseConfirm);
    return 1;
  }
  return 0;
}
