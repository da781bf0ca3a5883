#include <windows.h>

#include <memory>

#include "logging/n_log.h"
#include "updater/zip_extract_loader.h"
#include "zipextract/extract_zip_to_dir.h"
#include "zipextract/zlib_dll.h"

namespace {

struct ModuleCloser {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ModuleHandle = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleCloser>;

// Only a full path is ever loaded: a bare "zlib.dll" would let the search
// order pick up some other program's zlib.
ExtractZipFunction TryFolder(const std::wstring& folder) {
  if (folder.empty()) return ExtractZipFunction();
  const std::wstring path = folder + L"zlib.dll";
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return ExtractZipFunction();
  ModuleHandle module(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!module) {
    ZM_WARN << "cannot load " << path << ": error " << GetLastError();
    return ExtractZipFunction();
  }
  const auto function = reinterpret_cast<ExtractZipToDirFunction>(
      reinterpret_cast<void*>(GetProcAddress(module.get(), ZVK_EXTRACT_ZIP_TO_DIR_NAME)));
  if (function == nullptr) {
    ZM_WARN << path << " has no " << ZVK_EXTRACT_ZIP_TO_DIR_NAME;
    return ExtractZipFunction();
  }
  ZM_DEBUG << "unpacking with " << path;
  std::shared_ptr<std::remove_pointer_t<HMODULE>> keep(module.release(), ModuleCloser());
  return [keep, function](const std::wstring& package, const std::wstring& target) {
    return function(package.c_str(), target.c_str(), 0);
  };
}

}  // namespace

ExtractZipFunction LoadExtractZipToDir(const std::wstring& updaterFolder,
                                       const std::wstring& launcherFolder) {
  if (ExtractZipFunction found = TryFolder(updaterFolder)) return found;
  if (ExtractZipFunction found = TryFolder(launcherFolder)) return found;
  ZM_WARN << "no zlib.dll beside the updater or the launcher; unpacking with the built-in extraction";
  return [](const std::wstring& package, const std::wstring& target) {
    return static_cast<int>(ExtractArchive(package, target));
  };
}
