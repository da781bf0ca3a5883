#pragma once
// Joining the four segment files into update.td, digesting the bytes as they
// are joined, and checking the result.

#include <cstddef>
#include <cstdint>
#include <string>

#include "updater/download/segment_task.h"

struct DownloadStatus;
class PackageDigests;
namespace release {
struct FullPackageRef;
}

// Where the join writes the package.
class JoinOutput {
 public:
  virtual ~JoinOutput() = default;
  virtual bool SeekTo(std::uint64_t offset) = 0;
  virtual bool Write(const char* data, std::size_t size) = 0;
};

// True when every segment file holds at least its segment's length (a segment
// of length 0 needs no file). Only such a set is joined.
bool SegmentsComplete(const SegmentPlan& plan);

// Copies the first length bytes of each segment file, in order, to its place
// in out and hands those not yet digested (a task's digested count) to
// digests. Deletes nothing. Returns
// CHttpDownload::kSuccess, or kSegmentMissing when a segment file cannot be
// opened or read in full, or out fails to seek or write.
int JoinSegments(const SegmentPlan& plan, JoinOutput& out, PackageDigests& digests);

// Joins a complete set of segments into status.tdPath, finishing digests on
// the way; checks its length against total and its MD5 against
// status.expectedMd5 (for a package `named` by a release manifest: its MD5
// and SHA-256 against the named ones, digests made with SHA-256), and
// renames it to update.zip. A failed join keeps the segment files; once the join is
// complete they are deleted, whatever the checks say. Returns
// CHttpDownload's result code.
int JoinAndVerify(const SegmentPlan& plan, std::int64_t total, DownloadStatus& status,
                  PackageDigests& digests, const release::FullPackageRef* named = nullptr);

// Deletes the four segment files; missing ones are passed over.
void RemoveSegmentFiles(const SegmentPlan& plan);

// Compares two digest texts without regard to letter case.
bool SameDigest(const std::string& a, const std::string& b);
