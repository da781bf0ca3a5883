#pragma once
// Final paths (as the system names an open file or folder, after every link)
// in one form, so that "is this handle where it was looked for?" compares
// like with like whatever form the system answered in: without a "\\?\" or
// "\\?\UNC\" prefix and without a trailing separator, a drive or share root
// included ("\\?\D:\" is "D:", "\\?\UNC\srv\share\" is "\\srv\share", POSIX
// "/" is "").

#include <string>

namespace platform {

std::wstring NormalFinalPath(std::wstring path);

// The normal final path of `name` (one component) inside the folder whose
// normal final path is `folder`, joined with `separator`.
std::wstring ChildFinalPath(const std::wstring& folder, const std::wstring& name, wchar_t separator);

}  // namespace platform
