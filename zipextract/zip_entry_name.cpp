#include "zipextract/zip_entry_name.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Length of the sequence a lead byte starts, 0 for a byte that cannot lead.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Decodes one sequence at `bytes`; sets `used` to the bytes consumed.
char32_t DecodeOne(const unsigned char* bytes, std::size_t available, std::size_t& used) {
  const std::size_t length = SequenceLength(bytes[0]);
  used = 1;
  if (length == 0 || length > available) return length == 1 ? bytes[0] : kReplacement;
  if (length == 1) return bytes[0];
  char32_t value = bytes[0] & (0xFF >> (length + 1));
  for (std::size_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return kReplacement;
    value = (value << 6) | (bytes[i] & 0x3F);
  }
  static const char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kMinimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
    return kReplacement;
  used = length;
  return value;
}

void Append(std::wstring& out, char32_t value) {
  if (sizeof(wchar_t) == 2 && value > 0xFFFF) {
    value -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (value >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (value & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(value));
  }
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// ".." and what Windows trims to it (trailing dots and spaces are dropped).
bool IsParentComponent(const std::wstring& component) {
  std::size_t dots = 0;
  for (wchar_t c : component) {
    if (c == L'.') {
      ++dots;
    } else if (c != L' ') {
      return false;
    }
  }
  return dots >= 2;
}

}  // namespace

std::wstring DecodeUtf8Name(const char* bytes, std::size_t length) {
  std::wstring out;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes);
  std::size_t position = 0;
  while (position < length) {
    std::size_t used = 1;
    Append(out, DecodeOne(data + position, length - position, used));
    position += used;
  }
  return out;
}

bool IsValidUtf8(const std::string& bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t position = 0;
  while (position < bytes.size()) {
    std::size_t used = 1;
    const char32_t value = DecodeOne(data + position, bytes.size() - position, used);
    // A replacement character that really was written takes three bytes.
    if (value == kReplacement && used != 3) return false;
    position += used;
  }
  return true;
}

std::string HexBytes(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned char byte : bytes) {
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 0xF]);
  }
  return text;
}

std::wstring CleanEntryName(std::wstring name) {
  static const wchar_t* const kParentPatterns[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
  for (bool changed = true; changed;) {
    changed = false;
    if (name.size() >= 2 && name[0] != L'\0' && name[1] == L':') {
      name.erase(0, 2);
      changed = true;
      continue;
    }
    if (!name.empty() && IsSeparator(name[0])) {
      name.erase(0, 1);
      changed = true;
      continue;
    }
    for (const wchar_t* pattern : kParentPatterns) {
      const std::size_t found = name.find(pattern);
      if (found != std::wstring::npos) {
        name.erase(0, found + 4);
        changed = true;
        break;
      }
    }
  }
  return name;
}

bool IsSafeOutputName(const std::wstring& name) {
  if (name.empty() || IsSeparator(name[0])) return false;
  if (name.find(L':') != std::wstring::npos || name.find(L'\0') != std::wstring::npos) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    if (IsParentComponent(name.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}
