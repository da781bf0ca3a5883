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

#include <memory>

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

enum class Automatic { kDecided, kNothingFound };

// The configuration script (or, without one, automatic detection) for url.
// kNothingFound when detection finds no script; a failure in the decision
// when a script cannot be fetched or evaluated.
Automatic AskScript(const WinHttp& api, const WINHTTP_CURRENT_USER_IE_PROXY_CONFIG& config,
                    const std::string& url, RouteDecision& decision) {
  WINHTTP_AUTOPROXY_OPTIONS options{};
  const std::string script = Narrow(config.lpszAutoConfigUrl);
  if (!script.empty()) {
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = config.lpszAutoConfigUrl;
  } else {
    options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  options.fAutoLogonIfChallenged = TRUE;
  const std::string what =
      script.empty() ? "automatic detection" : "configuration script " + proxy_rules::Printable(script);
  Session session(api.open(L"ZVK Updater", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    decision.failure = what + " not asked: " + DescribeError(GetLastError());
    return Automatic::kDecided;
  }
  // Bounds the script's download: resolve, connect, send, receive.
  api.setTimeouts(session.get(), 5000, 5000, 5000, 10000);
  ProxyInfo info;
  const std::wstring wideUrl = Widen(url);
  if (!api.getProxyForUrl(session.get(), wideUrl.c_str(), &options, &info.value)) {
    const DWORD error = GetLastError();
    if (script.empty() && error == ERROR_WINHTTP_AUTODETECTION_FAILED) return Automatic::kNothingFound;
    decision.failure = what + " cannot be fetched or evaluated: " + DescribeError(error);
    return Automatic::kDecided;
  }
  const std::string list = Narrow(info.value.lpszProxy);
  if (info.value.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || list.empty()) {
    decision.route.source = what + " answered DIRECT";
    return Automatic::kDecided;
  }
  // The first of the proxies the script lists, as "PROXY name:port" or "name:port".
  std::string first = list.substr(0, list.find_first_of("; \t"));
  if (first.size() > 6 && _strnicmp(first.c_str(), "PROXY ", 6) == 0) first.erase(0, 6);
  if (!proxy_rules::ParseProxyServer(first, "80", decision.route.proxy))
    decision.failure = what + " gave no usable proxy: " + proxy_rules::Printable(list);
  decision.route.source = what;
  return Automatic::kDecided;
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
    decision.failure = "the system settings name no usable proxy: " + proxy_rules::Printable(list);
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
  if (config.value.fAutoDetect || config.value.lpszAutoConfigUrl) {
    // A script sees the path of plain HTTP only, as browsers show it.
    const std::string url =
        (target.secure ? "https://" : "http://") + target.hostLine + (target.secure ? "/" : requestPath);
    if (AskScript(*api, config.value, url, decision) == Automatic::kDecided) return decision;
    decision = RouteDecision();
    if (!config.value.lpszProxy) {
      decision.route.source = "automatic detection found no configuration script";
      return decision;
    }
  }
  if (config.value.lpszProxy) return FixedRoute(config.value, target);
  decision.route.source = "no proxy configured";
  return decision;
}
