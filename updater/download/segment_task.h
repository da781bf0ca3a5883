#pragma once
// One byte range of a download attempt and the segment plan that makes four.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "updater/download/proxy_route.h"

struct DownloadStatus;
class PackageDigests;

struct SegmentTask {
  std::string host;
  ProxyRoute route;  // the attempt's route to host
  std::uint32_t rangeBegin = 0;
  std::uint32_t rangeEnd = 0;  // one past the segment's last byte
  // Bytes of the segment on disk: the resumed length plus what this attempt
  // wrote. Written only by the segment's transfer thread.
  std::uint32_t received = 0;
  std::string requestPath;
  std::filesystem::path segmentFile;  // tdPath followed by the segment's index
  DownloadStatus* status = nullptr;   // not owned; outlives the transfer
  // Segment 0 only: the attempt's digests, fed with the segment's bytes as a
  // transfer from an empty file writes them (not owned). digested counts
  // them: the file's first digested bytes. Written only by the transfer thread.
  PackageDigests* digests = nullptr;
  std::uint32_t digested = 0;
};

constexpr int kSegmentCount = 4;
using SegmentPlan = std::array<SegmentTask, kSegmentCount>;

// Splits a package of total bytes into four ranges: total / 4 bytes each, the
// last one also carrying the remainder.
SegmentPlan MakeSegmentPlan(std::uint32_t total, const std::string& host, const std::string& requestPath,
                            const std::filesystem::path& tdPath, DownloadStatus* status);
