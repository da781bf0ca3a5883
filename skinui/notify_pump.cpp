#include <utility>

#include "skinui/notify.h"

namespace SkinUI {

void CNotifyPump::On(const std::wstring& type, Handler handler) {
  handlers_[type].push_back(std::move(handler));
}

bool CNotifyPump::NotifyPump(TSkinNotify& msg) {
  const auto it = handlers_.find(msg.sType);
  if (it == handlers_.end() || it->second.empty()) return false;
  // A copy: a handler may register more handlers.
  const std::vector<Handler> handlers = it->second;
  for (const auto& handler : handlers) handler(msg);
  return true;
}

}  // namespace SkinUI
