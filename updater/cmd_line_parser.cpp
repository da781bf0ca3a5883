#include "updater/cmd_line_parser.h"

#include <cwctype>
#include <utility>

namespace {

constexpr wchar_t kSwitch = L'-';
constexpr wchar_t kSeparator = L'=';
constexpr wchar_t kQuote = L'"';
constexpr wchar_t kValueEnd = L' ';

}  // namespace

CCmdLineParser::CCmdLineParser(const wchar_t* cmdLine, bool /*caseSensitive*/) : caseSensitive(false) {
  if (cmdLine != nullptr) Tokenize(cmdLine);
}

bool CCmdLineParser::Tokenize(const wchar_t* text) {
  if (text == nullptr) return false;
  cmdLine = text;
  values.clear();
  const std::wstring& line = cmdLine;
  const std::size_t end = line.size();
  std::size_t pos = 0;
  while (pos < end) {
    const std::size_t dash = line.find(kSwitch, pos);
    if (dash == std::wstring::npos || dash + 1 >= end) break;
    const std::size_t keyStart = dash + 1;
    const std::size_t separator = line.find(kSeparator, keyStart);
    if (separator == std::wstring::npos) {
      // A switch without a separator takes the rest of the line as its key.
      Store(line.substr(keyStart), std::wstring());
      break;
    }
    std::wstring key = line.substr(keyStart, separator - keyStart);
    if (separator + 1 == end) {
      Store(std::move(key), std::wstring());
      break;
    }
    std::size_t valueStart = separator + 1;
    wchar_t valueEnd = kValueEnd;
    if (line[valueStart] == kQuote) {
      ++valueStart;
      valueEnd = kQuote;
    }
    const std::size_t stop = line.find(valueEnd, valueStart);
    if (stop == std::wstring::npos) {
      Store(std::move(key), line.substr(valueStart));
      break;
    }
    Store(std::move(key), line.substr(valueStart, stop - valueStart));
    pos = stop + 1;
  }
  return true;
}

bool CCmdLineParser::Lookup(const std::wstring& key, std::wstring& value) const {
  const auto found = values.find(NormalizedKey(key));
  if (found == values.end()) return false;
  value = found->second;
  return true;
}

std::wstring CCmdLineParser::ValueOf(const std::wstring& key) const {
  std::wstring value;
  Lookup(key, value);
  return value;
}

std::wstring CCmdLineParser::NormalizedKey(std::wstring key) const {
  if (!caseSensitive) {
    for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
  }
  return key;
}

void CCmdLineParser::Store(std::wstring key, std::wstring value) {
  if (key.empty()) return;
  // emplace leaves an existing key alone: the first switch given wins.
  values.emplace(NormalizedKey(std::move(key)), std::move(value));
}
