#include "zipextract/apply_journal.h"

#include <zlib.h>

#include <sstream>

#include "platform/file_system.h"
#include "platform/string_convert.h"
#include "zipextract/zip_entry_name.h"

namespace {

constexpr char kJournalHeader[] = "zvk-apply 1";

std::string Checksum(const std::string& text) {
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()));
  return std::to_string(crc);
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

bool IsPresent(const std::wstring& path) {
  return platform::InspectPath(path) != platform::PathKind::Missing;
}

std::string Describe(const std::wstring& path) { return platform::WideToUtf8(path); }

}  // namespace

bool WriteJournal(const StagingArea& area, const std::vector<SwapRecord>& records) {
  std::string body = std::string(kJournalHeader) + "\n" + std::to_string(records.size()) + "\n";
  for (const SwapRecord& record : records)
    body += (record.replacesOld ? "r " : "n ") + HexBytes(platform::WideToUtf8(record.target)) + "\n";
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
  for (std::int64_t got; (got = file.read(chunk, sizeof chunk)) > 0;)
    text.append(chunk, static_cast<std::size_t>(got));
  const std::size_t end = text.rfind("end ");
  if (end == std::string::npos ||
      text.compare(end, std::string::npos, "end " + Checksum(text.substr(0, end)) + "\n") != 0)
    return false;
  std::istringstream lines(text.substr(0, end));
  std::string header;
  std::size_t count = 0;
  if (!std::getline(lines, header) || header != kJournalHeader || !(lines >> count)) return false;
  records.clear();
  std::string kind, hex;
  while (lines >> kind >> hex) {
    const std::string name = FromHex(hex);
    records.push_back({DecodeUtf8Name(name.data(), name.size()), kind == "r"});
  }
  return records.size() == count;
}

bool SwapOne(const StagingArea& area, const std::vector<SwapRecord>& records, std::size_t index,
             std::string& error) {
  const std::wstring staged = area.stagedPath(index);
  const std::wstring aside = area.asidePath(index);
  const std::wstring target = area.root() + records[index].target;
  if (!IsPresent(staged)) return true;  // swapped in already
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
