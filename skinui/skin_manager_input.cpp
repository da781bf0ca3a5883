// Input routing of CSkinManagerUI: pointer, keys, focus and control timers.

#include <vector>

#include "platform/platform.h"
#include "skinui/skin_manager.h"

namespace SkinUI {

void CSkinManagerUI::SendEvent(CControlUI* target, UiEventType type, UiPoint pt, unsigned key) {
  if (!target) return;
  TEventUI event;
  event.type = type;
  event.sender = target;
  event.timestamp = platform::TickCount();
  event.ptMouse = pt;
  event.key = key;
  target->DoEvent(event);
}

void CSkinManagerUI::SetFocus(CControlUI* control) {
  if (control == focus_) return;
  const std::shared_ptr<bool> alive = alive_;
  if (CControlUI* old = focus_) {
    focus_ = nullptr;
    SendEvent(old, UiEventType::kKillFocus, lastMouse_);
    SendNotify(old, kNotifyKillFocus);
    if (!*alive) return;
  }
  if (control && control->IsVisible() && control->IsEnabled()) {
    focus_ = control;
    SendEvent(control, UiEventType::kSetFocus, lastMouse_);
    SendNotify(control, kNotifySetFocus);
  }
}

void CSkinManagerUI::MoveFocus(bool forward) {
  if (!root_) return;
  std::vector<CControlUI*> stops;
  root_->ForEach([&stops](CControlUI& c) {
    bool shown = true;
    for (const CControlUI* p = &c; p; p = p->GetParent()) shown = shown && p->IsVisible();
    if (shown && c.IsEnabled() && c.IsTabStop()) stops.push_back(&c);
  });
  if (stops.empty()) return;
  std::size_t index = forward ? 0 : stops.size() - 1;
  for (std::size_t i = 0; i < stops.size(); ++i) {
    if (stops[i] != focus_) continue;
    index = forward ? (i + 1) % stops.size() : (i + stops.size() - 1) % stops.size();
    break;
  }
  SetFocus(stops[index]);
}

void CSkinManagerUI::OnMouseMove(UiPoint pt) {
  lastMouse_ = pt;
  LayoutIfNeeded();
  CControlUI* under = FindControlAt(pt);
  if (under != hot_) {
    if (CControlUI* old = hot_) {
      hot_ = nullptr;
      if (host_) host_->HideToolTip();
      SendEvent(old, UiEventType::kMouseLeave, pt);
    }
    hot_ = under;
    SendEvent(under, UiEventType::kMouseEnter, pt);
  }
  SendEvent(capture_ ? capture_ : hot_, UiEventType::kMouseMove, pt);
}

void CSkinManagerUI::OnMouseLeave() {
  if (host_) host_->HideToolTip();
  if (capture_) return;  // the capture holder keeps following the pointer
  if (CControlUI* old = hot_) {
    hot_ = nullptr;
    SendEvent(old, UiEventType::kMouseLeave, lastMouse_);
  }
}

void CSkinManagerUI::OnMouseHover(UiPoint pt) {
  lastMouse_ = pt;
  LayoutIfNeeded();
  SendEvent(hot_, UiEventType::kMouseHover, pt);
  CControlUI* under = FindControlAt(pt);
  if (under && !under->GetToolTip().empty() && host_) {
    host_->ShowToolTip(under->GetToolTip(), under->GetPos());
  }
}

void CSkinManagerUI::OnButtonDown(UiPoint pt) {
  lastMouse_ = pt;
  LayoutIfNeeded();
  if (host_) host_->TakeKeyboardFocus();
  CControlUI* under = FindControlAt(pt);
  if (!under) return;
  capture_ = under;
  const std::shared_ptr<bool> alive = alive_;
  SetFocus(under);
  if (!*alive || capture_ != under) return;  // a listener closed the window or hid the control
  SendEvent(under, UiEventType::kButtonDown, pt);
  if (*alive && host_ && capture_) host_->CaptureMouse();
}

void CSkinManagerUI::OnButtonUp(UiPoint pt) {
  lastMouse_ = pt;
  CControlUI* holder = capture_;
  if (!holder) return;
  capture_ = nullptr;
  if (host_) host_->ReleaseMouse();
  SendEvent(holder, UiEventType::kButtonUp, pt);
}

void CSkinManagerUI::OnDoubleClick(UiPoint pt) {
  lastMouse_ = pt;
  LayoutIfNeeded();
  if (host_) host_->TakeKeyboardFocus();
  CControlUI* under = FindControlAt(pt);
  if (!under) return;
  capture_ = under;
  SendEvent(under, UiEventType::kDoubleClick, pt);
  if (host_ && capture_) host_->CaptureMouse();
}

void CSkinManagerUI::OnContextMenu(UiPoint pt) {
  lastMouse_ = pt;
  LayoutIfNeeded();
  SendEvent(FindControlAt(pt), UiEventType::kContextMenu, pt);
}

void CSkinManagerUI::OnKeyDown(unsigned key, bool shift) {
  if (key == kKeyTab) {
    MoveFocus(!shift);
    return;
  }
  SendEvent(focus_, UiEventType::kKeyDown, lastMouse_, key);
}

void CSkinManagerUI::OnKeyUp(unsigned key) { SendEvent(focus_, UiEventType::kKeyUp, lastMouse_, key); }

void CSkinManagerUI::OnChar(unsigned ch) { SendEvent(focus_, UiEventType::kChar, lastMouse_, ch); }

void CSkinManagerUI::OnTimer(CControlUI* control, unsigned id) {
  if (!control) return;
  TEventUI event;
  event.type = UiEventType::kTimer;
  event.sender = control;
  event.timestamp = platform::TickCount();
  event.wParam = id;
  const std::shared_ptr<bool> alive = alive_;
  control->DoEvent(event);
  if (*alive) SendNotify(control, kNotifyTimer, id);
}

void CSkinManagerUI::ReleaseInputOnClose() {
  const std::shared_ptr<bool> alive = alive_;
  if (CControlUI* old = hot_) {
    hot_ = nullptr;
    SendEvent(old, UiEventType::kMouseLeave, lastMouse_);
  }
  if (CControlUI* holder = capture_) {
    capture_ = nullptr;
    if (host_) host_->ReleaseMouse();
    // Released away from every control: closing must not activate a button.
    SendEvent(holder, UiEventType::kButtonUp, UiPoint{-1, -1});
  }
  if (*alive) SetFocus(nullptr);
}

bool CSkinManagerUI::SetTimer(CControlUI* control, unsigned id, unsigned elapseMs) {
  return control && host_ && host_->SetTimer(control, id, elapseMs);
}

void CSkinManagerUI::KillTimer(CControlUI* control, unsigned id) {
  if (control && host_) host_->KillTimer(control, id);
}

}  // namespace SkinUI
