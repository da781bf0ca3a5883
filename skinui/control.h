#pragma once
// CControlUI: the base of every skin control. It holds the attributes common
// to all controls, its rectangle as placed by the parent layout, and paints in
// the fixed order background colour, background image, state images, text, border.

#include <functional>
#include <string>

#include "skinui/renderer.h"
#include "skinui/ui_events.h"
#include "skinui/ui_types.h"

namespace SkinUI {

class CSkinManagerUI;
class CContainerUI;

class CControlUI {
 public:
  static constexpr int kMaxExtent = 9999;

  CControlUI() = default;
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;
  // Tells the manager to forget this control (focus, hot, capture, timers).
  virtual ~CControlUI();

  // Class name as reported to callers ("ControlUI", "ButtonUI", ...).
  virtual const wchar_t* GetClass() const;
  virtual bool IsContainer() const { return false; }

  const std::wstring& GetName() const { return name_; }
  void SetName(const std::wstring& name) { name_ = name; }
  virtual const std::wstring& GetText() const { return text_; }
  virtual void SetText(const std::wstring& text);
  const std::wstring& GetToolTip() const { return tooltip_; }
  void SetToolTip(const std::wstring& text) { tooltip_ = text; }

  bool IsVisible() const { return visible_; }
  virtual void SetVisible(bool visible);
  bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  bool IsMouseEnabled() const { return mouseEnabled_; }
  void SetMouseEnabled(bool enabled) { mouseEnabled_ = enabled; }
  bool IsFocused() const { return focused_; }
  // Buttons take part in Tab navigation; other controls do not.
  virtual bool IsTabStop() const { return false; }

  int GetFixedWidth() const { return fixedWidth_; }
  int GetFixedHeight() const { return fixedHeight_; }
  void SetFixedWidth(int cx);
  void SetFixedHeight(int cy);
  int GetMinWidth() const { return minWidth_; }
  int GetMaxWidth() const { return maxWidth_; }
  int GetMinHeight() const { return minHeight_; }
  int GetMaxHeight() const { return maxHeight_; }
  void SetMinWidth(int cx);
  void SetMaxWidth(int cx);
  void SetMinHeight(int cy);
  void SetMaxHeight(int cy);
  const UiRect& GetPadding() const { return padding_; }
  void SetPadding(const UiRect& padding);

  UiColor GetBkColor() const { return bkColor_; }
  void SetBkColor(UiColor color);
  const std::wstring& GetBkImage() const { return bkImage_; }
  void SetBkImage(const std::wstring& image);

  // The size this control wants inside `available`; 0 in a dimension lets the
  // parent layout decide.
  virtual UiSize EstimateSize(UiSize available);
  const UiRect& GetPos() const { return rect_; }
  // Places the control (containers also lay out their children).
  virtual void SetPos(const UiRect& rect);

  // Applies one skin attribute; unknown names are ignored.
  virtual void SetAttribute(const std::wstring& name, const std::wstring& value);

  // The topmost visible, mouse-enabled control at `pt` (this or a descendant), or nullptr.
  virtual CControlUI* FindControlAt(UiPoint pt);
  // Calls `visit` for this control and every descendant in tree order.
  virtual void ForEach(const std::function<void(CControlUI&)>& visit);

  virtual void DoPaint(IRenderer& renderer, const UiRect& paintRect);
  // Entry point for events from the manager; controls override the parts they need.
  virtual void DoEvent(TEventUI& event);

  CControlUI* GetParent() const { return parent_; }
  CSkinManagerUI* GetManager() const { return manager_; }
  // Sets the manager and parent of this control and (for containers) its children.
  virtual void SetManager(CSkinManagerUI* manager, CControlUI* parent);

  // Repaints this control's rectangle / relays out the window.
  void Invalidate();
  void NeedUpdate();

 protected:
  virtual void PaintBkColor(IRenderer& renderer);
  virtual void PaintBkImage(IRenderer& renderer);
  virtual void PaintStatusImage(IRenderer& renderer);
  virtual void PaintText(IRenderer& renderer);
  virtual void PaintBorder(IRenderer& renderer);
  // Draws the named skin image over `dest`; false when it is missing or undrawable.
  bool DrawImage(IRenderer& renderer, const std::wstring& image, const UiRect& dest);

  friend class CSkinManagerUI;
  bool focused_ = false;
  UiRect rect_;

 private:
  CSkinManagerUI* manager_ = nullptr;
  CControlUI* parent_ = nullptr;
  std::wstring name_;
  std::wstring text_;
  std::wstring tooltip_;
  bool visible_ = true;
  bool enabled_ = true;
  bool mouseEnabled_ = true;
  int fixedWidth_ = 0;
  int fixedHeight_ = 0;
  int minWidth_ = 0;
  int minHeight_ = 0;
  int maxWidth_ = kMaxExtent;
  int maxHeight_ = kMaxExtent;
  UiRect padding_;
  UiColor bkColor_ = 0;
  std::wstring bkImage_;
};

}  // namespace SkinUI
