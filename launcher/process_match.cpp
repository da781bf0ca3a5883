#include "launcher/process_match.h"

namespace launcher {

bool SameImageName(const wchar_t* entryName, const std::wstring& name) {
  std::size_t length = 0;
  while (length < kImageNameChars && entryName[length] != L'\0') ++length;
  return name.compare(0, std::wstring::npos, entryName, length) == 0;
}

}  // namespace launcher
