#include "updater/download/segment_join.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "updater/download/download_status.h"
#include "updater/download/engine_settings.h"
#include "updater/download/http_download.h"
#include "updater/download/md5.h"
#include "updater/download/stdio_file.h"

namespace {

constexpr std::size_t kCopyBlock = 1 << 20;

void RemoveSegmentFiles(const SegmentPlan& plan) {
  for (const SegmentTask& task : plan) std::remove(task.segmentFile.c_str());
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int Join(const SegmentPlan& plan, const std::string& tdPath) {
  StdioFile out(tdPath, "wb");
  if (!out) {
    RemoveSegmentFiles(plan);
    return CHttpDownload::kCannotCreatePackage;
  }
  for (const SegmentTask& task : plan) {
    if (!AppendSegment(task, out)) {
      RemoveSegmentFiles(plan);
      out.Close();
      std::remove(tdPath.c_str());
      return CHttpDownload::kSegmentMissing;
    }
  }
  out.Close();
  return CHttpDownload::kSuccess;
}

int Reject(const std::string& tdPath, DownloadStatus& status, int result) {
  std::remove(tdPath.c_str());
  status.downloadedSize = 0;
  return result;
}

}  // namespace

bool SameDigest(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool AppendSegment(const SegmentTask& task, StdioFile& out) {
  const std::uint32_t length = task.rangeEnd - task.rangeBegin;
  StdioFile segment(task.segmentFile, "rb");
  if (!segment) return length == 0;
  if (length != 0 && SeekTo(out.get(), task.rangeBegin)) {
    std::vector<char> block(std::min<std::size_t>(kCopyBlock, length));
    std::uint32_t copied = 0;
    while (copied < length) {
      const std::size_t want = std::min<std::size_t>(block.size(), length - copied);
      const std::size_t got = std::fread(block.data(), 1, want, segment.get());
      if (got == 0) break;
      std::fwrite(block.data(), 1, got, out.get());
      copied += static_cast<std::uint32_t>(got);
    }
  }
  segment.Close();
  std::remove(task.segmentFile.c_str());
  return true;
}

int JoinAndVerify(const SegmentPlan& plan, std::int64_t total, DownloadStatus& status) {
  const std::string& tdPath = status.tdPath;
  const int joined = Join(plan, tdPath);
  if (joined != CHttpDownload::kSuccess) return joined;
  if (FileLength(tdPath) != total) return Reject(tdPath, status, CHttpDownload::kWrongLength);
  std::string digest;
  // An unreadable file has no digest; it never matches, not even an empty md5.
  if (!MD5_CTX::DigestFile(tdPath, digest) || !SameDigest(digest, status.expectedMd5)) {
    return Reject(tdPath, status, CHttpDownload::kWrongDigest);
  }
  const std::string zipPath = download::UpdaterFile("update.zip");
  // Windows' rename does not replace a file, and a rename that fails must
  // not be reported as a package in place.
  std::remove(zipPath.c_str());
  if (std::rename(tdPath.c_str(), zipPath.c_str()) != 0) {
    std::remove(tdPath.c_str());
    return CHttpDownload::kCannotCreatePackage;
  }
  return CHttpDownload::kSuccess;
}
