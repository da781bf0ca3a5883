#include "updater/download/segment_join.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "logging/n_log.h"
#include "release/manifest.h"
#include "signing/verdict.h"
#include "updater/download/download_status.h"
#include "updater/download/engine_settings.h"
#include "updater/download/http_download.h"
#include "updater/download/package_digests.h"
#include "updater/download/stdio_file.h"

namespace {

constexpr std::size_t kCopyBlock = 1 << 20;

class FileOutput : public JoinOutput {
 public:
  explicit FileOutput(const std::filesystem::path& path) : file_(path, "wb") {}
  bool IsOpen() const { return static_cast<bool>(file_); }
  bool SeekTo(std::uint64_t offset) override {
    return ::SeekTo(file_.get(), static_cast<std::int64_t>(offset));
  }
  bool Write(const char* data, std::size_t size) override {
    return std::fwrite(data, 1, size, file_.get()) == size;
  }
  bool Close() { return file_.Close(); }

 private:
  StdioFile file_;
};

std::uint32_t SegmentLength(const SegmentTask& task) { return task.rangeEnd - task.rangeBegin; }

void RemoveFile(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

bool CopySegment(const SegmentTask& task, JoinOutput& out, PackageDigests& digests,
                 std::vector<char>& block) {
  const std::uint32_t length = SegmentLength(task);
  if (length == 0) return true;
  StdioFile segment(task.segmentFile, "rb");
  if (!segment || !out.SeekTo(task.rangeBegin)) return false;
  for (std::uint32_t copied = 0; copied < length;) {
    const std::size_t want = std::min<std::size_t>(block.size(), length - copied);
    if (std::fread(block.data(), 1, want, segment.get()) != want) return false;
    if (!out.Write(block.data(), want)) return false;
    // The front of segment 0 may have been digested as it arrived.
    const std::size_t known =
        task.digested > copied ? std::min<std::size_t>(task.digested - copied, want) : 0;
    digests.Update(block.data() + known, want - known);
    copied += static_cast<std::uint32_t>(want);
  }
  return true;
}

int Reject(const SegmentPlan& plan, const std::filesystem::path& tdPath, DownloadStatus& status, int result) {
  RemoveFile(tdPath);
  RemoveSegmentFiles(plan);
  status.downloadedSize = 0;
  return result;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void RemoveSegmentFiles(const SegmentPlan& plan) {
  std::error_code ignored;
  for (const SegmentTask& task : plan) std::filesystem::remove(task.segmentFile, ignored);
}

bool SameDigest(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool SegmentsComplete(const SegmentPlan& plan) {
  for (const SegmentTask& task : plan) {
    if (SegmentLength(task) != 0 && FileLength(task.segmentFile) < SegmentLength(task)) return false;
  }
  return true;
}

int JoinSegments(const SegmentPlan& plan, JoinOutput& out, PackageDigests& digests) {
  std::vector<char> block(kCopyBlock);
  for (const SegmentTask& task : plan) {
    if (!CopySegment(task, out, digests, block)) return CHttpDownload::kSegmentMissing;
  }
  return CHttpDownload::kSuccess;
}

int JoinAndVerify(const SegmentPlan& plan, std::int64_t total, DownloadStatus& status,
                  PackageDigests& digests, const release::FullPackageRef* named) {
  const std::filesystem::path tdPath = status.tdPath;
  FileOutput out(tdPath);
  if (!out.IsOpen()) return CHttpDownload::kCannotCreatePackage;
  if (JoinSegments(plan, out, digests) != CHttpDownload::kSuccess || !out.Close()) {
    out.Close();
    RemoveFile(tdPath);
    return CHttpDownload::kSegmentMissing;
  }
  const std::int64_t length = FileLength(tdPath);
  if (length != total) return Reject(plan, tdPath, status, CHttpDownload::kWrongLength);
  const std::string digest = digests.Md5Hex();
  const std::string& expectedMd5 = named ? named->md5 : status.expectedMd5;
  if (!SameDigest(digest, expectedMd5)) {
    ZM_ERROR << "package digest mismatch: expected md5 " << expectedMd5 << ", computed md5 " << digest
             << ", package length " << length;
    return Reject(plan, tdPath, status, CHttpDownload::kWrongDigest);
  }
  if (named && digests.Sha256() != named->sha256) {
    ZM_ERROR << "package digest mismatch: the SHA-256 differs from its release manifest's "
             << release::DigestHex(named->sha256) << ", package length " << length;
    return Reject(plan, tdPath, status, CHttpDownload::kWrongDigest);
  }
  // Builds with a publisher key take a package only with its signature; one
  // without it takes the MD5 mismatch's road. Keyless builds pass everything.
  const signing::Verdict verdict = digests.SignatureVerdict();
  if (verdict != signing::Verdict::Valid) {
    ZM_ERROR << "package refused: " << signing::DescribeVerdict(verdict) << ", package length " << length;
    return Reject(plan, tdPath, status, CHttpDownload::kWrongDigest);
  }
  const std::filesystem::path zipPath = download::UpdaterFile("update.zip");
  // Windows' rename does not replace a file, and a rename that fails must
  // not be reported as a package in place.
  RemoveFile(zipPath);
  std::error_code renameError;
  std::filesystem::rename(tdPath, zipPath, renameError);
  RemoveSegmentFiles(plan);
  if (renameError) {
    RemoveFile(tdPath);
    return CHttpDownload::kCannotCreatePackage;
  }
  return CHttpDownload::kSuccess;
}
