#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "launcher/pending_update.h"
#include "logging/n_log.h"
#include "zipextract/extract_zip_to_dir.h"

namespace {

constexpr const char* kLeftovers[] = {"temp\\Updater.exe", "temp\\update.td0", "temp\\update.td1",
                                      "temp\\update.td2",  "temp\\update.td3", "temp\\update.td"};
constexpr const char* kTempFolder = "temp\\";
constexpr const char* kPackageName = "update.zip";

}  // namespace

bool GetExeDirA(std::string& directory) {
  std::vector<char> path(1024, '\0');
  const DWORD length =
      GetModuleFileNameA(GetModuleHandleA(nullptr), path.data(), static_cast<DWORD>(path.size()));
  // A cut path would name some other folder, whose files the step would delete.
  if (length == 0 || length >= path.size()) return false;
  const std::string full(path.data(), length);
  const std::size_t slash = full.find_last_of('\\');
  if (slash == std::string::npos) return false;
  directory = full.substr(0, slash + 1);
  return true;
}

void PreparePendingUpdate() {
  std::string directory;
  if (!GetExeDirA(directory)) {
    ZM_ERROR << "cannot read the launcher's directory";
    return;
  }
  for (const char* leftover : kLeftovers) std::remove((directory + leftover).c_str());

  const std::string downloaded = directory + kTempFolder + kPackageName;
  if (_access(downloaded.c_str(), 0) != 0) return;
  const std::string beside = directory + kPackageName;
  if (!CopyFileA(downloaded.c_str(), beside.c_str(), FALSE)) {
    // Keep the download: the next start tries the copy again.
    ZM_ERROR << "cannot copy " << downloaded << " to " << beside << ", error " << GetLastError();
    return;
  }
  std::remove(downloaded.c_str());
  ZM_INFO << "pending update moved to " << beside;
}

void ExtractPendingUpdate() {
  if (_access(kPackageName, 0) != 0) return;
  wchar_t current[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryW(MAX_PATH, current);
  if (length == 0 || length >= MAX_PATH) {
    ZM_ERROR << "cannot read the working directory, error " << GetLastError();
  } else {
    // Each entry replaces its old file only once it is written whole, so the
    // old file is not removed beforehand: an entry that fails keeps the
    // installed file instead of leaving a hole in the installation.
    const ZipResult result = ExtractArchive(L"update.zip", current);
    if (result == ZipOk) {
      ZM_INFO << "pending update installed";
    } else {
      ZM_WARN << "pending update installed with failures, first result 0x" << std::hex << result;
    }
  }
  std::remove(kPackageName);
}
