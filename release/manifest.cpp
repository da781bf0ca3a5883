#include "release/manifest.h"

#include <algorithm>
#include <set>

#include "release/name_case.h"
#include "zipextract/package_entry_rule.h"

namespace release {
namespace {

constexpr char kHeader[] = "zvk-release 1";
constexpr std::size_t kMd5HexLength = 32;

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool IsLowerHex(const std::string& text, std::size_t length) {
  return text.size() == length && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

// Decimal, no sign, no leading zero, at most `limit`.
bool ParseCount(const std::string& text, std::uint64_t limit, std::uint64_t& value) {
  if (text.empty() || text.size() > 12 || (text[0] == '0' && text.size() > 1)) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value <= limit;
}

// `count` fields separated by single spaces, the last one the rest of the
// line; none may be empty.
bool SplitFields(const std::string& line, std::size_t count, std::vector<std::string>& fields) {
  fields.clear();
  std::size_t start = 0;
  while (fields.size() + 1 < count) {
    const std::size_t space = line.find(' ', start);
    if (space == std::string::npos || space == start) return false;
    fields.push_back(line.substr(start, space - start));
    start = space + 1;
  }
  if (start >= line.size()) return false;
  fields.push_back(line.substr(start));
  return true;
}

const char* RefusedFileName(const std::string& name) {
  if (!name.empty() && name.back() == '/') return "a folder where a file is listed";
  return RefusedEntryName(name);
}

class Parser {
 public:
  Parser(const std::string& text, std::string& error) : text_(text), error_(error) {}

  bool Run(Manifest& out) {
    if (text_.size() > kMaxManifestBytes) return Fail("manifest larger than 32 MiB");
    if (text_.empty() || text_.back() != '\n') return Fail("manifest does not end with a line break");
    if (!Next() || line_ != kHeader) return Fail("not a release manifest (zvk-release 1)");
    return Header(out) && Files(out) && Removals(out) && Finish(out);
  }

 private:
  bool Fail(const std::string& why) {
    error_ = (number_ > 0 ? "line " + std::to_string(number_) + ": " : std::string()) + why;
    return false;
  }

  // The next line into line_; false at the end. Control characters are refused.
  bool Next() {
    if (position_ >= text_.size()) return false;
    const std::size_t end = text_.find('\n', position_);
    line_ = text_.substr(position_, end - position_);
    position_ = end + 1;
    ++number_;
    control_ =
        std::any_of(line_.begin(), line_.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    return true;
  }

  bool Keyed(const char* key, std::string& value) {
    const std::string prefix = std::string(key) + " ";
    if (!Next() || !StartsWith(line_, prefix.c_str())) return Fail(std::string("expected ") + key);
    if (control_) return Fail("control character");
    value = line_.substr(prefix.size());
    return true;
  }

  bool VersionLine(const char* key, Version& version) {
    std::string value;
    if (!Keyed(key, value)) return false;
    const std::optional<Version> parsed = Version::Parse(value);
    if (!parsed) return Fail(std::string("not a version (dotted numbers): ") + key);
    version = *parsed;
    return true;
  }

  bool Header(Manifest& out) {
    std::string kind;
    if (!Keyed("product", out.product)) return false;
    if (const char* why = RefusedProductName(out.product)) return Fail(why);
    if (!VersionLine("version", out.version) || !Keyed("kind", kind)) return false;
    if (kind != "full" && kind != "delta") return Fail("kind is neither full nor delta");
    out.kind = kind == "full" ? ReleaseKind::Full : ReleaseKind::Delta;
    if (out.kind == ReleaseKind::Delta) {
      Version base;
      if (!VersionLine("base", base)) return false;
      if (!(base < out.version)) return Fail("base version not below the version");
      out.base = base;
    }
    pending_ = Next();
    if (pending_ && StartsWith(line_, "full-package ")) {
      if (out.kind != ReleaseKind::Delta) return Fail("full-package in a full release");
      if (!FullPackage(out)) return false;
      pending_ = Next();
    }
    return true;
  }

  bool FullPackage(Manifest& out) {
    std::vector<std::string> fields;
    FullPackageRef full;
    if (control_ || !SplitFields(line_, 5, fields)) return Fail("full-package needs SIZE MD5 SHA256 URL");
    if (!ParseCount(fields[1], kMaxFileSize, full.size)) return Fail("full-package size");
    if (!IsLowerHex(fields[2], kMd5HexLength)) return Fail("full-package MD5");
    if (!ParseDigestHex(fields[3], full.sha256)) return Fail("full-package SHA-256");
    if (const char* why = RefusedPackageUrl(fields[4])) return Fail(why);
    full.md5 = fields[2];
    full.url = fields[4];
    out.fullPackage = full;
    return true;
  }

  // Checks a listed name: allowed, ascending within its group, unique as
  // Windows compares names, and for a file of this version neither a folder
  // of another listed name nor inside a listed file.
  bool Name(const std::string& name, const std::string& previous, bool ofThisVersion) {
    if (const char* why = RefusedFileName(name)) return Fail(name + ": " + why);
    if (!previous.empty() && !(previous < name)) return Fail(name + ": names out of order or repeated");
    const std::u32string folded = FoldedName(name);
    if (!seen_.insert(folded).second) return Fail(name + ": listed twice (letter case aside)");
    if (folders_.count(folded) != 0) return Fail(name + ": listed as a file and as a folder");
    for (std::size_t slash = folded.find(U'/'); slash != std::u32string::npos;
         slash = folded.find(U'/', slash + 1)) {
      const std::u32string folder = folded.substr(0, slash);
      if (seen_.count(folder) != 0) return Fail(name + ": inside a listed file");
      if (ofThisVersion) folders_.insert(folder);
    }
    return true;
  }

  bool Files(Manifest& out) {
    std::vector<std::string> fields;
    for (; pending_ && (StartsWith(line_, "add ") || StartsWith(line_, "keep ")); pending_ = Next()) {
      ReleaseFile file;
      file.carried = line_[0] == 'a';
      if (control_ || !SplitFields(line_, 4, fields)) return Fail("file line needs SIZE SHA256 NAME");
      if (!file.carried && out.kind != ReleaseKind::Delta) return Fail("keep in a full release");
      if (!ParseCount(fields[1], kMaxFileSize, file.size)) return Fail("file size");
      if (!ParseDigestHex(fields[2], file.sha256)) return Fail("file SHA-256");
      if (out.files.size() == kMaxManifestFiles) return Fail("more than 100000 files");
      if (!Name(fields[3], out.files.empty() ? std::string() : out.files.back().name, true)) return false;
      file.name = fields[3];
      out.files.push_back(std::move(file));
    }
    return true;
  }

  bool Removals(Manifest& out) {
    for (; pending_ && StartsWith(line_, "remove "); pending_ = Next()) {
      if (control_) return Fail("control character");
      const std::string name = line_.substr(7);
      if (out.removed.size() == kMaxManifestFiles) return Fail("more than 100000 removals");
      if (!Name(name, out.removed.empty() ? std::string() : out.removed.back(), false)) return false;
      out.removed.push_back(name);
    }
    return true;
  }

  bool Finish(const Manifest& out) {
    if (pending_) return Fail("unexpected line");
    if (out.files.empty()) return Fail("a release without files");
    return true;
  }

  const std::string& text_;
  std::string& error_;
  std::size_t position_ = 0;
  std::size_t number_ = 0;
  std::string line_;
  bool control_ = false;
  bool pending_ = false;  // line_ holds a line not consumed yet
  std::set<std::u32string> seen_;     // every listed name, folded
  std::set<std::u32string> folders_;  // the folders of this version's files, folded
};

}  // namespace

const ReleaseFile* Manifest::find(const std::string& name) const {
  const auto found =
      std::lower_bound(files.begin(), files.end(), name,
                       [](const ReleaseFile& file, const std::string& key) { return file.name < key; });
  return found != files.end() && found->name == name ? &*found : nullptr;
}

bool ParseManifest(const std::string& text, Manifest& manifest, std::string& error) {
  Manifest parsed;
  if (!Parser(text, error).Run(parsed)) return false;
  manifest = std::move(parsed);
  return true;
}

std::string FormatManifest(const Manifest& manifest) {
  std::string text = std::string(kHeader) + "\nproduct " + manifest.product + "\nversion " +
                     manifest.version.text() + "\nkind " + KindName(manifest.kind) + "\n";
  if (manifest.base) text += "base " + manifest.base->text() + "\n";
  if (const auto& full = manifest.fullPackage) {
    text += "full-package " + std::to_string(full->size) + " " + full->md5 + " " + DigestHex(full->sha256) +
            " " + full->url + "\n";
  }
  std::vector<ReleaseFile> files = manifest.files;
  std::sort(files.begin(), files.end(),
            [](const ReleaseFile& a, const ReleaseFile& b) { return a.name < b.name; });
  for (const ReleaseFile& file : files) {
    text += std::string(file.carried ? "add " : "keep ") + std::to_string(file.size) + " " +
            DigestHex(file.sha256) + " " + file.name + "\n";
  }
  std::vector<std::string> removed = manifest.removed;
  std::sort(removed.begin(), removed.end());
  for (const std::string& name : removed) text += "remove " + name + "\n";
  return text;
}

const char* RefusedProductName(const std::string& product) {
  auto isAlnum = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  };
  if (product.empty() || product.size() > kMaxProductLength) return "product name of 1 to 64 characters";
  if (!isAlnum(product.front()) || product.back() == ' ')
    return "product name must start with a letter or digit and not end in a space";
  const bool allowed = std::all_of(product.begin(), product.end(), [&](char c) {
    return isAlnum(c) || c == '.' || c == '_' || c == '-' || c == ' ';
  });
  return allowed ? nullptr : "product name of letters, digits, '.', '_', '-' and spaces only";
}

const char* RefusedPackageUrl(const std::string& url) {
  const std::size_t schemeEnd = StartsWith(url, "https://") ? 8 : StartsWith(url, "http://") ? 7 : 0;
  if (schemeEnd == 0) return "package URL must start with http:// or https://";
  if (url.size() > kMaxUrlLength) return "package URL longer than 2048 characters";
  const bool printable = std::all_of(url.begin(), url.end(),
                                     [](char c) { return c > 0x20 && c < 0x7F && c != '"' && c != '\\'; });
  if (!printable) return "package URL with blanks, quotes or characters outside ASCII";
  const std::size_t slash = url.find('/', schemeEnd);
  if (slash == std::string::npos || slash == schemeEnd) return "package URL without a host and a path";
  return nullptr;
}

const char* KindName(ReleaseKind kind) { return kind == ReleaseKind::Full ? "full" : "delta"; }

}  // namespace release
