#pragma once
// The process-wide skin package: a zip archive in memory (registered by the
// first window) or, when none is registered, the files under the resource path.
// All functions may be called from any thread; entry reads are serialised.

#include <cstddef>
#include <string>
#include <vector>

namespace SkinUI {

// Largest entry that is read (bytes); one byte more fails with "File too large".
constexpr std::size_t kMaxSkinEntrySize = 0x400000;

// Registers a zip archive held in `data` (the caller keeps the bytes alive for
// the rest of the process). Only the first registration takes effect; returns
// true when a package is registered afterwards.
bool RegisterSkinZipFromMemory(const void* data, std::size_t size);

// Same, but the package keeps its own copy of the bytes for the rest of the process.
bool RegisterSkinZipCopy(const void* data, std::size_t size);

// "membuffer" once a zip in memory is registered, otherwise empty.
std::wstring GetRegisteredSkinZipName();

// Sets the folder that entries are read from when no zip is registered; a "\"
// is appended unless the text ends in "\" or "/"; an empty text stays empty.
void SetSkinResourcePath(const std::wstring& path);
std::wstring GetSkinResourcePath();

// Reads one entry (name compared without regard to case inside the zip).
// On failure returns false and sets `error` to the reason text, e.g.
// "Could not find ziped file" or "File too large".
bool ReadSkinEntry(const std::wstring& name, std::vector<char>& bytes, std::wstring& error);

// Reads `name` from the resource path on disk, whether or not a zip is
// registered (images missing from the package are looked for there too).
bool ReadSkinFileFromDisk(const std::wstring& name, std::vector<char>& bytes, std::wstring& error);

// Forgets the registration and the resource path; for tests only.
void ResetSkinPackageForTesting();

}  // namespace SkinUI
