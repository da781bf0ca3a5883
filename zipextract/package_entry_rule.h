#pragma once
// Which entry names a package may carry: those the launcher installs as
// they stand, under its own folder, on any Windows installation folder of
// up to kInstallFolderAllowance characters. Publishers check their packages
// against this rule before they ship them.

#include <cstddef>
#include <string>

// Names the apply keeps for its own work, lock and records under the
// installation folder: a first component starting with this, in any letter case.
constexpr char kReservedNamePrefix[] = "~zvk-apply";

// True when the UTF-8 name (or its first folder) is one of those.
bool IsReservedName(const std::string& utf8Name);
bool IsReservedName(const std::wstring& name);

// True when the name (or its first folder) is the updater's and launcher's
// own, which no package writes: anything under temp\ (the updater's program
// and downloads, a folder users may be able to write), and the launcher's
// pending files beside it (update.zip and the names it sets one aside
// under, update.zip.part, update.tries). In any letter case; "/" or "\"
// separate folders.
bool IsUpdateWorkName(const std::wstring& name);

// Room left for the installation folder in front of every entry path.
constexpr std::size_t kInstallFolderAllowance = 100;

// nullptr when the UTF-8 entry name may be shipped; otherwise the reason.
// Directory entries end in "/".
const char* RefusedEntryName(const std::string& utf8Name);
