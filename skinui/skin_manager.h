#pragma once
// CSkinManagerUI: one per skinned window. It owns the control tree, the name
// index, the fonts and images of the window, lays the tree out, paints it
// through a renderer, routes pointer and key input to controls, and sends
// notifications to the window's listeners. It is portable: everything that
// touches the real window goes through IManagerHost, which the Windows host
// implements (tests use a fake or none). All calls belong to the window's thread.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "skinui/control.h"
#include "skinui/notify.h"
#include "skinui/renderer.h"
#include "skinui/skin_image.h"
#include "skinui/ui_events.h"

namespace SkinUI {

// The window services the manager needs.
class IManagerHost {
 public:
  virtual ~IManagerHost() = default;
  virtual void Invalidate(const UiRect& rect) = 0;
  virtual UiRect ClientRect() const = 0;
  virtual void ResizeWindow(int width, int height) = 0;
  virtual void CaptureMouse() = 0;
  virtual void ReleaseMouse() = 0;
  virtual void TakeKeyboardFocus() = 0;
  virtual void ShowToolTip(const std::wstring& text, const UiRect& controlRect) = 0;
  virtual void HideToolTip() = 0;
  virtual bool SetTimer(CControlUI* control, unsigned id, unsigned elapseMs) = 0;
  virtual void KillTimer(CControlUI* control, unsigned id) = 0;
  virtual void KillAllTimers(CControlUI* control) = 0;
  // Height in pixels of text drawn in `font`.
  virtual int FontHeight(const UiFont& font) = 0;
};

class CSkinManagerUI {
 public:
  // Default colours of a window.
  static constexpr UiColor kDefaultTextColor = 0xFF000000;
  static constexpr UiColor kDefaultDisabledColor = 0xFFA7A6AA;

  CSkinManagerUI();
  ~CSkinManagerUI();
  CSkinManagerUI(const CSkinManagerUI&) = delete;
  CSkinManagerUI& operator=(const CSkinManagerUI&) = delete;

  // Registers a zip in memory as the process-wide skin package (the first
  // registration wins; see RegisterSkinZipFromMemory). The bytes must outlive the process's windows.
  static bool SetResourceZip(const void* data, std::size_t size);

  // Binds the manager to its window; nullptr unbinds.
  void SetHost(IManagerHost* host);
  IManagerHost* GetHost() const { return host_; }

  // Takes the built tree, indexes its names and schedules the first layout.
  // A previous tree is destroyed.
  bool AttachDialog(std::unique_ptr<CControlUI> root);
  CControlUI* GetRoot() const { return root_.get(); }
  // Exact, case-sensitive; covers hidden controls. nullptr when not found.
  CControlUI* FindByName(const std::wstring& name) const;
  // Topmost visible, mouse-enabled control at a client point, or nullptr.
  CControlUI* FindControlAt(UiPoint pt) const;

  // Window attributes from the skin.
  void SetCaptionRect(const UiRect& rect) { caption_ = rect; }
  const UiRect& GetCaptionRect() const { return caption_; }
  void SetInitSize(int cx, int cy);
  UiSize GetInitSize() const { return initSize_; }
  void SetMinInfo(int cx, int cy) { minInfo_ = {cx, cy}; }
  UiSize GetMinInfo() const { return minInfo_; }
  void SetSizeBox(const UiRect& rect) { sizeBox_ = rect; }
  const UiRect& GetSizeBox() const { return sizeBox_; }

  // Fonts: registered by id; lookups fall back to the default font.
  void AddFont(int id, const UiFont& font, bool makeDefault);
  const UiFont& GetFont(int id) const;
  const UiFont& GetDefaultFont() const { return defaultFont_; }
  int GetFontHeight(int id);
  UiColor GetDefaultTextColor() const { return defaultTextColor_; }
  UiColor GetDefaultDisabledColor() const { return defaultDisabledColor_; }

  // The decoded image for a package entry name (case-insensitive), or nullptr
  // when it cannot be loaded; each name is tried once.
  const SkinImage* GetImage(const std::wstring& name);

  // Listeners and filters (not owned; remove before they go away).
  void AddNotifier(INotifyUI* listener);
  void RemoveNotifier(INotifyUI* listener);
  void AddMessageFilter(IMessageFilterUI* filter);
  void RemoveMessageFilter(IMessageFilterUI* filter);
  // Asks each filter in order; stops at the first that sets `handled`.
  UiResult PreMessageFilter(UiMessage msg, UiWParam wParam, UiLParam lParam, bool& handled);

  // Sends a notification to every listener in registration order.
  void SendNotify(CControlUI* sender, const wchar_t* type, UiWParam wParam = 0, UiLParam lParam = 0);

  // Layout and painting.
  void NeedUpdate();
  void Invalidate(const UiRect& rect);
  // Lays the tree out over the client rectangle when needed (the first time
  // also sends "windowinit") and paints the part inside `paintRect`.
  void Paint(IRenderer& renderer, const UiRect& paintRect);
  // Lays the tree out over `client` now.
  void Layout(const UiRect& client);
  // Lays a changed tree out over the host's client area before it is painted:
  // input that arrives before the next WM_PAINT must meet the new positions.
  void LayoutIfNeeded();

  // Focus.
  CControlUI* GetFocus() const { return focus_; }
  void SetFocus(CControlUI* control);
  // Tab order: next (or previous) visible, enabled tab stop.
  void MoveFocus(bool forward);
  CControlUI* GetHot() const { return hot_; }
  CControlUI* GetCapture() const { return capture_; }

  // Input from the window, in client coordinates.
  void OnMouseMove(UiPoint pt);
  void OnMouseLeave();
  void OnMouseHover(UiPoint pt);
  void OnButtonDown(UiPoint pt);
  void OnButtonUp(UiPoint pt);
  void OnDoubleClick(UiPoint pt);
  void OnContextMenu(UiPoint pt);
  void OnKeyDown(unsigned key, bool shift);
  void OnKeyUp(unsigned key);
  void OnChar(unsigned ch);
  void OnTimer(CControlUI* control, unsigned id);
  // What the window does on close: leave for the hot control, button-up for
  // the capture holder, and the framework focus cleared.
  void ReleaseInputOnClose();

  // Control timers.
  bool SetTimer(CControlUI* control, unsigned id, unsigned elapseMs);
  void KillTimer(CControlUI* control, unsigned id);

  // Clears the focus, hot and capture pointers that lead to `control` or its
  // descendants; a destroyed control also loses its timers.
  void ReapControl(CControlUI* control, bool destroyed = true);

 private:
  void SendEvent(CControlUI* target, UiEventType type, UiPoint pt, unsigned key = 0);
  void RebuildNameIndex();

  IManagerHost* host_ = nullptr;
  std::unique_ptr<CControlUI> root_;
  std::map<std::wstring, CControlUI*> names_;
  std::map<int, UiFont> fonts_;
  UiFont defaultFont_;
  UiColor defaultTextColor_ = kDefaultTextColor;
  UiColor defaultDisabledColor_ = kDefaultDisabledColor;
  std::map<std::wstring, std::unique_ptr<SkinImage>> images_;  // lower-case name
  std::vector<INotifyUI*> notifiers_;
  std::vector<IMessageFilterUI*> filters_;
  CControlUI* focus_ = nullptr;
  CControlUI* hot_ = nullptr;
  CControlUI* capture_ = nullptr;
  UiPoint lastMouse_;
  UiRect caption_;
  UiRect sizeBox_;
  UiSize initSize_;
  UiSize minInfo_;
  bool needLayout_ = false;
  bool windowInitSent_ = false;
  // Reset when the manager goes away, so that a dispatch loop can notice that a
  // listener destroyed the window under it.
  std::shared_ptr<bool> alive_;
};

}  // namespace SkinUI
