#pragma once
// Where a package apply keeps its work: one directory directly under the
// root, named "~zvk-apply-" and 16 random hex digits, created exclusively.
// It holds the staged files ("s<n>"), the old files moved aside ("a<n>") and
// the journal. Everything in it belongs to the apply that created it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

using RandomSource = std::function<std::uint64_t()>;

// Work directories start with this; recovery looks for them under the root.
extern const wchar_t kStagingPrefix[];

class StagingArea {
 public:
  // Creates a fresh work directory under root (which ends in a separator).
  // Names already taken (by anything, a link included) are skipped; nothing
  // after a few tries.
  static std::optional<StagingArea> Create(const std::wstring& root, const RandomSource& random);
  // A work directory found under root by recovery.
  StagingArea(std::wstring root, const std::wstring& name) : root_(std::move(root)), path_(root_ + name) {}

  const std::wstring& root() const { return root_; }
  const std::wstring& path() const { return path_; }
  std::wstring stagedPath(std::size_t record) const;
  std::wstring asidePath(std::size_t record) const;
  std::wstring journalPath() const { return path_ + L"\\journal"; }
  std::wstring journalDraftPath() const { return path_ + L"\\journal.new"; }
  // Removes the work directory's files and then the directory. The
  // directory itself must be a real one: nothing is removed through a link.
  bool removeAll() const;

 private:
  std::wstring root_;
  std::wstring path_;
};
