#include <windows.h>

#include <vector>

#include "platform/string_convert.h"

namespace {

std::string WideToCodePage(const std::wstring& text, UINT codePage, bool failOnMissing) {
  if (text.empty()) return std::string();
  const int inputLength = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = (failOnMissing && codePage != CP_UTF8) ? &usedDefault : nullptr;
  const DWORD flags = failOnMissing ? WC_NO_BEST_FIT_CHARS : 0;
  const int needed =
      WideCharToMultiByte(codePage, flags, text.data(), inputLength, nullptr, 0, nullptr, usedDefaultOut);
  if (needed <= 0 || usedDefault) return std::string();
  std::vector<char> buffer(static_cast<size_t>(needed) + 1, '\0');
  WideCharToMultiByte(codePage, flags, text.data(), inputLength, buffer.data(), needed, nullptr, nullptr);
  return std::string(buffer.data());
}

}  // namespace

std::string WideToAnsi(const std::wstring& text) { return WideToCodePage(text, CP_ACP, false); }

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int inputLength = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), inputLength, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::vector<wchar_t> buffer(static_cast<size_t>(needed) + 1, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), inputLength, buffer.data(), needed);
  return std::wstring(buffer.data());
}

namespace platform {

std::string WideToUtf8(const std::wstring& text) { return WideToCodePage(text, CP_UTF8, false); }

std::string WideToCodePage936(const std::wstring& text) { return WideToCodePage(text, 936, true); }

}  // namespace platform
