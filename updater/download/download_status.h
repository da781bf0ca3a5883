#pragma once
// The worker's status record. The engine writes it; the updater window copies
// it every second without a lock, so the counters are atomic. The strings are
// set before the worker starts and never change while it runs.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>

struct DownloadStatus {
  DownloadStatus() = default;
  DownloadStatus(const DownloadStatus& other)
      : tdPath(other.tdPath),
        expectedMd5(other.expectedMd5),
        downloadedSize(other.downloadedSize.load()),
        totalSize(other.totalSize.load()) {}
  DownloadStatus& operator=(const DownloadStatus& other) {
    tdPath = other.tdPath;
    expectedMd5 = other.expectedMd5;
    downloadedSize = other.downloadedSize.load();
    totalSize = other.totalSize.load();
    return *this;
  }

  std::filesystem::path tdPath;  // full path of update.td in the updater's folder
  std::string expectedMd5;       // the md5 of the command line
  // Bytes counted for the progress display, resumed bytes included; set to 0
  // when a joined file fails its length or digest check. Written by the
  // transfer threads and the worker.
  std::atomic<std::int64_t> downloadedSize{0};
  // Package size from the size probe; 0 until known. Written by the worker.
  std::atomic<std::int64_t> totalSize{0};
};

// Percentage for the progress display: downloadedSize * 100 / totalSize, 0
// while the size is unknown.
inline std::int64_t DownloadPercent(const DownloadStatus& status) {
  const std::int64_t total = status.totalSize;
  return total == 0 ? 0 : status.downloadedSize * 100 / total;
}
