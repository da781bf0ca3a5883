#pragma once
// A small XML reader for skin documents: UTF-8 (a byte-order mark is skipped),
// elements and attributes only. Processing instructions ("<?" ... "?>") and
// comments/declarations ("<!" ... "->") are skipped where an element may stand;
// character data between elements is ignored.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace SkinUI {

struct XmlNode {
  std::wstring name;
  std::vector<std::pair<std::wstring, std::wstring>> attributes;  // document order
  std::vector<XmlNode> children;                                  // document order

  // The value of the first attribute named exactly `attr`, or nullptr.
  const std::wstring* Attribute(const std::wstring& attr) const;
};

class CSkinXmlReader {
 public:
  static constexpr std::size_t kMaxAttributes = 64;
  // Deeper documents are refused so that the recursive builder, layout and
  // painting stay within a small stack.
  static constexpr int kMaxDepth = 64;

  // Parses the document. On failure returns false, keeps the error text
  // (GetLastErrorMessage) and the byte offset where reading stopped, and has no root.
  bool Load(const char* data, std::size_t size);

  const XmlNode* Root() const { return ok_ ? &root_ : nullptr; }
  const std::wstring& GetLastErrorMessage() const { return error_; }
  std::size_t GetLastErrorOffset() const { return errorOffset_; }

 private:
  XmlNode root_;
  bool ok_ = false;
  std::wstring error_;
  std::size_t errorOffset_ = 0;
};

}  // namespace SkinUI
