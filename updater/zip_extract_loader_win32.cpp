#include <windows.h>

#include <memory>

#include "logging/n_log.h"
#include "updater/zip_extract_loader.h"
#include "zipextract/package_apply.h"
#include "zipextract/zlib_dll.h"

namespace {

constexpr wchar_t kDllName[] = L"zlib.dll";

struct ModuleCloser {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ModuleHandle = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleCloser>;

// Loads zlib.dll from `folderPath` while the folder and the file are held
// open (nobody can replace, rename or change them between the check and the
// load), by the final path of the very file that was checked, in the
// system's "\\?\" form: the loader is given no name it could resolve to
// anything else.
ExtractZipFunction TryFolder(const std::wstring& folderPath, const ZipDllTrust& trust) {
  if (folderPath.empty()) return ExtractZipFunction();
  platform::OpenStatus status = platform::OpenStatus::Failed;
  const platform::Folder folder = platform::Folder::Open(folderPath, status);
  platform::File dll;
  if (folder.isOpen()) dll = folder.openFile(kDllName, platform::FileUse::Read, status);
  const std::wstring path = folder.isOpen() ? folder.path() + kDllName : folderPath + kDllName;
  if (status == platform::OpenStatus::Missing) return ExtractZipFunction();
  if (!dll.isOpen()) {
    ZM_INFO << "not loading " << path << ": " << platform::DescribeOpenStatus(status);
    return ExtractZipFunction();
  }
  if (trust.elevated &&
      !(trust.onlyAdministratorsCanWrite && trust.onlyAdministratorsCanWrite(folder, dll))) {
    ZM_INFO << "not loading " << path << ": users who are not administrators may write it or its folder";
    return ExtractZipFunction();
  }
  const std::wstring checked = platform::SystemPathOf(dll);
  if (!folder.isPathOf(checked, kDllName)) {
    ZM_INFO << "not loading " << path << ": it is no longer where it was checked";
    return ExtractZipFunction();
  }
  // Whatever it imports comes from the system folder, not from beside it.
  ModuleHandle module(LoadLibraryExW(checked.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!module) {
    ZM_WARN << "cannot load " << checked << ": error " << GetLastError();
    return ExtractZipFunction();
  }
  const auto function = reinterpret_cast<ExtractZipHandleToDirFunction>(
      reinterpret_cast<void*>(GetProcAddress(module.get(), ZVK_EXTRACT_ZIP_HANDLE_TO_DIR_NAME)));
  if (function == nullptr) {
    ZM_INFO << path << " has no " << ZVK_EXTRACT_ZIP_HANDLE_TO_DIR_NAME;
    return ExtractZipFunction();
  }
  ZM_DEBUG << "unpacking with " << path;
  std::shared_ptr<std::remove_pointer_t<HMODULE>> keep(module.release(), ModuleCloser());
  return [keep, function](platform::File& package, const std::wstring& target) {
    return function(reinterpret_cast<void*>(package.nativeHandle()), target.c_str(), 0);
  };
}

}  // namespace

ZipDllTrust SystemZipDllTrust() {
  ZipDllTrust trust;
  trust.elevated = platform::RunsElevated();
  trust.onlyAdministratorsCanWrite = [](const platform::Folder& folder, const platform::File& dll) {
    return folder.onlyAdministratorsCanWrite() && platform::OnlyAdministratorsCanWrite(dll);
  };
  return trust;
}

ExtractZipFunction LoadExtractZipToDir(const std::wstring& updaterFolder, const std::wstring& launcherFolder,
                                       const ZipDllTrust& trust) {
  if (ExtractZipFunction found = TryFolder(updaterFolder, trust)) return found;
  if (ExtractZipFunction found = TryFolder(launcherFolder, trust)) return found;
  ZM_INFO << "no usable zlib.dll beside the updater or the launcher; unpacking with the built-in extraction";
  return [](platform::File& package, const std::wstring& target) {
    return static_cast<int>(ApplyPackage(package, target).result);
  };
}
