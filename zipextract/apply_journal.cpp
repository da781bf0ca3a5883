#include "zipextract/apply_journal.h"

#include <zlib.h>

#include <algorithm>
#include <sstream>

#include "platform/file_system.h"
#include "platform/folder.h"
#include "platform/string_convert.h"
#include "zipextract/zip_entry_name.h"

namespace {

// Journals with removals carry version 2, which earlier programs refuse
// rather than finish wrongly; all others stay readable by them.
constexpr char kJournalHeader[] = "zvk-apply 1";
constexpr char kJournalHeaderWithRemovals[] = "zvk-apply 2";
constexpr std::size_t kMaxJournalBytes = 64u << 20;

std::string Checksum(const std::string& text) {
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()));
  return std::to_string(crc);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// False on anything but pairs of lowercase hex digits.
bool FromHex(const std::string& hex, std::string& bytes) {
  bytes.clear();
  if (hex.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  return true;
}

// Every folder between the root and the target is a real folder: a journal
// (or a folder swapped for a link since the staging) never moves a file
// through a link.
bool FoldersAreReal(const std::wstring& root, const std::wstring& target) {
  for (std::size_t end = target.find_first_of(L"\\/"); end != std::wstring::npos;
       end = target.find_first_of(L"\\/", end + 1)) {
    if (platform::InspectPath(root + target.substr(0, end)) != platform::PathKind::Directory) return false;
  }
  return true;
}

bool IsPresent(const std::wstring& path) {
  return platform::InspectPath(path) != platform::PathKind::Missing;
}

std::string Describe(const std::wstring& path) { return platform::WideToUtf8(path); }

const char* KindOf(const SwapRecord& record) {
  if (record.removes) return "d ";
  return record.replacesOld ? "r " : "n ";
}

}  // namespace

bool WriteJournal(const StagingArea& area, const std::vector<SwapRecord>& records) {
  const bool removals =
      std::any_of(records.begin(), records.end(), [](const SwapRecord& r) { return r.removes; });
  std::string body = std::string(removals ? kJournalHeaderWithRemovals : kJournalHeader) + "\n" +
                     std::to_string(records.size()) + "\n";
  for (const SwapRecord& record : records)
    body += KindOf(record) + HexBytes(platform::WideToUtf8(record.target)) + "\n";
  const std::string text = body + "end " + Checksum(body) + "\n";
  {
    platform::File draft = platform::File::CreateNew(area.journalDraftPath(), 0);
    if (!draft.isOpen() || !draft.write(text.data(), text.size()) || !draft.flush()) {
      draft.close();
      platform::DiscardFile(area.journalDraftPath());
      return false;
    }
  }
  return platform::MovePath(area.journalDraftPath(), area.journalPath()) &&
         platform::FlushDirectory(area.path());
}

bool ReadJournal(const StagingArea& area, std::vector<SwapRecord>& records) {
  platform::File file = platform::File::OpenForRead(area.journalPath());
  if (!file.isOpen()) return false;
  std::string text;
  char chunk[4096];
  for (std::int64_t got; (got = file.read(chunk, sizeof chunk)) > 0;) {
    if (text.size() + static_cast<std::size_t>(got) > kMaxJournalBytes) return false;
    text.append(chunk, static_cast<std::size_t>(got));
  }
  return ParseJournal(text, area.root(), records);
}

bool ParseJournal(const std::string& text, const std::wstring& root, std::vector<SwapRecord>& records) {
  const std::size_t end = text.rfind("end ");
  if (end == std::string::npos ||
      text.compare(end, std::string::npos, "end " + Checksum(text.substr(0, end)) + "\n") != 0)
    return false;
  std::istringstream lines(text.substr(0, end));
  std::string header;
  std::size_t count = 0;
  if (!std::getline(lines, header) || !(lines >> count)) return false;
  const bool removalsAllowed = header == kJournalHeaderWithRemovals;
  if (header != kJournalHeader && !removalsAllowed) return false;
  records.clear();
  std::string kind, hex;
  std::string name;
  while (lines >> kind >> hex) {
    if (kind != "r" && kind != "n" && !(kind == "d" && removalsAllowed)) return false;
    // A record never names anything outside the root, whoever wrote the journal.
    if (!FromHex(hex, name) || !IsValidUtf8(name)) return false;
    const std::wstring target = DecodeUtf8Name(name.data(), name.size());
    if (!IsSafeOutputName(target) || root.size() + target.size() > kMaxZipPath) return false;
    records.push_back({target, kind == "r", kind == "d"});
  }
  return records.size() == count;
}

namespace {

using platform::Folder;
using platform::OpenStatus;

// The installation and the apply's work folder, both held open: a removal
// and its undo move files between them through handles only.
struct RemovalFolders {
  Folder root;
  Folder work;
};

bool OpenRemovalFolders(const StagingArea& area, RemovalFolders& folders, std::string& error) {
  OpenStatus status = OpenStatus::Failed;
  folders.root = Folder::OpenTrusted(area.root(), status);
  if (folders.root.isOpen())
    folders.work = folders.root.openFolder(area.path().substr(area.root().size()), status);
  if (folders.work.isOpen()) return true;
  error = "cannot open " + Describe(area.path()) + " (" + platform::DescribeOpenStatus(status) + ")" +
          platform::LastErrorText();
  return false;
}

std::size_t LeafStart(const std::wstring& target) {
  const std::size_t separator = target.find_last_of(L"\\/");
  return separator == std::wstring::npos ? 0 : separator + 1;
}

// The target leaves for "a<n>", then the marker goes: the removal is done.
// The target is opened beneath the installation without following a link;
// whatever is not the plain file the previous version installed (a link, a
// folder, a file with other names) is left where it is, never followed.
bool RemoveOne(const StagingArea& area, const SwapRecord& record, std::size_t index, std::string& error) {
  RemovalFolders folders;
  if (!OpenRemovalFolders(area, folders, error)) return false;
  OpenStatus status = OpenStatus::Failed;
  Folder parent;
  platform::File target =
      platform::OpenFileBeneath(folders.root, record.target, platform::FileUse::ReadRemove, status, &parent);
  const std::wstring leaf = record.target.substr(LeafStart(record.target));
  const std::wstring aside = area.asidePath(index).substr(area.path().size() + 1);
  if (status == OpenStatus::Busy || status == OpenStatus::Failed) {
    error = "cannot open " + Describe(area.root() + record.target) + " to remove it (" +
            platform::DescribeOpenStatus(status) + ")" + platform::LastErrorText();
    return false;
  }
  if (target.isOpen() &&
      !(parent.isOpen() ? parent : folders.root).moveFileInto(target, leaf, folders.work, aside)) {
    error = "cannot move aside " + Describe(area.root() + record.target) + platform::LastErrorText();
    return false;
  }
  target.close();
  if (!platform::DiscardFile(area.stagedPath(index))) {
    error = "cannot finish the removal of " + Describe(area.root() + record.target) + platform::LastErrorText();
    return false;
  }
  return true;
}

// The marker first, so that an undo cut short reads as a removal not done.
// The file goes back through handles, into the folder it was removed from.
bool UndoRemoval(const StagingArea& area, const SwapRecord& record, std::size_t index) {
  const std::wstring marker = area.stagedPath(index);
  if (!IsPresent(marker) && !platform::File::CreateNew(marker, 0).isOpen()) return false;
  if (!IsPresent(area.asidePath(index))) return true;
  RemovalFolders folders;
  std::string error;
  if (!OpenRemovalFolders(area, folders, error)) return false;
  OpenStatus status = OpenStatus::Failed;
  const std::wstring asideName = area.asidePath(index).substr(area.path().size() + 1);
  platform::File aside = folders.work.openFile(asideName, platform::FileUse::ReadRemove, status);
  const std::size_t leaf = LeafStart(record.target);
  Folder parent;
  if (leaf > 0) parent = platform::OpenFolderBeneath(folders.root, record.target.substr(0, leaf - 1), status);
  if (!aside.isOpen() || (leaf > 0 && !parent.isOpen())) return false;
  return folders.work.moveFileInto(aside, asideName, leaf > 0 ? parent : folders.root,
                                   record.target.substr(leaf));
}

}  // namespace

bool SwapOne(const StagingArea& area, const std::vector<SwapRecord>& records, std::size_t index,
             std::string& error) {
  const std::wstring staged = area.stagedPath(index);
  const std::wstring aside = area.asidePath(index);
  const std::wstring target = area.root() + records[index].target;
  if (!IsPresent(staged)) return true;  // swapped in already
  if (!FoldersAreReal(area.root(), records[index].target)) {
    error = "a link on the way to " + Describe(target);
    return false;
  }
  if (records[index].removes) return RemoveOne(area, records[index], index, error);
  const platform::PathKind kind = platform::InspectPath(target);
  if (kind == platform::PathKind::Link || kind == platform::PathKind::Directory ||
      kind == platform::PathKind::Other) {
    error = "target is not a plain file: " + Describe(target);
    return false;
  }
  if (kind == platform::PathKind::File && !platform::MovePath(target, aside)) {
    error = "cannot move aside " + Describe(target) + platform::LastErrorText();
    return false;
  }
  if (!platform::MovePath(staged, target)) {
    error = "cannot move in " + Describe(target) + platform::LastErrorText();
    return false;
  }
  return true;
}

bool UndoSwaps(const StagingArea& area, const std::vector<SwapRecord>& records) {
  bool all = true;
  for (std::size_t index = records.size(); index-- > 0;) {
    const std::wstring staged = area.stagedPath(index);
    const std::wstring aside = area.asidePath(index);
    const std::wstring target = area.root() + records[index].target;
    if (!FoldersAreReal(area.root(), records[index].target)) {
      all = false;
      continue;
    }
    if (records[index].removes) {
      all = UndoRemoval(area, records[index], index) && all;
      continue;
    }
    // The new file goes back to the work directory (removed with it).
    if (!IsPresent(staged) && IsPresent(target) && !platform::MovePath(target, staged)) {
      all = false;
      continue;
    }
    if (IsPresent(aside) && !platform::MovePath(aside, target)) all = false;
  }
  return all;
}

namespace {

// Finishes the apply of one work directory that has a journal, or undoes it.
bool RecoverOne(const StagingArea& area, std::string& report) {
  std::vector<SwapRecord> records;
  if (!ReadJournal(area, records)) {
    report += "damaged journal kept: " + Describe(area.journalPath()) + "; ";
    return false;
  }
  std::string error;
  bool finished = true;
  for (std::size_t index = 0; index < records.size() && finished; ++index)
    finished = SwapOne(area, records, index, error);
  if (finished) {
    report += "interrupted update finished; ";
  } else if (UndoSwaps(area, records)) {
    report += "interrupted update undone (" + error + "); ";
  } else {
    report += "interrupted update could be neither finished nor undone (" + error + "); ";
    return false;
  }
  area.removeAll();
  return true;
}

}  // namespace

bool RecoverInterruptedApplies(const std::wstring& root, std::string& report) {
  const std::wstring prefix(kStagingPrefix);
  bool all = true;
  for (const std::wstring& name : platform::ListDirectory(root)) {
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const StagingArea area(root, name);
    if (platform::InspectPath(root + name) != platform::PathKind::Directory) continue;
    if (IsPresent(area.journalPath())) {
      all = RecoverOne(area, report) && all;
    } else {
      area.removeAll();  // staging never finished: the installation was not touched
    }
  }
  return all;
}
