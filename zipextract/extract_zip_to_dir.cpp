#include "zipextract/extract_zip_to_dir.h"

#include "zipextract/package_apply.h"

ZipResult ExtractArchive(const std::wstring& archivePath, const std::wstring& folder) {
  return ApplyPackage(archivePath, folder).result;
}
