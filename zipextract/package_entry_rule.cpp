#include "zipextract/package_entry_rule.h"

#include <algorithm>
#include <utility>

#include "zipextract/zip_entry_name.h"

namespace {

// Length of the temporary name the reader writes beside each target.
constexpr std::size_t kTemporaryNameLength = 15;

bool HasForbiddenCharacter(const std::wstring& name) {
  return std::any_of(name.begin(), name.end(), [](wchar_t c) {
    return c < 0x20 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' || c == L'*' ||
           c == L'\\';
  });
}

// Windows drops trailing dots and spaces from a component, so such a name
// would install under another name.
bool HasTrimmedComponent(const std::wstring& name) {
  std::size_t start = 0;
  while (start < name.size()) {
    std::size_t end = name.find(L'/', start);
    if (end == std::wstring::npos) end = name.size();
    if (end == start) return true;
    const wchar_t last = name[end - 1];
    if (last == L'.' || last == L' ') return true;
    start = end + 1;
  }
  return false;
}

std::wstring Lowered(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c);
  return text;
}

bool IsPortDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || c == 0xB9 || c == 0xB2 || c == 0xB3; }

// CON, NUL, COM1, CONIN$ ... name devices in every folder, whatever the
// extension and the spaces before it ("nul .txt" is NUL too), and COM and LPT
// take the superscript digits as well.
bool IsDeviceName(std::wstring base) {
  static const wchar_t* const kDevices[] = {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"};
  while (!base.empty() && base.back() == L' ') base.pop_back();
  base = Lowered(std::move(base));
  for (const wchar_t* device : kDevices) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.compare(0, 3, L"com") == 0 || base.compare(0, 3, L"lpt") == 0) &&
         IsPortDigit(base[3]);
}

bool HasDeviceName(const std::wstring& name) {
  std::size_t start = 0;
  while (start < name.size()) {
    std::size_t end = name.find(L'/', start);
    if (end == std::wstring::npos) end = name.size();
    if (IsDeviceName(name.substr(start, std::min(end, name.find(L'.', start)) - start))) return true;
    start = end + 1;
  }
  return false;
}

template <typename Text>
bool StartsWithReservedPrefix(const Text& name) {
  const std::size_t length = sizeof kReservedNamePrefix - 1;
  if (name.size() < length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = name[i];
    const auto lowered = c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
    if (lowered != kReservedNamePrefix[i]) return false;
  }
  return true;
}

}  // namespace

bool IsUpdateWorkName(const std::wstring& name) {
  static const wchar_t* const kPendingFiles[] = {L"update.zip", L"update.zip.part", L"update.tries",
                                                 L"update.failed.zip", L"update.rejected.zip"};
  const std::size_t split = name.find_first_of(L"\\/");
  const std::wstring first = Lowered(name.substr(0, split));
  if (first == L"temp") return true;
  if (split != std::wstring::npos && split + 1 < name.size()) return false;
  for (const wchar_t* pending : kPendingFiles) {
    if (first == pending) return true;
  }
  return false;
}

bool IsReservedName(const std::string& utf8Name) { return StartsWithReservedPrefix(utf8Name); }
bool IsReservedName(const std::wstring& name) { return StartsWithReservedPrefix(name); }

const char* RefusedEntryName(const std::string& utf8Name) {
  if (utf8Name.empty()) return "empty entry name";
  if (utf8Name.size() > kMaxZipPath) return "entry name longer than 259 bytes";
  if (!IsValidUtf8(utf8Name)) return "entry name is not valid UTF-8";
  const std::wstring name = DecodeUtf8Name(utf8Name.data(), utf8Name.size());
  if (name[0] == L'/') return "absolute entry name";
  if (name.find(L':') != std::wstring::npos) return "':' in an entry name (drive or stream)";
  const std::wstring asFile = name.back() == L'/' ? name.substr(0, name.size() - 1) : name;
  if (CleanEntryName(name) != name || !IsSafeOutputName(asFile)) return "'..' component in an entry name";
  if (HasForbiddenCharacter(name)) return "character Windows does not allow in file names";
  if (HasTrimmedComponent(asFile)) return "empty component, or one ending in a dot or a space";
  if (HasDeviceName(asFile)) return "a Windows device name (CON, NUL, COM1, ...)";
  if (IsReservedName(utf8Name)) return "a name reserved for the apply's work and records (~zvk-apply...)";
  if (IsUpdateWorkName(asFile))
    return "a name kept for the updater's and launcher's work (temp/..., update.zip, update.tries, ...)";
  const std::size_t split = asFile.find_last_of(L'/');
  const std::size_t fileLength = split == std::wstring::npos ? asFile.size() : asFile.size() - split - 1;
  const std::size_t pathLength = asFile.size() - fileLength + std::max(fileLength, kTemporaryNameLength);
  if (pathLength + kInstallFolderAllowance > kMaxZipPath)
    return "entry path too long (at most 159 characters, leaving room for the installation folder)";
  return nullptr;
}
