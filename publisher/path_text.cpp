#include "publisher/path_text.h"

#include <stdexcept>

#include "platform/string_convert.h"

namespace publisher {

std::wstring WidePath(const std::filesystem::path& path) {
#ifdef _WIN32
  return path.wstring();
#else
  // std::filesystem would convert through the C locale, which knows no UTF-8.
  const std::wstring wide = AnsiToWide(path.native());
  if (wide.empty() && !path.empty()) throw std::runtime_error(path.native() + ": file name is not UTF-8");
  return wide;
#endif
}

}  // namespace publisher
