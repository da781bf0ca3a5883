#pragma once
// Helpers of the updater windows' tests under Wine: pumping this thread's
// messages while watching for WM_QUIT, posting input, reading window facts,
// and saving screenshots when ZVK_SCREENSHOT_DIR is set.

#include <windows.h>

#include <functional>
#include <string>

#include "updater/windows/ui_texts.h"

namespace windows_test {

// The language the windows should show now, by the system's answer.
updater_ui::UiLanguage ExpectedLanguage();
// "zh" or "en", for screenshot names.
std::string LanguageTag();

// Dispatches this thread's messages (through the skin filters) until `done`
// holds or `timeoutMs` passes; returns true when WM_QUIT came, which ends the
// pump at once. `done` is checked about every 5 ms.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Pumps for `ms`; true when WM_QUIT came.
bool PumpFor(DWORD ms);

void PostKey(HWND hwnd, UINT vk);
void PostAltF4(HWND hwnd);
// Move, press and release at client coordinates.
void PostClick(HWND hwnd, int x, int y);
// Move and press only.
void PostPress(HWND hwnd, int x, int y);
// WM_NCHITTEST for a client point.
LRESULT HitTest(HWND hwnd, int x, int y);

std::wstring ClassOf(HWND hwnd);
std::wstring TitleOf(HWND hwnd);
SIZE ClientSize(HWND hwnd);
RECT WindowRect(HWND hwnd);

// Saves the window's pixels as window-<name>-<lang>.bmp in ZVK_SCREENSHOT_DIR.
void Screenshot(HWND hwnd, const std::string& name);

// Ends a modal loop that would otherwise hang a test: after `ms` it posts
// WM_QUIT (code 99), so RunModal returns 0 and the test fails instead.
// The destructor removes the timer and a quit it left behind.
class ModalGuard {
 public:
  explicit ModalGuard(UINT ms = 5000);
  ~ModalGuard();
  ModalGuard(const ModalGuard&) = delete;
  ModalGuard& operator=(const ModalGuard&) = delete;

 private:
  UINT_PTR timer_ = 0;
};

// A plain top-level window to own a tips box.
class OwnerWindow {
 public:
  OwnerWindow(int x, int y, int cx, int cy);
  ~OwnerWindow();
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace windows_test
