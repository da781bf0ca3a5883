#include "skinui/skin_builder.h"

#include <vector>

#include "skinui/button.h"
#include "skinui/container.h"
#include "skinui/label.h"
#include "skinui/layouts.h"
#include "skinui/progress.h"
#include "skinui/skin_manager.h"
#include "skinui/skin_package.h"
#include "skinui/value_syntax.h"
#include "skinui/xml_reader.h"

namespace SkinUI {

namespace {

constexpr std::size_t kMaxFaceLength = 32;

// Resource declarations the builder knows; no shipped skin uses the last four.
bool IsResourceElement(const std::wstring& name) {
  return EqualsNoCase(name, L"Font") || EqualsNoCase(name, L"Image") || EqualsNoCase(name, L"Default") ||
         EqualsNoCase(name, L"MultiLanguage") || EqualsNoCase(name, L"Include");
}

// A font is registered only with an id >= 0 and a name.
void RegisterFont(const XmlNode& node, CSkinManagerUI& manager) {
  int id = -1;
  bool hasId = false;
  bool makeDefault = false;
  UiFont font;
  for (const auto& [name, value] : node.attributes) {
    if (EqualsNoCase(name, L"id")) {
      id = ParseInt(value);
      hasId = true;
    } else if (EqualsNoCase(name, L"name")) {
      font.face = value.substr(0, kMaxFaceLength);
    } else if (EqualsNoCase(name, L"size")) {
      font.size = ParseInt(value);
    } else if (EqualsNoCase(name, L"bold")) {
      font.bold = ParseBool(value);
    } else if (EqualsNoCase(name, L"underline")) {
      font.underline = ParseBool(value);
    } else if (EqualsNoCase(name, L"italic")) {
      font.italic = ParseBool(value);
    } else if (EqualsNoCase(name, L"default")) {
      makeDefault = ParseBool(value);
    }
  }
  if (!hasId || id < 0 || font.face.empty()) return;
  manager.AddFont(id, font, makeDefault);
}

// Window attributes; names without regard to case, unknown ones ignored.
void ApplyWindowAttributes(const XmlNode& node, CSkinManagerUI& manager) {
  for (const auto& [name, value] : node.attributes) {
    if (EqualsNoCase(name, L"size")) {
      const UiSize size = ParsePair(value);
      manager.SetInitSize(size.cx, size.cy);
    } else if (EqualsNoCase(name, L"caption")) {
      manager.SetCaptionRect(ClampGeometry(ParseQuad(value)));
    } else if (EqualsNoCase(name, L"mininfo")) {
      const UiSize size = ParsePair(value);
      manager.SetMinInfo(ClampGeometry(size.cx), ClampGeometry(size.cy));
    } else if (EqualsNoCase(name, L"sizebox")) {
      manager.SetSizeBox(ClampGeometry(ParseQuad(value)));
    }
  }
}

std::unique_ptr<CControlUI> CreateControl(const std::wstring& element, IDialogBuilderCallback* callback) {
  if (auto control = CreateBuiltinControl(element)) return control;
  return callback ? callback->MakeControl(element) : nullptr;
}

// Builds the control for `node` and its descendants; nullptr when nobody knows the element.
std::unique_ptr<CControlUI> BuildControl(const XmlNode& node, IDialogBuilderCallback* callback,
                                         CSkinManagerUI& manager, CControlUI* parent) {
  std::unique_ptr<CControlUI> control = CreateControl(node.name, callback);
  if (!control) return nullptr;
  control->SetManager(&manager, parent);
  for (const auto& [name, value] : node.attributes) control->SetAttribute(name, value);
  auto* container = dynamic_cast<IContainerUI*>(control.get());
  if (!container) return control;  // children of a plain control have no place to go
  for (const XmlNode& child : node.children) {
    if (auto built = BuildControl(child, callback, manager, control.get())) {
      container->Add(std::move(built));
    }
  }
  return control;
}

}  // namespace

std::unique_ptr<CControlUI> CreateBuiltinControl(const std::wstring& element) {
  if (EqualsNoCase(element, L"VerticalLayout")) return std::make_unique<CVerticalLayoutUI>();
  if (EqualsNoCase(element, L"HorizontalLayout")) return std::make_unique<CHorizontalLayoutUI>();
  if (EqualsNoCase(element, L"Label")) return std::make_unique<CLabelUI>();
  if (EqualsNoCase(element, L"Button")) return std::make_unique<CButtonUI>();
  if (EqualsNoCase(element, L"Progress")) return std::make_unique<CProgressUI>();
  if (EqualsNoCase(element, L"Container")) return std::make_unique<CContainerUI>();
  if (EqualsNoCase(element, L"Control")) return std::make_unique<CControlUI>();
  return nullptr;
}

std::unique_ptr<CControlUI> CSkinBuilder::Build(const std::wstring& entryName,
                                                IDialogBuilderCallback* callback, CSkinManagerUI& manager) {
  std::vector<char> bytes;
  if (!ReadSkinEntry(entryName, bytes, error_)) return nullptr;
  return BuildFromMemory(bytes.data(), bytes.size(), callback, manager);
}

std::unique_ptr<CControlUI> CSkinBuilder::BuildFromMemory(const char* data, std::size_t size,
                                                          IDialogBuilderCallback* callback,
                                                          CSkinManagerUI& manager) {
  error_.clear();
  CSkinXmlReader reader;
  if (!reader.Load(data, size)) {
    error_ = reader.GetLastErrorMessage();
    return nullptr;
  }
  return BuildTree(*reader.Root(), callback, manager);
}

std::unique_ptr<CControlUI> CSkinBuilder::BuildTree(const XmlNode& root, IDialogBuilderCallback* callback,
                                                    CSkinManagerUI& manager) {
  std::unique_ptr<CControlUI> tree;
  for (const XmlNode& child : root.children) {
    if (EqualsNoCase(child.name, L"Font")) {
      RegisterFont(child, manager);
    } else if (!IsResourceElement(child.name) && !tree) {
      tree = BuildControl(child, callback, manager, nullptr);
    }
  }
  if (EqualsNoCase(root.name, L"Window")) ApplyWindowAttributes(root, manager);
  if (!tree) error_ = L"No control in the skin";
  return tree;
}

}  // namespace SkinUI
