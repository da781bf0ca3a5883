#include "publisher/folder_scan.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

#include "platform/file_system.h"
#include "publisher/path_text.h"
#include "zipextract/package_entry_rule.h"

namespace fs = std::filesystem;

namespace publisher {
namespace {

[[noreturn]] void Refuse(const fs::path& path, const std::string& reason) {
  throw std::runtime_error(Utf8Text(path) + ": " + reason);
}

void CheckName(const fs::path& path, const std::string& name) {
  if (const char* reason = RefusedEntryName(name)) Refuse(path, reason);
}

bool IsEmptyDirectory(const fs::path& path) {
  std::error_code error;
  return fs::directory_iterator(path, error) == fs::directory_iterator();
}

void AddEntry(const fs::path& folder, const fs::directory_entry& item, std::vector<PackageEntry>& entries) {
  const fs::path& path = item.path();
  PackageEntry entry;
  entry.source = path;
  entry.name = path.lexically_relative(folder).generic_u8string();
  // First, so that the name is known to be UTF-8 before it is converted.
  CheckName(path, entry.name);
  // The system's own view: on Windows a junction or any other reparse point
  // is a link too, which std::filesystem does not tell there.
  const platform::PathKind kind = platform::InspectPath(WidePath(path));
  if (kind == platform::PathKind::Link)
    Refuse(path, "symbolic link (the launcher would install its target's place)");
  if (kind == platform::PathKind::Directory) {
    if (!IsEmptyDirectory(path)) return;
    entry.directory = true;
    entry.name += '/';
  } else if (kind == platform::PathKind::File) {
    entry.size = fs::file_size(path);
  } else {
    Refuse(path, "neither a regular file nor a folder");
  }
  entries.push_back(std::move(entry));
}

}  // namespace

std::vector<PackageEntry> ScanFolder(const fs::path& folder) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) Refuse(folder, "not a folder");
  std::vector<PackageEntry> entries;
  fs::recursive_directory_iterator it(folder, fs::directory_options::none, error);
  if (error) Refuse(folder, error.message());
  for (; it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (error) Refuse(folder, error.message());
    AddEntry(folder, *it, entries);
  }
  if (error) Refuse(folder, error.message());
  std::sort(entries.begin(), entries.end(),
            [](const PackageEntry& a, const PackageEntry& b) { return a.name < b.name; });
  std::uint64_t total = 0;
  for (const PackageEntry& entry : entries) {
    total += entry.size;
    if (total >= kPackageLimit) Refuse(entry.source, "the package would reach 2 GiB (the programs' limit)");
  }
  return entries;
}

}  // namespace publisher
