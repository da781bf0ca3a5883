#pragma once
// minizip reads the archive through these file functions, over a file the
// reader has already opened (with read sharing on Windows). Offsets are taken
// relative to the position the file had when it was handed over.
//
// Reads go through a 64 KiB window: minizip asks for headers a few bytes at a
// time and seeks back and forth between the central directory and the local
// headers; requests inside the window are served from memory, larger ones go
// straight to the caller's buffer.

#include <ioapi.h>

#include <cstdint>
#include <vector>

#include "platform/file_system.h"

struct ArchiveStream {
  platform::File* file = nullptr;
  std::int64_t start = 0;             // file position at hand-over
  bool seekable = false;              // whether the file could be positioned at all
  bool failed = false;                // a read or seek failed: so do all that follow
  std::int64_t position = 0;          // where minizip reads next (file offset)
  std::int64_t filePosition = 0;      // where the file's own pointer stands
  std::int64_t windowStart = 0;       // file offset of window[0]
  std::vector<unsigned char> window;  // bytes read ahead; size() is what is valid
};

// Notes the file's start position and whether it can be positioned.
void AttachArchiveStream(ArchiveStream& stream, platform::File& file);

// File functions for unzOpen2_64, whose "path" argument must be the
// ArchiveStream*. Closing through them leaves the file to its owner.
zlib_filefunc64_def ArchiveStreamFunctions();
