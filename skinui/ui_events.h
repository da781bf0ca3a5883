#pragma once
// Events the manager delivers to controls, and notifications it delivers to
// the window's listeners.

#include <cstdint>
#include <string>

#include "skinui/ui_types.h"

namespace SkinUI {

class CControlUI;

enum class UiEventType {
  kMouseEnter,
  kMouseLeave,
  kMouseMove,
  kMouseHover,
  kButtonDown,
  kButtonUp,
  kDoubleClick,
  kContextMenu,
  kKeyDown,
  kKeyUp,
  kChar,
  kSetFocus,
  kKillFocus,
  kTimer,
};

// Virtual-key codes the controls react to (same values as Win32's VK_*).
constexpr unsigned kKeyTab = 0x09;
constexpr unsigned kKeyReturn = 0x0D;
constexpr unsigned kKeySpace = 0x20;

struct TEventUI {
  UiEventType type = UiEventType::kMouseMove;
  CControlUI* sender = nullptr;
  std::uint32_t timestamp = 0;
  UiPoint ptMouse;
  unsigned key = 0;  // key events: the virtual-key code or character
  UiWParam wParam = 0;
  UiLParam lParam = 0;
};

// Notification types.
constexpr const wchar_t* kNotifyClick = L"click";
constexpr const wchar_t* kNotifySetFocus = L"setfocus";
constexpr const wchar_t* kNotifyKillFocus = L"killfocus";
constexpr const wchar_t* kNotifyWindowInit = L"windowinit";
constexpr const wchar_t* kNotifyMenu = L"menu";
constexpr const wchar_t* kNotifyTimer = L"timer";

struct TSkinNotify {
  std::wstring sType;
  CControlUI* pSender = nullptr;
  std::uint32_t dwTimestamp = 0;  // milliseconds since system start
  UiPoint ptMouse;
  UiWParam wParam = 0;
  UiLParam lParam = 0;
};

}  // namespace SkinUI
