// The framework's message loop and the process-wide list of skinned windows
// whose pre-message filters it consults.

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "skinui/win32/skin_host_win32.h"
#include "skinui/win32/window_impl_base.h"

namespace SkinUI {

namespace {

// Windows live on the main thread and, for the failure box, on a worker
// thread; both add and remove themselves here.
struct SkinWindowList {
  std::mutex lock;
  std::vector<std::pair<HWND, CSkinManagerUI*>> windows;
};

SkinWindowList& Windows() {
  // Never destroyed: a window on another thread may unregister while the process exits.
  static SkinWindowList* const list = std::make_unique<SkinWindowList>().release();
  return *list;
}

CSkinManagerUI* Lookup(HWND hwnd) {
  SkinWindowList& list = Windows();
  std::lock_guard<std::mutex> hold(list.lock);
  for (const auto& entry : list.windows) {
    if (entry.first == hwnd) return entry.second;
  }
  return nullptr;
}

}  // namespace

void RegisterSkinWindow(HWND hwnd, CSkinManagerUI* manager) {
  SkinWindowList& list = Windows();
  std::lock_guard<std::mutex> hold(list.lock);
  list.windows.emplace_back(hwnd, manager);
}

void UnregisterSkinWindow(HWND hwnd) {
  SkinWindowList& list = Windows();
  std::lock_guard<std::mutex> hold(list.lock);
  list.windows.erase(std::remove_if(list.windows.begin(), list.windows.end(),
                                    [hwnd](const auto& entry) { return entry.first == hwnd; }),
                     list.windows.end());
}

CSkinManagerUI* FindSkinManager(HWND hwnd) {
  // A message for a child window goes to the filters of the skinned window above it.
  for (HWND h = hwnd; h; h = ::GetParent(h)) {
    if (CSkinManagerUI* manager = Lookup(h)) return manager;
    if (!(::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) break;
  }
  return nullptr;
}

bool TranslateSkinMessage(const MSG* msg) {
  if (!msg || !msg->hwnd) return false;
  // The manager belongs to this thread's window (GetMessage only returns this
  // thread's messages), so it cannot go away while its filters run.
  CSkinManagerUI* manager = FindSkinManager(msg->hwnd);
  if (!manager) return false;
  bool handled = false;
  manager->PreMessageFilter(msg->message, msg->wParam, msg->lParam, handled);
  return handled;
}

void RunMessageLoop() {
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (TranslateSkinMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace SkinUI
