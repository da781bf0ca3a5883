#pragma once
// The downloaded package as the forced install applies it: opened once, in
// a way that lets nobody write, rename or delete it while it is open (and
// not through a link), and checked on that handle: its length, its MD5 and,
// in builds with a publisher key, its signature. The caller then reads the
// archive from that same handle, so what was checked is what is installed.

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/file_system.h"
#include "release/sha256.h"

// The open package, or a closed file with `why` saying what failed.
// `expectedLength` is not checked when it is 0 or less, the SHA-256 only
// when one is given (a full package named by a delta's manifest).
platform::File OpenVerifiedPackage(const std::filesystem::path& package, const std::string& expectedMd5,
                                   std::int64_t expectedLength, std::string& why,
                                   const release::Digest* expectedSha256 = nullptr);
