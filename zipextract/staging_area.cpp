#include "zipextract/staging_area.h"

#include "platform/file_system.h"

const wchar_t kStagingPrefix[] = L"~zvk-apply-";

namespace {

std::wstring Hex(std::uint64_t value) {
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring text;
  for (int shift = 60; shift >= 0; shift -= 4) text.push_back(kHex[(value >> shift) & 0xF]);
  return text;
}

}  // namespace

std::optional<StagingArea> StagingArea::Create(const std::wstring& root, const RandomSource& random) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    StagingArea area(root, kStagingPrefix + Hex(random()));
    // mkdir fails on any existing name, a planted link to a folder included.
    if (platform::CreateOneDirectory(area.path_) &&
        platform::InspectPath(area.path_) == platform::PathKind::Directory)
      return area;
  }
  return std::nullopt;
}

std::wstring StagingArea::stagedPath(std::size_t record) const {
  return path_ + L"\\s" + std::to_wstring(record);
}

std::wstring StagingArea::asidePath(std::size_t record) const {
  return path_ + L"\\a" + std::to_wstring(record);
}

bool StagingArea::removeAll() const {
  if (platform::InspectPath(path_) != platform::PathKind::Directory) return false;
  // The journal goes first: without it the rest is leftovers, whatever remains.
  platform::DiscardFile(journalPath());
  for (const std::wstring& name : platform::ListDirectory(path_)) platform::DiscardFile(path_ + L"\\" + name);
  return platform::RemoveEmptyDirectory(path_);
}
