#pragma once
// POSIX only: the file-system name of a wide path, UTF-8 with "/" for "\".

#include <string>

namespace platform {

std::string NativePath(const std::wstring& path);

}  // namespace platform
