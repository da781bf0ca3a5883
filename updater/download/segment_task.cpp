#include "updater/download/segment_task.h"

SegmentPlan MakeSegmentPlan(std::uint32_t total, const std::string& host, const std::string& requestPath,
                            const std::filesystem::path& tdPath, DownloadStatus* status) {
  SegmentPlan plan;
  const std::uint32_t chunkSize = total / kSegmentCount;
  for (int i = 0; i < kSegmentCount; ++i) {
    SegmentTask& task = plan[i];
    task.host = host;
    task.requestPath = requestPath;
    task.rangeBegin = static_cast<std::uint32_t>(i) * chunkSize;
    task.rangeEnd = i == kSegmentCount - 1 ? total : task.rangeBegin + chunkSize;
    task.segmentFile = tdPath;
    task.segmentFile += std::to_string(i);
    task.status = status;
  }
  return plan;
}
