#pragma once
// Joining the four segment files into update.td and checking it.

#include <cstdint>
#include <string>

#include "updater/download/segment_task.h"

class StdioFile;
struct DownloadStatus;

// Copies the front of one segment file (at most the segment's length) to its
// place in out, in blocks, then deletes the segment file. False when the file
// cannot be opened; a segment of length 0 needs no file.
bool AppendSegment(const SegmentTask& task, StdioFile& out);

// Joins the segments into status.tdPath, checks its length against total and
// its digest against status.expectedMd5, and renames it to update.zip.
// Returns CHttpDownload's result code.
int JoinAndVerify(const SegmentPlan& plan, std::int64_t total, DownloadStatus& status);

// Compares two digest texts without regard to letter case.
bool SameDigest(const std::string& a, const std::string& b);
