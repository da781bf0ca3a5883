#include <iconv.h>

#include <cerrno>
#include <vector>

#include "platform/string_convert.h"

namespace {

// Wide strings are UTF-32 in the native builds.
std::string Convert(const char* to, const char* from, const char* input, size_t inputBytes) {
  if (inputBytes == 0) return std::string();
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::string();
  std::vector<char> output(inputBytes * 4 + 4, '\0');
  char* in = const_cast<char*>(input);
  char* out = output.data();
  size_t inLeft = inputBytes;
  size_t outLeft = output.size() - 4;
  const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1)) return std::string();
  return std::string(output.data(), out);
}

}  // namespace

std::string WideToAnsi(const std::wstring& text) {
  const std::string bytes =
      Convert("UTF-8", "WCHAR_T", reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  return std::string(bytes.c_str());
}

std::wstring AnsiToWide(const std::string& text) {
  const std::string bytes = Convert("WCHAR_T", "UTF-8", text.data(), text.size());
  std::wstring wide(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
  return std::wstring(wide.c_str());
}

namespace platform {

std::string WideToUtf8(const std::wstring& text) { return WideToAnsi(text); }

std::string WideToCodePage936(const std::wstring& text) {
  const std::string bytes =
      Convert("CP936", "WCHAR_T", reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  return std::string(bytes.c_str());
}

}  // namespace platform
