#pragma once
// minizip reads the archive through these file functions, over a file the
// reader has already opened (with read sharing on Windows). Offsets are taken
// relative to the position the file had when it was handed over.

#include <ioapi.h>

#include <cstdint>

#include "platform/file_system.h"

struct ArchiveStream {
  platform::File* file = nullptr;
  std::int64_t start = 0;  // position at hand-over
  bool seekable = false;   // whether the file could be positioned at all
  bool failed = false;     // the last read or seek failed
};

// Notes the file's start position and whether it can be positioned.
void AttachArchiveStream(ArchiveStream& stream, platform::File& file);

// File functions for unzOpen2_64, whose "path" argument must be the
// ArchiveStream*. Closing through them leaves the file to its owner.
zlib_filefunc64_def ArchiveStreamFunctions();
