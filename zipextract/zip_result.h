#pragma once
// Result codes of the zip reader. The values are part of the DLL interface.

#include <cstdint>

using ZipResult = std::uint32_t;

constexpr ZipResult ZipOk = 0;
// The archive cannot be opened or is not a zip archive; an output file
// cannot be created, or its name is refused (unsafe or too long).
constexpr ZipResult ZipErrNoFile = 0x200;
constexpr ZipResult ZipErrWrite = 0x400;
// An entry's local header does not match its central-directory record.
constexpr ZipResult ZipErrCorrupt = 0x700;
// The archive cannot be positioned, or a local extra field read whole.
constexpr ZipResult ZipErrRead = 0x800;
// An encrypted entry did not pass the password check.
constexpr ZipResult ZipErrPassword = 0x1000;
// The package's release does not fit the installation (another product, not
// newer, a delta for another base or over a changed file, no manifest where
// the installation has a release record), or its release manifest is
// broken. Nothing was changed.
constexpr ZipResult ZipErrRelease = 0x2000;
// Entry index out of range, or no archive open.
constexpr ZipResult ZipErrArgs = 0x10000;
// The handle is not a reading handle; this reader only ever reads.
constexpr ZipResult ZipErrMode = 0x80000;
constexpr ZipResult ZipErrAlreadyOpen = 0x1000000;
// Reading, decompressing or checking (CRC-32) an entry's data failed.
constexpr ZipResult ZipErrData = 0x5000000;

// The result of the last reader operation in this process (any thread; kept
// for diagnostics only).
ZipResult LastZipResult();
