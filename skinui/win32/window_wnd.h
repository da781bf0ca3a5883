#pragma once
// CWindowWnd: a Win32 window bound to a C++ object. The window procedure
// stores the object on WM_NCCREATE, hands every message to
// HandleWindowMessage, and on WM_NCDESTROY forgets the handle and calls
// OnFinalMessage. Use on the thread that created the window only.

#include <windows.h>

namespace SkinUI {

// Process-wide module instance for window classes, windows, icons and resources.
void SetSkinInstance(HINSTANCE instance);
HINSTANCE GetSkinInstance();

class CWindowWnd {
 public:
  CWindowWnd() = default;
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;
  // Destroys a window that still exists (no virtual calls reach this object).
  virtual ~CWindowWnd();

  HWND GetHWND() const { return m_hWnd; }

  // Registers the class of WindowClassName() (an existing class counts) and
  // creates the window. Returns nullptr on failure.
  HWND Create(HWND owner, const wchar_t* title, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT);
  bool RegisterWindowClass();

  // Resizes the window so that its client area is cx x cy (not moved).
  void ResizeClient(int cx, int cy);
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

 protected:
  virtual const wchar_t* WindowClassName() const = 0;
  // Super-classing is not used: no base class to derive from.
  virtual const wchar_t* SuperClassName() const { return nullptr; }
  virtual UINT ClassStyle() const { return 0; }
  virtual LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // Called after WM_NCDESTROY, when the handle is already forgotten.
  virtual void OnFinalMessage(HWND hWnd);

  static LRESULT CALLBACK WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;
  WNDPROC m_OldWndProc = ::DefWindowProcW;
  bool m_bSubclassed = false;
};

}  // namespace SkinUI
