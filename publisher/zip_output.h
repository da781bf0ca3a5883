#pragma once
// minizip writes a package through these file functions, over a file the
// writer created and owns (wide names on Windows, like every file of the tool).

#include <ioapi.h>

#include "platform/file_system.h"

namespace publisher {

struct ZipOutput {
  platform::File* file = nullptr;
  bool failed = false;  // a write or seek failed
};

// File functions for zipOpen2_64, whose "path" argument must be the
// ZipOutput*. Closing through them leaves the file to its owner.
zlib_filefunc64_def ZipOutputFunctions();

}  // namespace publisher
