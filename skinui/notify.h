#pragma once
// Listener and filter interfaces of a skinned window, and a small
// type-to-handler dispatcher for notifications.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "skinui/ui_events.h"
#include "skinui/ui_types.h"

namespace SkinUI {

// Receives every notification of the window's controls, in registration order.
class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void OnNotify(TSkinNotify& msg) = 0;
};

// Sees each message addressed to its window before translation and dispatch
// (main message loop and modal loops). Setting `handled` stops the message.
class IMessageFilterUI {
 public:
  virtual ~IMessageFilterUI() = default;
  virtual UiResult FilterMessage(UiMessage uMsg, UiWParam wParam, UiLParam lParam, bool& handled) = 0;
};

// Routes notifications by type to handlers registered with On().
class CNotifyPump {
 public:
  using Handler = std::function<void(TSkinNotify&)>;
  virtual ~CNotifyPump() = default;

  void On(const std::wstring& type, Handler handler);
  // Calls every handler registered for msg.sType; returns whether there was one.
  bool NotifyPump(TSkinNotify& msg);

 private:
  std::map<std::wstring, std::vector<Handler>> handlers_;
};

}  // namespace SkinUI
