#pragma once
// Finding and answering top-level windows of other processes in the same
// Wine prefix (or Windows session): a window by class, or a message box.
// Used by gui_driver.exe and linked directly by Windows tests. Windows only.

#include <windows.h>

#include <string>

namespace gui_driver {

struct WindowQuery {
  std::wstring className;   // ignored when messageBox is set
  bool messageBox = false;  // a standard message box (dialog class "#32770")
  DWORD processId = 0;      // 0: any process
};

// Polls until a visible top-level window matches; nullptr after timeoutMs.
HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs);

struct MessageBoxText {
  std::wstring caption;
  std::wstring text;
};
MessageBoxText ReadMessageBox(HWND box);

enum class Answer { None, Enter, Escape, Ok, Cancel, Close, Click };

// Posts the answer; a click goes to (x, y) in the window's client area, or to
// the child window under that point. False when the window is gone.
bool AnswerWindow(HWND window, Answer answer, POINT click = POINT{0, 0});

// True once the window no longer exists, false after timeoutMs.
bool WaitUntilGone(HWND window, DWORD timeoutMs);

}  // namespace gui_driver
