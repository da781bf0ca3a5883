#include "release/installation_check.h"

#include <algorithm>
#include <vector>

#include "platform/file_system.h"
#include "platform/folder.h"
#include "platform/string_convert.h"
#include "zipextract/package_entry_rule.h"
#include "zipextract/zip_entry_name.h"

namespace release {
namespace {

constexpr std::size_t kReadBlock = 1 << 20;

std::wstring Wide(const std::string& utf8) { return DecodeUtf8Name(utf8.data(), utf8.size()); }

const char* Difference(platform::OpenStatus status) {
  switch (status) {
    case platform::OpenStatus::Missing:
      return "missing";
    case platform::OpenStatus::Link:
      return "a link instead of the file, or on the way to it";
    case platform::OpenStatus::NotPlain:
      return "not a plain file (a folder, a device, or a file with other names)";
    default:
      return "cannot be read";
  }
}

// Reads installed files by their manifest names through handles opened
// beneath the installation's: no link is followed, on the way or at the name.
class TreeReader {
 public:
  explicit TreeReader(const platform::Folder& root) : root_(root), block_(kReadBlock) {}

  std::optional<FileDifference> compare(const ReleaseFile& file) {
    platform::OpenStatus status = platform::OpenStatus::Failed;
    platform::File input = platform::OpenFileBeneath(root_, Wide(file.name), platform::FileUse::Read, status);
    if (!input.isOpen()) {
      std::string what = Difference(status);
      if (status == platform::OpenStatus::Busy || status == platform::OpenStatus::Failed)
        what += platform::LastErrorText();
      return FileDifference{file.name, what};
    }
    return compareContent(input, file);
  }

 private:
  std::optional<FileDifference> compareContent(platform::File& input, const ReleaseFile& file) {
    const std::int64_t size = input.size();
    if (size < 0) return FileDifference{file.name, "cannot be read" + platform::LastErrorText()};
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

  const platform::Folder& root_;
  std::vector<char> block_;
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

std::optional<FileDifference> FirstChangedKeptFile(const platform::Folder& root, const Manifest& manifest) {
  TreeReader reader(root);
  for (const ReleaseFile& file : manifest.files) {
    if (file.carried) continue;
    if (auto difference = reader.compare(file)) return difference;
  }
  return std::nullopt;
}

InstallationReport CheckInstallation(const std::wstring& root, const Manifest& manifest) {
  InstallationReport report;
  platform::OpenStatus status = platform::OpenStatus::Failed;
  const platform::Folder folder = platform::Folder::OpenTrusted(root, status);
  std::optional<TreeReader> reader;
  if (folder.isOpen()) reader.emplace(folder);
  for (const ReleaseFile& file : manifest.files) {
    std::optional<FileDifference> difference =
        reader ? reader->compare(file)
               : FileDifference{file.name, std::string("the installation folder: ") +
                                               platform::DescribeOpenStatus(status)};
    if (difference) report.differing.push_back(std::move(*difference));
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
