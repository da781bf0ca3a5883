#include "release/installed_record.h"

#include "platform/file_system.h"
#include "platform/string_convert.h"

namespace release {

bool ReadManifestFile(platform::File& file, std::string& text, std::string& error, bool* tooLarge) {
  if (tooLarge != nullptr) *tooLarge = false;
  text.clear();
  char block[65536];
  for (;;) {
    const std::int64_t got = file.read(block, sizeof block);
    if (got < 0) {
      error = "cannot be read" + platform::LastErrorText();
      return false;
    }
    if (got == 0) return true;
    if (text.size() + static_cast<std::size_t>(got) > kMaxManifestBytes) {
      error = "larger than 32 MiB";
      if (tooLarge != nullptr) *tooLarge = true;
      return false;
    }
    text.append(block, static_cast<std::size_t>(got));
  }
}

bool ReadManifestText(const std::wstring& path, std::string& text, std::string& error) {
  platform::File file = platform::File::OpenForRead(path);
  if (!file.isOpen()) {
    error = "cannot be opened" + platform::LastErrorText();
    return false;
  }
  return ReadManifestFile(file, text, error);
}

InstalledRelease ReadInstalledRelease(const platform::Folder& root) {
  InstalledRelease installed;
  const std::string name = platform::WideToUtf8(kInstalledRecordName);
  platform::OpenStatus status = platform::OpenStatus::Failed;
  platform::File file = root.openFile(kInstalledRecordName, platform::FileUse::Read, status);
  if (status == platform::OpenStatus::Missing) return installed;
  if (status == platform::OpenStatus::Busy || status == platform::OpenStatus::Failed) {
    installed.state = RecordState::Unreadable;
    installed.problem = name + " cannot be opened now (" + platform::DescribeOpenStatus(status) + ")" +
                        platform::LastErrorText();
    return installed;
  }
  installed.state = RecordState::Damaged;
  if (status != platform::OpenStatus::Opened) {
    installed.problem = name + " is not a plain file (" + platform::DescribeOpenStatus(status) + ")";
    return installed;
  }
  std::string text;
  bool tooLarge = false;
  if (!ReadManifestFile(file, text, installed.problem, &tooLarge)) {
    if (!tooLarge) installed.state = RecordState::Unreadable;
    installed.problem = name + " " + installed.problem;
    return installed;
  }
  if (!ParseManifest(text, installed.manifest, installed.problem)) {
    installed.problem = name + " is not a valid release manifest (" + installed.problem + ")";
    return installed;
  }
  installed.state = RecordState::Present;
  return installed;
}

InstalledRelease ReadInstalledRelease(const std::wstring& root) {
  platform::OpenStatus status = platform::OpenStatus::Failed;
  const platform::Folder folder = platform::Folder::OpenTrusted(root, status);
  if (folder.isOpen()) return ReadInstalledRelease(folder);
  InstalledRelease installed;
  if (status == platform::OpenStatus::Missing) return installed;
  installed.state = RecordState::Unreadable;
  installed.problem = "the installation folder cannot be opened (" +
                      std::string(platform::DescribeOpenStatus(status)) + ")" + platform::LastErrorText();
  return installed;
}

}  // namespace release
