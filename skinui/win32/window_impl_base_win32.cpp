#include <windowsx.h>

#include <cstring>
#include <memory>
#include <vector>

#include "logging/n_log.h"
#include "platform/platform.h"
#include "skinui/caption_band.h"
#include "skinui/skin_package.h"
#include "skinui/win32/skin_host_win32.h"
#include "skinui/win32/window_impl_base.h"

namespace SkinUI {

namespace {

const wchar_t kBuildFailedText[] = L"\u52a0\u8f7d\u8d44\u6e90\u6587\u4ef6\u5931\u8d25";

}  // namespace

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() {
  // From here on the window's messages (its destruction by ~CWindowWnd included)
  // go to the default procedure, and nothing of the manager reaches the window.
  if (m_hWnd) ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
  m_pm.SetHost(nullptr);
  host_.reset();
}

void WindowImplBase::OnNotify(TSkinNotify& msg) {
  NotifyPump(msg);
  if (msg.sType == kNotifyClick) OnClick(msg);
}

LRESULT WindowImplBase::FilterMessage(UINT, WPARAM, LPARAM, bool&) { return 0; }

std::unique_ptr<CControlUI> WindowImplBase::MakeControl(const std::wstring&) { return nullptr; }

void WindowImplBase::OnClick(TSkinNotify& msg) {
  if (!msg.pSender || !m_hWnd) return;
  const std::wstring& name = msg.pSender->GetName();
  if (name == L"closebtn") {
    PostMessage(WM_CLOSE);
  } else if (name == L"minbtn") {
    ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == L"maxbtn") {
    ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (name == L"restorebtn") {
    ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  }
}

void WindowImplBase::OnFinalMessage(HWND) {
  m_pm.RemoveMessageFilter(this);
  m_pm.RemoveNotifier(this);
  if (host_) host_->Detach();
}

LONG WindowImplBase::GetStyle() {
  LONG style = static_cast<LONG>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE));
  style &= ~WS_CAPTION;
  style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  return style;
}

LRESULT WindowImplBase::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  bool handled = true;
  LRESULT result = DispatchHandler(msg, wParam, lParam, handled);
  if (handled) return result;
  handled = false;
  result = HandleCustomMessage(msg, wParam, lParam, handled);
  if (handled) return result;
  if (host_ && host_->MessageHandler(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
}

LRESULT WindowImplBase::DispatchHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  switch (msg) {
    case WM_CREATE:
      return OnCreate(msg, wParam, lParam, handled);
    case WM_CLOSE:
      return OnClose(msg, wParam, lParam, handled);
    case WM_DESTROY:
      return OnDestroy(msg, wParam, lParam, handled);
    case WM_NCACTIVATE:
      return OnNcActivate(msg, wParam, lParam, handled);
    case WM_NCCALCSIZE:
      return OnNcCalcSize(msg, wParam, lParam, handled);
    case WM_NCPAINT:
      return OnNcPaint(msg, wParam, lParam, handled);
    case WM_NCHITTEST:
      return OnNcHitTest(msg, wParam, lParam, handled);
    case WM_GETMINMAXINFO:
      return OnGetMinMaxInfo(msg, wParam, lParam, handled);
    case WM_MOUSEWHEEL:
      return OnMouseWheel(msg, wParam, lParam, handled);
    case WM_MOUSEHOVER:
      return OnMouseHover(msg, wParam, lParam, handled);
    case WM_SIZE:
      return OnSize(msg, wParam, lParam, handled);
    case WM_CHAR:
      return OnChar(msg, wParam, lParam, handled);
    case WM_SYSCOMMAND:
      return OnSysCommand(msg, wParam, lParam, handled);
    case WM_KEYDOWN:
      return OnKeyDown(msg, wParam, lParam, handled);
    case WM_KILLFOCUS:
      return OnKillFocus(msg, wParam, lParam, handled);
    case WM_SETFOCUS:
      return OnSetFocus(msg, wParam, lParam, handled);
    case WM_LBUTTONDOWN:
      return OnLButtonDown(msg, wParam, lParam, handled);
    case WM_LBUTTONUP:
      return OnLButtonUp(msg, wParam, lParam, handled);
    case WM_MOUSEMOVE:
      return OnMouseMove(msg, wParam, lParam, handled);
    default:
      handled = false;
      return 0;
  }
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool& handled) {
  handled = true;
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetStyle());
  RECT client{};
  ::GetClientRect(m_hWnd, &client);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_FRAMECHANGED);

  host_ = std::make_unique<CSkinHostWin32>(m_hWnd, m_pm);
  m_pm.SetHost(host_.get());
  m_pm.AddMessageFilter(this);

  if (GetSkinResourcePath().empty()) SetSkinResourcePath(platform::ModuleDirectory() + SkinFolder());
  if (ResourceKind() == kSkinFromZipRes && !RegisterResourceSkin()) {
    ZM_ERROR << "skin resource " << ResourceId() << " is missing or empty";
    return 0;
  }

  CSkinBuilder builder;
  std::unique_ptr<CControlUI> root = builder.Build(SkinFileName(), this, m_pm);
  if (!root) {
    ZM_FATAL << "skin " << SkinFileName() << " failed: " << builder.GetLastErrorMessage();
    ::MessageBoxW(nullptr, kBuildFailedText, L"SkinUI", MB_ICONERROR);
    ::ExitProcess(1);
  }
  m_pm.AttachDialog(std::move(root));
  m_pm.AddNotifier(this);
  OnSkinLoaded();
  return 0;
}

bool WindowImplBase::RegisterResourceSkin() {
  if (GetRegisteredSkinZipName() == L"membuffer") return true;
  HINSTANCE module = GetSkinInstance();
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(ResourceId()), L"ZIPRES");
  if (!found) return false;
  HGLOBAL loaded = ::LoadResource(module, found);
  const DWORD size = ::SizeofResource(module, found);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return false;
  // The package keeps its copy of the bytes for the rest of the process.
  return RegisterSkinZipCopy(bytes, size);
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
  m_pm.ReleaseInputOnClose();
  if (HWND owner = ::GetWindow(m_hWnd, GW_OWNER)) ::SetFocus(owner);
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM, LPARAM, bool& handled) {
  if (::IsIconic(m_hWnd)) {
    handled = false;
    return 0;
  }
  // Allow the change without letting the default procedure paint a frame.
  handled = true;
  return TRUE;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM, bool& handled) {
  handled = true;
  return 0;
}

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool& handled) {
  handled = true;
  return 0;
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool& handled) {
  handled = true;
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ::ScreenToClient(m_hWnd, &pt);
  RECT client{};
  ::GetClientRect(m_hWnd, &client);
  m_pm.LayoutIfNeeded();
  const UiPoint at{pt.x, pt.y};
  const CControlUI* control = m_pm.FindControlAt(at);
  const bool drag = IsCaptionDragPoint(m_pm.GetCaptionRect(), client.right - client.left, at,
                                       control ? control->GetClass() : nullptr);
  return drag ? HTCAPTION : HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool& handled) {
  handled = false;
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor)) return 0;
  const RECT& work = monitor.rcWork;
  info->ptMaxPosition.x = work.left - monitor.rcMonitor.left;
  info->ptMaxPosition.y = work.top - monitor.rcMonitor.top;
  info->ptMaxTrackSize.x = work.right - work.left;
  info->ptMaxTrackSize.y = work.bottom - work.top;
  info->ptMinTrackSize.x = m_pm.GetMinInfo().cx;
  info->ptMinTrackSize.y = m_pm.GetMinInfo().cy;
  handled = true;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  if ((wParam & 0xFFF0) == SC_CLOSE) {
    handled = true;
    ::SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
    return 0;
  }
  handled = false;
  (void)msg;
  (void)lParam;
  return 0;
}

#define SKINUI_PASS_THROUGH(Handler)                                     \
  LRESULT WindowImplBase::Handler(UINT, WPARAM, LPARAM, bool& handled) { \
    handled = false;                                                     \
    return 0;                                                            \
  }
SKINUI_PASS_THROUGH(OnMouseWheel)
SKINUI_PASS_THROUGH(OnMouseHover)
SKINUI_PASS_THROUGH(OnSize)
SKINUI_PASS_THROUGH(OnChar)
SKINUI_PASS_THROUGH(OnKeyDown)
SKINUI_PASS_THROUGH(OnKillFocus)
SKINUI_PASS_THROUGH(OnSetFocus)
SKINUI_PASS_THROUGH(OnLButtonDown)
SKINUI_PASS_THROUGH(OnLButtonUp)
SKINUI_PASS_THROUGH(OnMouseMove)
SKINUI_PASS_THROUGH(HandleCustomMessage)
#undef SKINUI_PASS_THROUGH

}  // namespace SkinUI
