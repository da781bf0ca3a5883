#pragma once
// WindowImplBase: a frameless skinned window. On WM_CREATE it binds its
// manager, loads the skin package, builds SkinFileName() and attaches the
// tree; it answers the non-client messages so that the skin paints the whole
// window, gives the skin's caption band to dragging, and hands everything
// else to the manager (painting, input, focus, timers, tooltips).
//
// A window:
//   class CMyWnd : public SkinUI::WindowImplBase {
//     const wchar_t* WindowClassName() const override { return L"my_class"; }
//     std::wstring SkinFileName() const override { return L"My.xml"; }
//     void OnSkinLoaded() override { label_ = ...m_pm.FindByName(L"tipsLabel"); }
//     void OnNotify(SkinUI::TSkinNotify& msg) override { ... }
//   };
//   wnd.Create(nullptr, L"Title", WS_VISIBLE | WS_OVERLAPPEDWINDOW, WS_EX_WINDOWEDGE);

#include <windows.h>

#include <memory>
#include <string>

#include "skinui/notify.h"
#include "skinui/skin_builder.h"
#include "skinui/skin_manager.h"
#include "skinui/win32/window_wnd.h"

namespace SkinUI {

class CSkinHostWin32;

// Where the skin comes from.
enum SkinResourceKind : int {
  kSkinFromFile = 1,    // the skin package as registered (or the resource path on disk)
  kSkinFromZip = 2,     // a zip file under the resource path (not supported: treated as 1)
  kSkinFromRes = 3,     // not supported: treated as 1
  kSkinFromZipRes = 4,  // a zip in the module's resources, type "ZIPRES", id ResourceId()
};

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
 public:
  WindowImplBase();
  ~WindowImplBase() override;

  CSkinManagerUI& GetManager() { return m_pm; }

  // INotifyUI: dispatches through CNotifyPump, then "click" to OnClick.
  void OnNotify(TSkinNotify& msg) override;
  // IMessageFilterUI: passes everything (answers 0).
  LRESULT FilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
  // IDialogBuilderCallback: knows no extra elements.
  std::unique_ptr<CControlUI> MakeControl(const std::wstring& elementName) override;

 protected:
  UINT ClassStyle() const override { return CS_DBLCLKS; }
  LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Removes the window from the framework's filter and listener lists.
  void OnFinalMessage(HWND hWnd) override;

  // Called once, right after the skin tree is attached.
  virtual void OnSkinLoaded() {}
  // Default reaction to "click": "closebtn" closes, "minbtn"/"maxbtn"/"restorebtn"
  // minimise, maximise and restore.
  virtual void OnClick(TSkinNotify& msg);
  virtual std::wstring SkinFolder() const { return std::wstring(); }
  virtual std::wstring SkinFileName() const = 0;
  virtual LRESULT ResponseDefaultKeyEvent(WPARAM) { return 0; }
  virtual SkinResourceKind ResourceKind() const { return kSkinFromFile; }
  virtual std::wstring SkinZipFileName() const { return std::wstring(); }
  virtual int ResourceId() const { return 0; }

  // Message handlers; each sets `handled` when the message needs nothing more.
  virtual LRESULT OnClose(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnDestroy(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcActivate(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcCalcSize(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcPaint(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcHitTest(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnGetMinMaxInfo(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnMouseWheel(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnMouseHover(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnSize(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnChar(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnSysCommand(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnKeyDown(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnKillFocus(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnSetFocus(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LONG GetStyle();

  CSkinManagerUI m_pm;

 private:
  // Registers the ZIPRES resource as the skin package; false when it is missing or empty.
  bool RegisterResourceSkin();
  LRESULT DispatchHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);

  std::unique_ptr<CSkinHostWin32> host_;
};

// Runs the thread's message loop until WM_QUIT, passing every message through
// the pre-message filters of the skinned window it is for.
void RunMessageLoop();

// The framework's translation step for one message: the pre-message filters
// of the skinned window the message is for (or the skinned window above the
// child window it is for). Returns true when a filter consumed it.
bool TranslateSkinMessage(const MSG* msg);

}  // namespace SkinUI
