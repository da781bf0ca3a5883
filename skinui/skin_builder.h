#pragma once
// CSkinBuilder: turns a skin document into a control tree for a manager.

#include <cstddef>
#include <memory>
#include <string>

#include "skinui/control.h"

namespace SkinUI {

class CSkinManagerUI;
struct XmlNode;

// Asked for element names the builder does not know; returns nullptr for none.
class IDialogBuilderCallback {
 public:
  virtual ~IDialogBuilderCallback() = default;
  virtual std::unique_ptr<CControlUI> MakeControl(const std::wstring& elementName) = 0;
};

class CSkinBuilder {
 public:
  // Reads the entry from the skin package and builds it. Returns the root
  // control (not yet attached to the manager) or nullptr; the reason is kept
  // in GetLastErrorMessage().
  std::unique_ptr<CControlUI> Build(const std::wstring& entryName, IDialogBuilderCallback* callback,
                                    CSkinManagerUI& manager);
  // Same from document bytes (UTF-8, optional byte-order mark).
  std::unique_ptr<CControlUI> BuildFromMemory(const char* data, std::size_t size,
                                              IDialogBuilderCallback* callback, CSkinManagerUI& manager);

  const std::wstring& GetLastErrorMessage() const { return error_; }

 private:
  std::unique_ptr<CControlUI> BuildTree(const XmlNode& root, IDialogBuilderCallback* callback,
                                        CSkinManagerUI& manager);
  std::wstring error_;
};

// Creates a control for an element name of the builder's own vocabulary
// (case-insensitive), or nullptr.
std::unique_ptr<CControlUI> CreateBuiltinControl(const std::wstring& elementName);

}  // namespace SkinUI
