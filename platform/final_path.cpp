#include "platform/final_path.h"

namespace platform {

std::wstring NormalFinalPath(std::wstring path) {
  static const std::wstring kUncPrefix = L"\\\\?\\UNC\\";
  static const std::wstring kLongPrefix = L"\\\\?\\";
  if (path.compare(0, kUncPrefix.size(), kUncPrefix) == 0) {
    path = L"\\\\" + path.substr(kUncPrefix.size());
  } else if (path.compare(0, kLongPrefix.size(), kLongPrefix) == 0) {
    path.erase(0, kLongPrefix.size());
  }
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

std::wstring ChildFinalPath(const std::wstring& folder, const std::wstring& name, wchar_t separator) {
  return NormalFinalPath(folder) + separator + name;
}

}  // namespace platform
