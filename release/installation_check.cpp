#include "release/installation_check.h"

#include <algorithm>
#include <set>
#include <vector>

#include "platform/file_system.h"
#include "platform/string_convert.h"
#include "zipextract/package_entry_rule.h"
#include "zipextract/zip_entry_name.h"

namespace release {
namespace {

constexpr std::size_t kReadBlock = 1 << 20;

std::wstring Wide(const std::string& utf8) { return DecodeUtf8Name(utf8.data(), utf8.size()); }

// Reads installed files by their manifest names, refusing any link on the way.
class TreeReader {
 public:
  explicit TreeReader(const std::wstring& root) : root_(root), block_(kReadBlock) {}

  std::optional<FileDifference> compare(const ReleaseFile& file) {
    const std::wstring relative = Wide(file.name);
    std::string what;
    if (!foldersAreReal(relative, what)) return FileDifference{file.name, what};
    const std::wstring path = root_ + relative;
    switch (platform::InspectPath(path)) {
      case platform::PathKind::Missing:
        return FileDifference{file.name, "missing"};
      case platform::PathKind::File:
        break;
      case platform::PathKind::Link:
        return FileDifference{file.name, "a link instead of the file"};
      default:
        return FileDifference{file.name, "not a plain file"};
    }
    return compareContent(path, file);
  }

 private:
  std::optional<FileDifference> compareContent(const std::wstring& path, const ReleaseFile& file) {
    platform::File input = platform::File::OpenForRead(path);
    const std::int64_t size = input.isOpen() ? input.seek(0, platform::SeekOrigin::End) : -1;
    if (size < 0 || input.seek(0, platform::SeekOrigin::Begin) != 0)
      return FileDifference{file.name, "cannot be read" + platform::LastErrorText()};
    if (static_cast<std::uint64_t>(size) != file.size)
      return FileDifference{file.name,
                            "size " + std::to_string(size) + " instead of " + std::to_string(file.size)};
    Sha256 hash;
    std::uint64_t read = 0;
    for (std::int64_t got; (got = input.read(block_.data(), block_.size())) != 0;) {
      if (got < 0) return FileDifference{file.name, "cannot be read" + platform::LastErrorText()};
      hash.Update(block_.data(), static_cast<std::size_t>(got));
      read += static_cast<std::uint64_t>(got);
    }
    if (read != file.size || hash.Finish() != file.sha256)
      return FileDifference{file.name, "content differs"};
    return std::nullopt;
  }

  bool foldersAreReal(const std::wstring& relative, std::string& what) {
    for (std::size_t end = relative.find(L'/'); end != std::wstring::npos;
         end = relative.find(L'/', end + 1)) {
      const std::wstring folder = root_ + relative.substr(0, end);
      if (realFolders_.count(folder) != 0) continue;
      const platform::PathKind kind = platform::InspectPath(folder);
      if (kind != platform::PathKind::Directory) {
        what = kind == platform::PathKind::Missing ? "missing"
               : kind == platform::PathKind::Link  ? "a link on the way: " + platform::WideToUtf8(folder)
                                                   : "not a folder: " + platform::WideToUtf8(folder);
        return false;
      }
      realFolders_.insert(folder);
    }
    return true;
  }

  std::wstring root_;
  std::vector<char> block_;
  std::set<std::wstring> realFolders_;
};

// Every name under `folder` (relative, "/" separators) that is not a real
// folder; links are listed, never followed.
void ListTree(const std::wstring& root, const std::string& prefix, std::vector<std::string>& names) {
  for (const std::wstring& entry : platform::ListDirectory(root + Wide(prefix))) {
    const std::string name = prefix + platform::WideToUtf8(entry);
    if (prefix.empty() && IsReservedName(name)) continue;
    if (platform::InspectPath(root + Wide(name)) == platform::PathKind::Directory) {
      ListTree(root, name + "/", names);
    } else {
      names.push_back(name);
    }
  }
}

}  // namespace

std::optional<FileDifference> FirstChangedKeptFile(const std::wstring& root, const Manifest& manifest) {
  TreeReader reader(root);
  for (const ReleaseFile& file : manifest.files) {
    if (file.carried) continue;
    if (auto difference = reader.compare(file)) return difference;
  }
  return std::nullopt;
}

InstallationReport CheckInstallation(const std::wstring& root, const Manifest& manifest) {
  InstallationReport report;
  TreeReader reader(root);
  for (const ReleaseFile& file : manifest.files) {
    if (auto difference = reader.compare(file)) report.differing.push_back(std::move(*difference));
  }
  std::vector<std::string> present;
  ListTree(root, std::string(), present);
  for (const std::string& name : present) {
    if (manifest.find(name) == nullptr) report.unlisted.push_back(name);
  }
  std::sort(report.unlisted.begin(), report.unlisted.end());
  return report;
}

}  // namespace release
