#pragma once
// A skinned test window over the embedded skin package, and helpers to pump
// messages and read the window's pixels back.

#include <windows.h>

#include <string>
#include <vector>

#include "skinui/win32/skin_host_win32.h"
#include "skinui/win32/window_impl_base.h"

namespace skintest {

class TestSkinWnd : public SkinUI::WindowImplBase {
 public:
  explicit TestSkinWnd(std::wstring skin) : skin_(std::move(skin)) {}

  // Creates the window (visible, no activation) at (x, y); false on failure.
  bool Open(int x = 40, int y = 40);
  void OnNotify(SkinUI::TSkinNotify& msg) override;
  LRESULT FilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

  template <class T>
  T* Find(const wchar_t* name) {
    return dynamic_cast<T*>(m_pm.FindByName(name));
  }
  HWND ToolTipWindow();

  std::vector<std::wstring> notes;  // "type:sender name", in order
  std::vector<UINT> filtered;       // messages the pre-message filter saw
  std::vector<UINT> custom;         // WM_APP messages that reached the window procedure
  UINT swallow = 0;                 // a message the filter consumes

 protected:
  const wchar_t* WindowClassName() const override { return L"zvk_skinui_test_wnd"; }
  UINT ClassStyle() const override { return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS; }
  std::wstring SkinFileName() const override { return skin_; }
  SkinUI::SkinResourceKind ResourceKind() const override { return SkinUI::kSkinFromZipRes; }
  int ResourceId() const override { return 102; }
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  std::wstring skin_;
};

// Dispatches the thread's messages for `ms` milliseconds.
void Pump(DWORD ms);

// The window's client pixels as 0x00RRGGBB, row by row, painted by WM_PAINT.
struct Capture {
  int width = 0;
  int height = 0;
  std::vector<DWORD> pixels;
  DWORD At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF; }
};
Capture CaptureWindow(HWND hwnd);

// Writes the capture as a 24-bit BMP (for screenshots).
bool SaveBitmap(const Capture& capture, const std::wstring& path);

// Whether two colours are within `tolerance` in every channel.
bool Near(DWORD a, DWORD b, int tolerance = 8);

}  // namespace skintest
