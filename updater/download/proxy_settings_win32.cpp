// The current user's Internet settings, resolved as WinHTTP resolves them:
// a configuration script or automatic detection first (WinHttpGetProxyForUrl),
// then the fixed proxy with its bypass list. winhttp.dll is loaded at first
// use from the system folder only and never unloaded: the updater runs from a
// folder the user can write, often elevated, so a winhttp.dll placed beside it
// must never be the one that loads.
#include "updater/download/proxy_settings.h"
// No Asio here, so windows.h may come without winsock2.h.
#include <windows.h>
// winhttp.h needs the types of windows.h; only its types and constants are
// used, the functions come from the loaded module.
#include <winhttp.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "platform/system_library_win32.h"

namespace {

struct WinHttp {
  decltype(&WinHttpGetIEProxyConfigForCurrentUser) getUserConfig = nullptr;
  decltype(&WinHttpOpen) open = nullptr;
  decltype(&WinHttpSetTimeouts) setTimeouts = nullptr;
  decltype(&WinHttpGetProxyForUrl) getProxyForUrl = nullptr;
  decltype(&WinHttpCloseHandle) closeHandle = nullptr;

  bool complete() const { return getUserConfig && open && setTimeouts && getProxyForUrl && closeHandle; }
};

// The functions, or null when winhttp.dll or one of them is missing.
const WinHttp* Api() {
  static const WinHttp api = [] {
    WinHttp loaded;
    const HMODULE module = platform::LoadSystemLibrary(L"winhttp.dll");
    platform::ResolveExport(module, "WinHttpGetIEProxyConfigForCurrentUser", loaded.getUserConfig);
    platform::ResolveExport(module, "WinHttpOpen", loaded.open);
    platform::ResolveExport(module, "WinHttpSetTimeouts", loaded.setTimeouts);
    platform::ResolveExport(module, "WinHttpGetProxyForUrl", loaded.getProxyForUrl);
    platform::ResolveExport(module, "WinHttpCloseHandle", loaded.closeHandle);
    return loaded;
  }();
  return api.complete() ? &api : nullptr;
}

// The strings WinHTTP allocated for the caller.
struct UserConfig {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG value{};
  UserConfig() = default;
  ~UserConfig() {
    for (LPWSTR text : {value.lpszAutoConfigUrl, value.lpszProxy, value.lpszProxyBypass})
      if (text) GlobalFree(text);
  }
  UserConfig(const UserConfig&) = delete;
  UserConfig& operator=(const UserConfig&) = delete;
};

struct ProxyInfo {
  WINHTTP_PROXY_INFO value{};
  ProxyInfo() = default;
  ~ProxyInfo() {
    for (LPWSTR text : {value.lpszProxy, value.lpszProxyBypass})
      if (text) GlobalFree(text);
  }
  ProxyInfo(const ProxyInfo&) = delete;
  ProxyInfo& operator=(const ProxyInfo&) = delete;
};

struct SessionCloser {
  void operator()(void* handle) const { Api()->closeHandle(handle); }
};
using Session = std::unique_ptr<void, SessionCloser>;

// Settings text as UTF-8; a name outside ASCII then fails the rules' checks.
std::string Narrow(const wchar_t* text) {
  if (text == nullptr || *text == L'\0') return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return {};
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), length, nullptr, nullptr);
  narrow.resize(static_cast<std::size_t>(length - 1));
  return narrow;
}

std::wstring Widen(const std::string& text) {
  std::wstring wide;
  for (const char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

std::string DescribeError(DWORD error) {
  const char* meaning = "";
  switch (error) {
    case ERROR_WINHTTP_UNABLE_TO_DOWNLOAD_SCRIPT:
      meaning = ", the script could not be downloaded";
      break;
    case ERROR_WINHTTP_BAD_AUTO_PROXY_SCRIPT:
      meaning = ", the script could not be run";
      break;
    case ERROR_WINHTTP_TIMEOUT:
      meaning = ", timed out";
      break;
    default:
      break;
  }
  return "WinHTTP error " + std::to_string(error) + meaning;
}

// One question to WinHTTP: the proxy for url by options. False, with
// WinHTTP's error, when it gave no answer.
bool AskWinHttp(const WinHttp& api, WINHTTP_AUTOPROXY_OPTIONS options, const std::string& url,
                ProxyInfo& info, DWORD& error) {
  Session session(api.open(L"ZVK Updater", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    error = GetLastError();
    return false;
  }
  // Bounds the script's download: resolve, connect, send, receive.
  api.setTimeouts(session.get(), 5000, 5000, 5000, 10000);
  options.fAutoLogonIfChallenged = TRUE;
  const std::wstring wideUrl = Widen(url);
  if (api.getProxyForUrl(session.get(), wideUrl.c_str(), &options, &info.value)) return true;
  error = GetLastError();
  return false;
}

// The first entry of a script's answer without its keyword: "name:port",
// "DIRECT" or empty.
std::string FirstEntry(std::string_view list) {
  const auto skipBlanks = [&list] {
    list.remove_prefix(std::min(list.find_first_not_of(" \t"), list.size()));
  };
  skipBlanks();
  if (list.size() > 6 && _strnicmp(list.data(), "PROXY ", 6) == 0) {
    list.remove_prefix(6);
    skipBlanks();
  }
  return std::string(list.substr(0, list.find_first_of("; \t")));
}

// The route a script's answer names (what names the script): its first
// proxy, "PROXY name:port" or "name:port", or a direct connection.
RouteDecision TakeScriptAnswer(const ProxyInfo& info, const std::string& what) {
  RouteDecision decision;
  decision.route.source = what;
  const std::string list = Narrow(info.value.lpszProxy);
  const std::string first = FirstEntry(list);
  if (info.value.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || first.empty() ||
      _stricmp(first.c_str(), "DIRECT") == 0) {
    decision.route.source = what + " answered DIRECT";
    return decision;
  }
  if (!proxy_rules::ParseProxyServer(first, "80", decision.route.proxy))
    decision.failure = what + " gave no usable proxy: " + proxy_rules::Redacted(list);
  return decision;
}

// Automatic detection (WPAD) for url. Like every WinHTTP program, the
// updater goes on without it when it finds no script or fails: the decision
// then holds only the warning that says why.
RouteDecision Detect(const WinHttp& api, const std::string& url) {
  WINHTTP_AUTOPROXY_OPTIONS options{};
  options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
  options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  ProxyInfo info;
  DWORD error = 0;
  RouteDecision decision;
  if (!AskWinHttp(api, options, url, info, error)) {
    decision.warning = error == ERROR_WINHTTP_AUTODETECTION_FAILED
                           ? "automatic detection found no configuration script"
                           : "automatic detection failed (" + DescribeError(error) + ")";
    return decision;
  }
  decision = TakeScriptAnswer(info, "automatic detection");
  if (!decision.failure.empty()) {
    decision.warning = decision.failure;
    decision.failure.clear();
  }
  return decision;
}

// The configuration script the settings name, for url. Unlike browsers,
// which then go on with the fixed proxy or directly, a script that cannot be
// fetched or evaluated fails the attempt: the network's administrators named
// it, and a route guessed without it would fail later with a cause less clear.
RouteDecision AskScript(const WinHttp& api, const wchar_t* scriptUrl, const std::string& url) {
  WINHTTP_AUTOPROXY_OPTIONS options{};
  options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
  options.lpszAutoConfigUrl = scriptUrl;
  const std::string what = "configuration script " + proxy_rules::Redacted(Narrow(scriptUrl));
  ProxyInfo info;
  DWORD error = 0;
  if (AskWinHttp(api, options, url, info, error)) return TakeScriptAnswer(info, what);
  RouteDecision decision;
  decision.failure = what + " cannot be fetched or evaluated: " + DescribeError(error);
  return decision;
}

// The fixed proxy for the target's scheme, unless the bypass list names the host.
RouteDecision FixedRoute(const WINHTTP_CURRENT_USER_IE_PROXY_CONFIG& config, const ServerAddress& target) {
  RouteDecision decision;
  const std::string scheme = target.secure ? "https" : "http";
  const std::string list = Narrow(config.lpszProxy);
  if (proxy_rules::MatchesBypassList(Narrow(config.lpszProxyBypass), scheme, target.name)) {
    decision.route.source = "bypass list of the system settings";
    return decision;
  }
  const std::string chosen = proxy_rules::ProxyForScheme(list, scheme);
  if (chosen.empty()) {
    decision.route.source = "the system settings name no proxy for " + scheme;
    return decision;
  }
  if (!proxy_rules::ParseProxyServer(chosen, "80", decision.route.proxy))
    decision.failure = "the system settings name no usable proxy: " + proxy_rules::Redacted(list);
  decision.route.source = "fixed proxy of the system settings";
  return decision;
}

}  // namespace

RouteDecision FindProxyRoute(const ServerAddress& target, const std::string& requestPath) {
  RouteDecision decision;
  const WinHttp* api = Api();
  if (api == nullptr) {
    decision.route.source = "proxy settings not readable: no winhttp.dll in the system folder";
    return decision;
  }
  UserConfig config;
  if (!api->getUserConfig(&config.value)) {
    decision.route.source = "no proxy settings (" + DescribeError(GetLastError()) + ")";
    return decision;
  }
  // A script sees the path of plain HTTP only, as browsers show it.
  const std::string url =
      (target.secure ? "https://" : "http://") + target.hostLine + (target.secure ? "/" : requestPath);
  // Detection first, then the script, then the fixed proxy, as WinHTTP's
  // programs take them.
  std::string warning;
  if (config.value.fAutoDetect) {
    decision = Detect(*api, url);
    if (decision.warning.empty()) return decision;
    warning = decision.warning;
  }
  if (!Narrow(config.value.lpszAutoConfigUrl).empty())
    decision = AskScript(*api, config.value.lpszAutoConfigUrl, url);
  else if (config.value.lpszProxy)
    decision = FixedRoute(config.value, target);
  else
    decision.route.source = warning.empty() ? "no proxy configured" : warning;
  decision.warning = warning;
  return decision;
}
