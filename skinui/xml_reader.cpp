#include "skinui/xml_reader.h"

#include <cstring>
#include <string_view>

#include "skinui/utf8_text.h"

namespace SkinUI {

const std::wstring* XmlNode::Attribute(const std::wstring& attr) const {
  for (const auto& a : attributes) {
    if (a.first == attr) return &a.second;
  }
  return nullptr;
}

namespace {

struct ParseError {
  const wchar_t* text;
  std::size_t offset;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameChar(char c) {
  return !IsSpace(c) && c != '<' && c != '>' && c != '/' && c != '=' && c != '"' && c != '\'' && c != '\0';
}

// Appends the UTF-8 form of a numeric character reference; false when invalid.
bool AppendCodePoint(std::string& out, unsigned long cp) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  std::wstring w;
  if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
    w.push_back(static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)));
    w.push_back(static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
  } else {
    w.push_back(static_cast<wchar_t>(cp));
  }
  out += WideToUtf8(w);
  return true;
}

// Replaces the five named entities and numeric references; anything else stays as written.
std::string DecodeEntities(std::string_view raw) {
  static const struct {
    const char* name;
    char ch;
  } kNamed[] = {{"lt;", '<'}, {"gt;", '>'}, {"amp;", '&'}, {"quot;", '"'}, {"apos;", '\''}};
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '&') {
      out.push_back(raw[i]);
      continue;
    }
    const std::string_view rest = raw.substr(i + 1);
    bool done = false;
    for (const auto& e : kNamed) {
      if (rest.substr(0, std::strlen(e.name)) == e.name) {
        out.push_back(e.ch);
        i += std::strlen(e.name);
        done = true;
        break;
      }
    }
    const std::size_t semi = rest.find(';');
    if (!done && rest.size() > 1 && rest[0] == '#' && semi != std::string_view::npos && semi < 10) {
      const bool hex = rest[1] == 'x' || rest[1] == 'X';
      const std::string digits(rest.substr(hex ? 2 : 1, semi - (hex ? 2 : 1)));
      char* end = nullptr;
      const unsigned long cp = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
      if (!digits.empty() && *end == '\0' && AppendCodePoint(out, cp)) {
        i += semi + 1;
        done = true;
      }
    }
    if (!done) out.push_back('&');
  }
  return out;
}

class Parser {
 public:
  Parser(const char* data, std::size_t size) : s_(data), n_(size) {}

  void ParseDocument(XmlNode& root) {
    if (n_ >= 3 && std::memcmp(s_, "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
    for (;;) {
      SkipSpace();
      if (!SkipMarkup()) break;
    }
    if (pos_ >= n_ || s_[pos_] != '<') Fail(L"Expected start tag");
    ParseElement(root, 1);
  }

 private:
  [[noreturn]] void Fail(const wchar_t* text) { throw ParseError{text, pos_}; }

  bool StartsWith(const char* text) const {
    const std::size_t len = std::strlen(text);
    return n_ - pos_ >= len && std::memcmp(s_ + pos_, text, len) == 0;
  }

  void SkipSpace() {
    while (pos_ < n_ && IsSpace(s_[pos_])) ++pos_;
  }

  // Skips "<?...?>" or "<!...->" at the current position; false when neither is there.
  bool SkipMarkup() {
    const char* close = StartsWith("<?") ? "?>" : StartsWith("<!") ? "->" : nullptr;
    if (!close) return false;
    const std::string_view rest(s_ + pos_ + 2, n_ - pos_ - 2);
    const std::size_t end = rest.find(close);
    pos_ = end == std::string_view::npos ? n_ : pos_ + 2 + end + 2;
    return true;
  }

  std::string_view ReadName() {
    const std::size_t start = pos_;
    while (pos_ < n_ && IsNameChar(s_[pos_])) ++pos_;
    return std::string_view(s_ + start, pos_ - start);
  }

  void ParseElement(XmlNode& node, int depth) {
    ++pos_;  // '<'
    const std::string_view name = ReadName();
    if (name.empty()) Fail(L"Error parsing element name");
    node.name = Utf8ToWide(name.data(), name.size());
    ParseAttributes(node);
    SkipSpace();
    if (StartsWith("/>")) {
      pos_ += 2;
      return;
    }
    if (pos_ >= n_ || s_[pos_] != '>') Fail(L"Expected start-tag closing");
    ++pos_;
    ParseContent(node, name, depth);
  }

  void ParseAttributes(XmlNode& node) {
    for (;;) {
      SkipSpace();
      if (pos_ >= n_ || s_[pos_] == '>' || s_[pos_] == '/') return;
      const std::string_view name = ReadName();
      if (name.empty() || node.attributes.size() >= CSkinXmlReader::kMaxAttributes) {
        Fail(L"Error while parsing attributes");
      }
      SkipSpace();
      if (pos_ >= n_ || s_[pos_] != '=') Fail(L"Error while parsing attributes");
      ++pos_;
      SkipSpace();
      if (pos_ >= n_ || (s_[pos_] != '"' && s_[pos_] != '\'')) Fail(L"Expected attribute value");
      const char quote = s_[pos_++];
      const std::size_t start = pos_;
      while (pos_ < n_ && s_[pos_] != quote) ++pos_;
      if (pos_ >= n_) Fail(L"Error while parsing attribute string");
      const std::string value = DecodeEntities(std::string_view(s_ + start, pos_ - start));
      ++pos_;
      node.attributes.emplace_back(Utf8ToWide(name.data(), name.size()), Utf8ToWide(value));
    }
  }

  void ParseContent(XmlNode& node, std::string_view name, int depth) {
    for (;;) {
      while (pos_ < n_ && s_[pos_] != '<') ++pos_;  // character data is not kept
      if (pos_ >= n_) Fail(L"Expected end-tag start");
      if (SkipMarkup()) continue;
      if (StartsWith("</")) {
        pos_ += 2;
        if (ReadName() != name) Fail(L"Unmatched closing tag");
        SkipSpace();
        if (pos_ >= n_ || s_[pos_] != '>') Fail(L"Unmatched closing tag");
        ++pos_;
        return;
      }
      if (depth >= CSkinXmlReader::kMaxDepth) Fail(L"Nesting too deep");
      node.children.emplace_back();
      ParseElement(node.children.back(), depth + 1);
    }
  }

  const char* s_;
  std::size_t n_;
  std::size_t pos_ = 0;
};

}  // namespace

bool CSkinXmlReader::Load(const char* data, std::size_t size) {
  root_ = XmlNode{};
  ok_ = false;
  error_.clear();
  errorOffset_ = 0;
  try {
    Parser(data, size).ParseDocument(root_);
  } catch (const ParseError& e) {
    error_ = e.text;
    errorOffset_ = e.offset;
    root_ = XmlNode{};
    return false;
  }
  ok_ = true;
  return true;
}

}  // namespace SkinUI
