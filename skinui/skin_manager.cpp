#include "skinui/skin_manager.h"

#include <algorithm>

#include "platform/platform.h"
#include "skinui/button.h"
#include "skinui/skin_package.h"
#include "skinui/value_syntax.h"

namespace SkinUI {

namespace {

// Without a window the default font is taken to be 13 pixels high.
constexpr int kFallbackFontHeight = 13;

bool IsSelfOrAncestor(const CControlUI* candidate, const CControlUI* control) {
  for (const CControlUI* c = control; c; c = c->GetParent()) {
    if (c == candidate) return true;
  }
  return false;
}

}  // namespace

CSkinManagerUI::CSkinManagerUI() : alive_(std::make_shared<bool>(true)) { defaultFont_.isDefault = true; }

CSkinManagerUI::~CSkinManagerUI() {
  *alive_ = false;
  // The controls report back while they are destroyed; the manager must still be whole.
  root_.reset();
}

bool CSkinManagerUI::SetResourceZip(const void* data, std::size_t size) {
  return RegisterSkinZipFromMemory(data, size);
}

void CSkinManagerUI::SetHost(IManagerHost* host) {
  host_ = host;
  if (host_ && initSize_.cx > 0 && initSize_.cy > 0) host_->ResizeWindow(initSize_.cx, initSize_.cy);
}

bool CSkinManagerUI::AttachDialog(std::unique_ptr<CControlUI> root) {
  if (!root) return false;
  focus_ = hot_ = capture_ = nullptr;
  root_ = std::move(root);
  root_->SetManager(this, nullptr);
  RebuildNameIndex();
  windowInitSent_ = false;
  NeedUpdate();
  return true;
}

void CSkinManagerUI::RebuildNameIndex() {
  names_.clear();
  if (!root_) return;
  root_->ForEach([this](CControlUI& c) {
    if (!c.GetName().empty()) names_.emplace(c.GetName(), &c);  // the first of a name wins
  });
}

CControlUI* CSkinManagerUI::FindByName(const std::wstring& name) const {
  const auto it = names_.find(name);
  return it == names_.end() ? nullptr : it->second;
}

CControlUI* CSkinManagerUI::FindControlAt(UiPoint pt) const {
  return root_ ? root_->FindControlAt(pt) : nullptr;
}

void CSkinManagerUI::SetInitSize(int cx, int cy) {
  initSize_ = {ClampGeometry(cx), ClampGeometry(cy)};
  if (host_ && initSize_.cx > 0 && initSize_.cy > 0) host_->ResizeWindow(initSize_.cx, initSize_.cy);
}

void CSkinManagerUI::AddFont(int id, const UiFont& font, bool makeDefault) {
  fonts_[id] = font;
  if (makeDefault) defaultFont_ = font;
}

const UiFont& CSkinManagerUI::GetFont(int id) const {
  const auto it = fonts_.find(id);
  return it == fonts_.end() ? defaultFont_ : it->second;
}

int CSkinManagerUI::GetFontHeight(int id) {
  const UiFont& font = GetFont(id);
  if (host_) return host_->FontHeight(font);
  return font.isDefault ? kFallbackFontHeight : font.size;
}

const SkinImage* CSkinManagerUI::GetImage(const std::wstring& name) {
  const std::wstring key = ToLowerAscii(name);
  const auto found = images_.find(key);
  if (found != images_.end()) return found->second.get();
  std::vector<char> bytes;
  std::wstring error;
  std::unique_ptr<SkinImage> image;
  const bool read = ReadSkinEntry(name, bytes, error) ||
                    (!GetRegisteredSkinZipName().empty() && ReadSkinFileFromDisk(name, bytes, error));
  if (read) image = DecodeSkinImage(bytes.data(), bytes.size());
  // A failure is remembered too: the image is not tried again.
  return images_.emplace(key, std::move(image)).first->second.get();
}

void CSkinManagerUI::AddNotifier(INotifyUI* listener) {
  if (listener && std::find(notifiers_.begin(), notifiers_.end(), listener) == notifiers_.end()) {
    notifiers_.push_back(listener);
  }
}

void CSkinManagerUI::RemoveNotifier(INotifyUI* listener) {
  notifiers_.erase(std::remove(notifiers_.begin(), notifiers_.end(), listener), notifiers_.end());
}

void CSkinManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
  if (filter && std::find(filters_.begin(), filters_.end(), filter) == filters_.end()) {
    filters_.push_back(filter);
  }
}

void CSkinManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
  filters_.erase(std::remove(filters_.begin(), filters_.end(), filter), filters_.end());
}

UiResult CSkinManagerUI::PreMessageFilter(UiMessage msg, UiWParam wParam, UiLParam lParam, bool& handled) {
  const auto filters = filters_;
  const std::shared_ptr<bool> alive = alive_;
  for (IMessageFilterUI* filter : filters) {
    handled = false;
    const UiResult result = filter->FilterMessage(msg, wParam, lParam, handled);
    if (handled || !*alive) return result;
  }
  handled = false;
  return 0;
}

void CSkinManagerUI::SendNotify(CControlUI* sender, const wchar_t* type, UiWParam wParam, UiLParam lParam) {
  TSkinNotify msg;
  msg.sType = type;
  msg.pSender = sender;
  msg.dwTimestamp = platform::TickCount();
  msg.ptMouse = lastMouse_;
  msg.wParam = wParam;
  msg.lParam = lParam;
  // Listeners may remove themselves or close the window; work on a copy and stop
  // when the manager is gone.
  const auto listeners = notifiers_;
  const std::shared_ptr<bool> alive = alive_;
  for (INotifyUI* listener : listeners) {
    if (!*alive) return;
    if (std::find(notifiers_.begin(), notifiers_.end(), listener) == notifiers_.end()) continue;
    listener->OnNotify(msg);
  }
}

void CSkinManagerUI::NeedUpdate() {
  needLayout_ = true;
  if (host_) host_->Invalidate(host_->ClientRect());
}

void CSkinManagerUI::Invalidate(const UiRect& rect) {
  if (host_) host_->Invalidate(rect);
}

void CSkinManagerUI::Layout(const UiRect& client) {
  needLayout_ = false;
  if (root_) root_->SetPos(client);
}

void CSkinManagerUI::LayoutIfNeeded() {
  if (needLayout_ && root_ && host_) Layout(host_->ClientRect());
}

void CSkinManagerUI::Paint(IRenderer& renderer, const UiRect& paintRect) {
  if (!root_) return;
  if (needLayout_) Layout(host_ ? host_->ClientRect() : root_->GetPos());
  // Input may have laid the tree out first; the notification still comes with the first paint.
  if (!windowInitSent_) {
    windowInitSent_ = true;
    const std::shared_ptr<bool> alive = alive_;
    SendNotify(root_.get(), kNotifyWindowInit);
    if (!*alive || !root_) return;
  }
  root_->DoPaint(renderer, paintRect);
}

void CSkinManagerUI::ReapControl(CControlUI* control, bool destroyed) {
  if (host_ && destroyed) host_->KillAllTimers(control);
  // A control that is only hidden is told what it lost, so that it does not
  // come back hot, pushed or focused; a destroyed one is told nothing.
  if (CControlUI* old = IsSelfOrAncestor(control, focus_) ? focus_ : nullptr) {
    focus_ = nullptr;
    if (!destroyed) SendEvent(old, UiEventType::kKillFocus, lastMouse_);
  }
  if (CControlUI* old = IsSelfOrAncestor(control, hot_) ? hot_ : nullptr) {
    hot_ = nullptr;
    if (host_) host_->HideToolTip();
    if (!destroyed) SendEvent(old, UiEventType::kMouseLeave, lastMouse_);
  }
  if (CControlUI* old = IsSelfOrAncestor(control, capture_) ? capture_ : nullptr) {
    capture_ = nullptr;
    if (host_) host_->ReleaseMouse();
    if (!destroyed) SendEvent(old, UiEventType::kButtonUp, UiPoint{-1, -1});
  }
}

}  // namespace SkinUI
