#include <utility>

#include "platform/folder.h"

namespace platform {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

Folder OpenFolderBeneath(const Folder& root, const std::wstring& relative, OpenStatus& status) {
  status = OpenStatus::Failed;
  Folder current;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = start;
    while (end < relative.size() && !IsSeparator(relative[end])) ++end;
    const std::wstring name = relative.substr(start, end - start);
    // An empty component opens nothing: Folder refuses it.
    Folder next = (current.isOpen() ? current : root).openFolder(name, status);
    if (status != OpenStatus::Opened) return Folder();
    current = std::move(next);
    start = end + 1;
  }
  return current;
}

File OpenFileBeneath(const Folder& root, const std::wstring& relative, FileUse use, OpenStatus& status,
                     Folder* parent) {
  std::size_t split = relative.size();
  while (split > 0 && !IsSeparator(relative[split - 1])) --split;
  Folder holder;
  if (split > 0) {
    holder = OpenFolderBeneath(root, relative.substr(0, split - 1), status);
    if (status != OpenStatus::Opened) return File();
  }
  File file = (holder.isOpen() ? holder : root).openFile(relative.substr(split), use, status);
  if (parent != nullptr && file.isOpen()) *parent = std::move(holder);
  return file;
}

}  // namespace platform
