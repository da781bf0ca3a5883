#include "platform/string_convert.h"
#include "window_driver.h"

namespace gui_driver {

namespace {

constexpr DWORD kPollMs = 50;

struct Search {
  const WindowQuery* query;
  HWND found;
};

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

bool Matches(HWND window, const WindowQuery& query) {
  if (!IsWindowVisible(window)) return false;
  if (query.processId != 0) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != query.processId) return false;
  }
  return ClassOf(window) == (query.messageBox ? std::wstring(L"#32770") : query.className);
}

BOOL CALLBACK Visit(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  if (!Matches(window, *search->query)) return TRUE;
  search->found = window;
  return FALSE;
}

std::wstring TextOf(HWND window) {
  if (window == nullptr) return std::wstring();
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], length + 1)));
  return text;
}

void PostKey(HWND window, WPARAM key) {
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void PostClick(HWND window, POINT at) {
  POINT screen = at;
  ClientToScreen(window, &screen);
  HWND target = window;
  if (HWND child = ChildWindowFromPoint(window, at); child != nullptr && child != window) {
    target = child;
    ScreenToClient(child, &screen);
    at = screen;
  }
  const LPARAM position = MAKELPARAM(at.x, at.y);
  PostMessageW(target, WM_MOUSEMOVE, 0, position);
  PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, position);
  PostMessageW(target, WM_LBUTTONUP, 0, position);
}

}  // namespace

HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    Search search{&query, nullptr};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(kPollMs);
  }
}

MessageBoxText ReadMessageBox(HWND box) {
  constexpr int kTextControlId = 0xFFFF;
  return MessageBoxText{TextOf(box), TextOf(GetDlgItem(box, kTextControlId))};
}

bool AnswerWindow(HWND window, Answer answer, POINT click) {
  if (!IsWindow(window)) return false;
  switch (answer) {
    case Answer::None:
      return true;
    case Answer::Enter:
      PostKey(window, VK_RETURN);
      return true;
    case Answer::Escape:
      PostKey(window, VK_ESCAPE);
      return true;
    case Answer::Ok:
      return PostMessageW(window, WM_COMMAND, IDOK, 0) != FALSE;
    case Answer::Cancel:
      return PostMessageW(window, WM_COMMAND, IDCANCEL, 0) != FALSE;
    case Answer::Close:
      return PostMessageW(window, WM_CLOSE, 0, 0) != FALSE;
    case Answer::Click:
      PostClick(window, click);
      return true;
  }
  return false;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (IsWindow(window)) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(kPollMs);
  }
  return true;
}

}  // namespace gui_driver
