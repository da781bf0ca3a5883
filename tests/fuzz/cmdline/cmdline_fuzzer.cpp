// Input: the command line as UTF-16 code units, little-endian.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwctype>
#include <string>

#include "updater/cmd_line_parser.h"
#include "updater/zip_conf.h"

namespace {

std::wstring CommandLineFrom(const std::uint8_t* data, std::size_t size) {
  std::wstring text;
  text.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  }
  return text;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckParser(const std::wstring& line) {
  const CCmdLineParser parser(line.c_str());
  for (const auto& [key, value] : parser.Values()) {
    Check(!key.empty());
    for (const wchar_t c : key) Check(static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c))) == c);
    Check(line.find(value) != std::wstring::npos);
    std::wstring found;
    Check(parser.Lookup(key, found) && found == value);
  }
}

void CheckUrlSplit(const std::wstring& url) {
  const UrlParts parts = SplitPackageUrl(url);
  const std::wstring scheme = L"http://";
  const std::wstring rest = url.compare(0, scheme.size(), scheme) == 0 ? url.substr(scheme.size()) : url;
  Check(parts.host + parts.requestPath == rest);
  Check(parts.requestPath.empty() || parts.requestPath[0] == L'/' || parts.host.empty());
  Check(parts.host.find(L'/') == std::wstring::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring line = CommandLineFrom(data, size);
  // The program sees the line only up to its terminating NUL.
  const std::wstring visible = line.substr(0, line.find(L'\0'));
  CheckParser(visible);
  CheckUrlSplit(visible);
  const ZipConf conf = BuildZipConf(visible.c_str(), L"C:\\A\\B\\temp\\Updater.exe");
  Check(!conf.url.empty() && conf.url.find('?') != std::string::npos);
  CheckUrlSplit(CCmdLineParser(visible.c_str()).ValueOf(L"url"));
  return 0;
}
