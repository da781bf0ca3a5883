#include "zipextract/package_apply.h"

#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/string_convert.h"
#include "release/sha256.h"
#include "zipextract/apply_journal.h"
#include "zipextract/package_entry_rule.h"
#include "zipextract/package_release.h"
#include "zipextract/release_staging.h"
#include "zipextract/zip_entry_name.h"
#include "zipextract/zip_reader.h"

namespace {

constexpr wchar_t kLockName[] = L"~zvk-apply.lock";
constexpr int kLockAttempts = 150;
constexpr std::uint32_t kLockRetryMs = 200;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring WithSeparator(const std::wstring& root) {
  return !root.empty() && IsSeparator(root.back()) ? root : root + L"\\";
}

class Stager {
 public:
  // `release` checks the entries of a package with a manifest (nullptr for
  // one without); the manifest entry itself (`manifestIndex`) is not staged.
  Stager(ZipReader& reader, const StagingArea& area, bool flushEach, ReleaseStaging* release,
         int manifestIndex)
      : reader_(reader),
        area_(area),
        flushEach_(flushEach),
        release_(release),
        manifestIndex_(manifestIndex) {}

  // Stages one entry; on failure fills `error` and returns its result.
  ZipResult stage(int index, std::string& error);
  // A removal record for each name, before any entry: removals swap first.
  bool stageRemovals(const std::vector<std::string>& names, std::string& error);
  // The installation's new release record, after every entry: it swaps last.
  bool stageRecord(const std::string& text, std::string& error);
  // After the last entry: every file the manifest says the package carries was staged.
  bool releaseComplete(std::string& error) const { return release_ == nullptr || release_->complete(error); }
  // Removes the folders this staging created, innermost first (only empty ones).
  void removeCreatedFolders() const;
  const std::vector<SwapRecord>& records() const { return records_; }
  const StagingArea& area() const { return area_; }

 private:
  ZipResult refuse(const ZipEntryInfo& info, const std::string& why, std::string& error) const;
  bool ensureFolders(const std::wstring& relative, std::string& why);
  ZipResult stageFile(int index, const ZipEntryInfo& info, const std::wstring& name, std::string& error);

  ZipReader& reader_;
  const StagingArea& area_;
  bool flushEach_;
  ReleaseStaging* release_;
  int manifestIndex_;
  std::vector<SwapRecord> records_;
  std::set<std::wstring> checkedFolders_;
  std::vector<std::wstring> createdFolders_;
};

ZipResult Stager::refuse(const ZipEntryInfo& info, const std::string& why, std::string& error) const {
  error = "entry " + std::to_string(info.index) + " (name bytes " + HexBytes(info.nameBytes) + "): " + why;
  return ZipErrNoFile;
}

// Every folder from the root down to `relative` (inclusive) must be a real
// folder; missing ones are created.
bool Stager::ensureFolders(const std::wstring& relative, std::string& why) {
  for (std::size_t end = 0; end <= relative.size(); ++end) {
    if (end < relative.size() && !IsSeparator(relative[end])) continue;
    if (end == 0 || IsSeparator(relative[end - 1])) continue;
    const std::wstring folder = area_.root() + relative.substr(0, end);
    if (checkedFolders_.count(folder) != 0) continue;
    platform::PathKind kind = platform::InspectPath(folder);
    if (kind == platform::PathKind::Missing && platform::CreateOneDirectory(folder)) {
      createdFolders_.push_back(folder);
      kind = platform::InspectPath(folder);
    }
    if (kind != platform::PathKind::Directory) {
      why = kind == platform::PathKind::Link ? "a link on the way: " : "not a folder: ";
      why += platform::WideToUtf8(folder);
      return false;
    }
    checkedFolders_.insert(folder);
  }
  return true;
}

ZipResult Stager::stage(int index, std::string& error) {
  if (index == manifestIndex_) return ZipOk;
  ZipEntryInfo info;
  if (const ZipResult looked = reader_.entryInfo(index, info); looked != ZipOk) {
    error = "entry " + std::to_string(index) + " cannot be read";
    return looked;
  }
  if (!IsValidUtf8(info.nameBytes)) return refuse(info, "name is not valid UTF-8", error);
  const std::wstring& name = info.name;
  if (!IsSafeOutputName(name) || area_.root().size() + name.size() > kMaxZipPath)
    return refuse(info, "name leaves the folder or is too long", error);
  // Recovery would take such a folder for the leftovers of an apply; and a
  // package never writes the lock or the release record, in any letter case.
  if (IsReservedName(name)) return refuse(info, "name reserved for the apply's work", error);
  // temp\ is the updater's and may be the users': the elevated apply never
  // writes there, nor over the launcher's pending package and its records.
  if (IsUpdateWorkName(name)) return refuse(info, "name kept for the updater's and launcher's work", error);
  std::string why;
  if ((info.attributes & platform::kAttributeDirectory) != 0)
    return ensureFolders(name, why) ? ZipOk : refuse(info, why, error);
  const std::size_t split = name.find_last_of(L"\\/");
  if (split == name.size() - 1) return refuse(info, "file entry without a file name", error);
  if (split != std::wstring::npos && !ensureFolders(name.substr(0, split), why))
    return refuse(info, why, error);
  return stageFile(index, info, name, error);
}

ZipResult Stager::stageFile(int index, const ZipEntryInfo& info, const std::wstring& name,
                            std::string& error) {
  std::string why;
  const release::ReleaseFile* listed = release_ != nullptr ? release_->admit(info.nameBytes, why) : nullptr;
  if (release_ != nullptr && listed == nullptr) return refuse(info, why, error);
  const platform::PathKind kind = platform::InspectPath(area_.root() + name);
  if (kind == platform::PathKind::Link) return refuse(info, "the target is a link", error);
  if (kind != platform::PathKind::Missing && kind != platform::PathKind::File)
    return refuse(info, "the target is not a plain file", error);
  const std::wstring staged = area_.stagedPath(records_.size());
  platform::File output = platform::File::CreateNew(staged, info.attributes);
  if (!output.isOpen())
    return refuse(info, "cannot create its staging file" + platform::LastErrorText(), error);
  records_.push_back({name, kind == platform::PathKind::File});
  release::Sha256 hash;
  std::uint64_t size = 0;
  ZipReader::DataSink observe;
  if (listed != nullptr) {
    observe = [&hash, &size](const unsigned char* data, std::size_t length) {
      hash.Update(data, length);
      size += length;
      return true;
    };
  }
  ZipResult written = reader_.writeEntryTo(index, output, observe);
  if (written == ZipOk && flushEach_ && !output.flush()) written = ZipErrWrite;
  if (written != ZipOk) {
    refuse(info, written == ZipErrWrite ? "cannot be written whole" + platform::LastErrorText() : "bad data",
           error);
    return written;
  }
  if (listed != nullptr && !ReleaseStaging::confirm(*listed, size, hash.Finish(), why)) {
    refuse(info, why, error);
    return ZipErrData;
  }
  return ZipOk;
}

bool Stager::stageRemovals(const std::vector<std::string>& names, std::string& error) {
  for (const std::string& name : names) {
    const std::wstring target = DecodeUtf8Name(name.data(), name.size());
    if (!IsSafeOutputName(target) || area_.root().size() + target.size() > kMaxZipPath) {
      error = "cannot remove " + name + ": the name leaves the folder or is too long";
      return false;
    }
    if (!platform::File::CreateNew(area_.stagedPath(records_.size()), 0).isOpen()) {
      error = "cannot create the removal's marker" + platform::LastErrorText();
      return false;
    }
    records_.push_back({target, false, true});
  }
  return true;
}

bool Stager::stageRecord(const std::string& text, std::string& error) {
  const std::wstring target = release::kInstalledRecordName;
  const platform::PathKind kind = platform::InspectPath(area_.root() + target);
  if (kind != platform::PathKind::File && kind != platform::PathKind::Missing) {
    error = "the release record is not a plain file: " + platform::WideToUtf8(area_.root() + target);
    return false;
  }
  platform::File record = platform::File::CreateNew(area_.stagedPath(records_.size()), 0);
  if (!record.isOpen() || !record.write(text.data(), text.size()) || (flushEach_ && !record.flush())) {
    error = "cannot write the release record" + platform::LastErrorText();
    return false;
  }
  records_.push_back({target, kind == platform::PathKind::File});
  return true;
}

void Stager::removeCreatedFolders() const {
  for (auto folder = createdFolders_.rbegin(); folder != createdFolders_.rend(); ++folder)
    platform::RemoveEmptyDirectory(*folder);
}

int EntryCount(ZipReader& reader) {
  ZipEntryInfo archive;
  reader.entryInfo(-1, archive);
  return archive.index;
}

HookAction Ask(const ApplyOptions& options, ApplyStep step, std::size_t record) {
  return options.hook ? options.hook(step, record) : HookAction::Continue;
}

using Flush = std::function<bool()>;

// Swaps every record in, or undoes what was swapped. Abandons (leaving the
// journal for recovery) when a hook says so. The swapped files are written
// through before the journal goes.
ApplyOutcome SwapAll(const StagingArea& area, const std::vector<SwapRecord>& records,
                     const ApplyOptions& options, const Flush& flush) {
  ApplyOutcome outcome;
  for (std::size_t index = 0; index < records.size(); ++index) {
    const HookAction action = Ask(options, ApplyStep::Swapping, index);
    if (action == HookAction::Abandon) return {ZipErrWrite, "abandoned", true};
    std::string error = "move refused";
    if (action == HookAction::FailMove || !SwapOne(area, records, index, error)) {
      outcome = {ZipErrNoFile, error, false};
      if (!UndoSwaps(area, records)) {
        outcome.detail += "; undo incomplete, kept for the next start";
        return outcome;
      }
      break;
    }
  }
  if (outcome.result == ZipOk && Ask(options, ApplyStep::Swapped, records.size()) == HookAction::Abandon)
    return {ZipErrWrite, "abandoned", true};
  flush();
  area.removeAll();
  return outcome;
}

// The flush that puts staged data (and later the swapped names) on disk.
Flush MakeFlush(FlushMode mode, const StagingArea& area, std::shared_ptr<platform::VolumeFlush> volume) {
  if (mode == FlushMode::None) return [] { return true; };
  if (volume) return [volume] { return volume->flush(); };
  const std::wstring folder = area.path();
  return [folder] { return platform::FlushDirectory(folder); };
}

std::shared_ptr<platform::VolumeFlush> OpenVolume(FlushMode mode, const std::wstring& root) {
  if (mode != FlushMode::Automatic && mode != FlushMode::Volume) return nullptr;
  auto volume = std::make_shared<platform::VolumeFlush>(root);
  // Some volumes open but refuse the flush (Wine's drives do): try it once.
  return volume->available() && volume->flush() ? volume : nullptr;
}

// Stages the removals, every entry and the release record; then writes the
// staged data through and the journal.
ApplyOutcome StageAll(ZipReader& reader, Stager& stager, const ApplyOptions& options, const Flush& flush,
                      const PackageRelease& release, const ReleaseFit& fit) {
  std::string error;
  if (!stager.stageRemovals(fit.removals, error)) return {ZipErrWrite, error, false};
  ZipResult staged = ZipOk;
  for (int index = 0; index < EntryCount(reader) && staged == ZipOk; ++index)
    staged = stager.stage(index, error);
  reader.close();
  if (staged != ZipOk) return {staged, error, false};
  if (release.manifest) {
    if (!stager.releaseComplete(error)) return {ZipErrData, error, false};
    if (!stager.stageRecord(release.text, error)) return {ZipErrWrite, error, false};
  }
  if (Ask(options, ApplyStep::Staged, 0) == HookAction::Abandon) return {ZipErrWrite, "abandoned", true};
  if (!flush() || !WriteJournal(stager.area(), stager.records()))
    return {ZipErrWrite, "cannot write the staged files through" + platform::LastErrorText(), false};
  return {};
}

// Reads the package's release manifest and decides on it before anything
// is staged. Sets `outcome` and returns false when nothing is to be done.
bool ReleaseAllowsApply(ZipReader& reader, const std::wstring& root, PackageRelease& release, ReleaseFit& fit,
                        ApplyOutcome& outcome) {
  std::string error;
  if (const ZipResult read = ReadPackageRelease(reader, release, error); read != ZipOk) {
    outcome = {read, error, false, read == ZipErrRelease};
    return false;
  }
  fit = JudgeRelease(release, root, true);
  if (fit.verdict == release::ReleaseVerdict::Refused) {
    outcome = {ZipErrRelease, fit.reason, false, true};
    return false;
  }
  if (fit.verdict == release::ReleaseVerdict::NotNow) {
    outcome = {ZipErrRead, fit.reason, false};
    return false;
  }
  if (fit.verdict == release::ReleaseVerdict::AlreadyInstalled) {
    outcome = {ZipOk, fit.reason, false, false, true};
    return false;
  }
  return true;
}

ApplyOutcome Apply(platform::File& package, const std::wstring& root, const ApplyOptions& options) {
  ZipReader reader;
  if (const ZipResult opened = reader.open(package, root); opened != ZipOk)
    return {opened, "not a readable zip archive", false};
  PackageRelease release;
  ReleaseFit fit;
  ApplyOutcome decided;
  if (!ReleaseAllowsApply(reader, root, release, fit, decided)) return decided;
  const RandomSource random = options.random ? options.random : RandomSource(platform::SystemRandom);
  const std::optional<StagingArea> area = StagingArea::Create(root, random);
  if (!area) return {ZipErrNoFile, "cannot create a work folder" + platform::LastErrorText(), false};
  const auto volume = OpenVolume(options.flush, root);
  if (options.flush == FlushMode::Volume && !volume) {
    area->removeAll();
    return {ZipErrWrite, "cannot open the volume to flush it", false};
  }
  const Flush flush = MakeFlush(options.flush, *area, volume);
  std::optional<ReleaseStaging> releaseStaging;
  if (release.manifest) releaseStaging.emplace(*release.manifest);
  Stager stager(reader, *area,
                options.flush == FlushMode::PerFile || (options.flush == FlushMode::Automatic && !volume),
                releaseStaging ? &*releaseStaging : nullptr, release.entryIndex);
  ApplyOutcome outcome = StageAll(reader, stager, options, flush, release, fit);
  if (outcome.abandoned) return outcome;
  if (outcome.result != ZipOk) {
    area->removeAll();
    stager.removeCreatedFolders();
    return outcome;
  }
  if (Ask(options, ApplyStep::JournalWritten, 0) == HookAction::Abandon)
    return {ZipErrWrite, "abandoned", true};
  outcome = SwapAll(*area, stager.records(), options, flush);
  if (outcome.result != ZipOk && !outcome.abandoned) stager.removeCreatedFolders();
  return outcome;
}

}  // namespace

namespace {

// One apply per root at a time: recovery would otherwise take another
// apply's work for leftovers. A second launcher start waits a little.
// A lock file that cannot be made at all (no right to write the folder, say)
// fails at once.
std::unique_ptr<platform::ExclusiveLock> LockFolder(const std::wstring& root, std::string& why) {
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    if (attempt > 0) platform::SleepMs(kLockRetryMs);
    auto lock = std::make_unique<platform::ExclusiveLock>(root + kLockName);
    if (lock->held()) return lock;
    if (!lock->busy()) {
      why = "cannot create the folder's lock file" + platform::LastErrorText();
      return nullptr;
    }
  }
  why = "another update is being applied to this folder";
  return nullptr;
}

}  // namespace

ApplyOutcome RecoverInterruptedApply(const std::wstring& rootDir) {
  const std::wstring root = WithSeparator(rootDir);
  std::string why;
  const auto lock = LockFolder(root, why);
  if (!lock) return {ZipErrNoFile, why, false};
  ApplyOutcome outcome;
  if (!RecoverInterruptedApplies(root, outcome.detail)) outcome.result = ZipErrWrite;
  return outcome;
}

ApplyOutcome ApplyPackage(platform::File& package, const std::wstring& rootDir, const ApplyOptions& options) {
  if (rootDir.empty()) return {ZipErrArgs, "no folder", false};
  const std::wstring root = WithSeparator(rootDir);
  if (!platform::PathExists(root)) platform::CreateOneDirectory(root);
  std::string why;
  const auto lock = LockFolder(root, why);
  if (!lock) return {ZipErrNoFile, why, false};
  std::string recovered;
  if (!RecoverInterruptedApplies(root, recovered)) return {ZipErrWrite, recovered, false};
  ApplyOutcome outcome = Apply(package, root, options);
  outcome.detail = recovered + outcome.detail;
  return outcome;
}

ApplyOutcome ApplyPackage(const std::wstring& archivePath, const std::wstring& root,
                          const ApplyOptions& options) {
  platform::File package = platform::File::OpenLocked(archivePath);
  if (!package.isOpen()) return {ZipErrNoFile, "cannot open the package" + platform::LastErrorText(), false};
  return ApplyPackage(package, root, options);
}
