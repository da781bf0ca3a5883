#include "platform/file_system.h"
#include "zipextract/zip_reader.h"

void EnsureDirectory(const std::wstring& root, const std::wstring& path) {
  if (!root.empty() && !platform::PathExists(root)) platform::CreateOneDirectory(root);
  if (path.empty()) return;
  const std::size_t separator = path.find_last_of(L"\\/");
  if (separator != std::wstring::npos && separator != 0) EnsureDirectory(root, path.substr(0, separator));
  const std::wstring full = root + path;
  if (!platform::PathExists(full)) platform::CreateOneDirectory(full);
}
