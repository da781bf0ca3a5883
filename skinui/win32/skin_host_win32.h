#pragma once
// CSkinHostWin32: binds a CSkinManagerUI to a Win32 window. It paints the
// tree double-buffered on WM_PAINT, turns mouse and key messages into manager
// input, keeps the hover tracking, the tooltip and the control timers, and
// registers the window for the framework's message translation.

#include <windows.h>

#include <map>
#include <utility>

#include "skinui/skin_manager.h"
#include "skinui/win32/gdi_renderer.h"

namespace SkinUI {

class CSkinHostWin32 : public IManagerHost {
 public:
  CSkinHostWin32(HWND hwnd, CSkinManagerUI& manager);
  ~CSkinHostWin32() override;
  CSkinHostWin32(const CSkinHostWin32&) = delete;
  CSkinHostWin32& operator=(const CSkinHostWin32&) = delete;

  // Forgets the window (after WM_NCDESTROY); the host then does nothing.
  void Detach();
  HWND GetHWND() const { return hwnd_; }

  // Handles one window message; false when the window procedure should go on.
  bool MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Paints the whole client area into `dc` (WM_PRINTCLIENT and tests).
  void PaintInto(HDC dc, const RECT& area);

  // IManagerHost
  void Invalidate(const UiRect& rect) override;
  UiRect ClientRect() const override;
  void ResizeWindow(int width, int height) override;
  void CaptureMouse() override;
  void ReleaseMouse() override;
  void TakeKeyboardFocus() override;
  void ShowToolTip(const std::wstring& text, const UiRect& controlRect) override;
  void HideToolTip() override;
  bool SetTimer(CControlUI* control, unsigned id, unsigned elapseMs) override;
  void KillTimer(CControlUI* control, unsigned id) override;
  void KillAllTimers(CControlUI* control) override;
  int FontHeight(const UiFont& font) override;

  // The tooltip window, once created (tests look at it).
  HWND GetToolTipWindow() const { return tooltip_; }

 private:
  void OnPaint();
  void OnMouseMove(LPARAM lParam);
  bool OnSetCursor(LPARAM lParam);
  void RequestMouseTracking();
  bool OnTimer(WPARAM id);

  HWND hwnd_;
  CSkinManagerUI& manager_;
  GdiResourceCache cache_;
  HWND tooltip_ = nullptr;
  std::wstring tooltipText_;
  bool trackingMouse_ = false;
  std::map<std::pair<CControlUI*, unsigned>, UINT_PTR> timers_;
  UINT_PTR nextTimerId_ = 0x5C00;
};

// The skinned windows of the process, for the framework's message translation.
void RegisterSkinWindow(HWND hwnd, CSkinManagerUI* manager);
void UnregisterSkinWindow(HWND hwnd);
// The manager of `hwnd` or of the nearest skinned window above it; nullptr if none.
CSkinManagerUI* FindSkinManager(HWND hwnd);

}  // namespace SkinUI
