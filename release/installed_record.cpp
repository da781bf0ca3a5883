#include "release/installed_record.h"

#include "platform/file_system.h"

namespace release {

bool ReadManifestText(const std::wstring& path, std::string& text, std::string& error) {
  platform::File file = platform::File::OpenForRead(path);
  if (!file.isOpen()) {
    error = "cannot be opened" + platform::LastErrorText();
    return false;
  }
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
      return false;
    }
    text.append(block, static_cast<std::size_t>(got));
  }
}

InstalledRelease ReadInstalledRelease(const std::wstring& root) {
  InstalledRelease installed;
  const std::wstring path = root + kInstalledRecordName;
  const platform::PathKind kind = platform::InspectPath(path);
  if (kind == platform::PathKind::Missing) return installed;
  installed.state = RecordState::Damaged;
  if (kind != platform::PathKind::File) {
    installed.problem = "not a plain file";
    return installed;
  }
  std::string text;
  if (ReadManifestText(path, text, installed.problem) &&
      ParseManifest(text, installed.manifest, installed.problem))
    installed.state = RecordState::Present;
  return installed;
}

}  // namespace release
