#pragma once
// The swap of a staged package into its root, and the journal that lets a
// later run finish or undo a swap that a kill or power cut interrupted.
//
// Record n names one target (relative to the root) and whether an old file
// stood there when the package was staged. Its staged file is the work
// directory's "s<n>", its old file goes to "a<n>". Every step can be read
// back from the disk: "s<n>" present means record n is not swapped in yet,
// so both finishing and undoing work from whatever state they find.
// A removal record moves its target to "a<n>" and puts nothing in its place;
// its "s<n>" is an empty marker, present while the removal is not done. The
// target is moved through handles opened beneath the root (and put back the
// same way); a link or anything but a plain file at its name is left alone.

#include <string>
#include <vector>

#include "zipextract/staging_area.h"

struct SwapRecord {
  std::wstring target;  // relative to the root
  bool replacesOld = false;
  bool removes = false;  // a removal: the target goes, nothing comes in
};

// Writes the journal to a draft, writes it through, and renames it into
// place, so that a journal is either whole or absent.
bool WriteJournal(const StagingArea& area, const std::vector<SwapRecord>& records);
// False when the journal is missing or damaged.
bool ReadJournal(const StagingArea& area, std::vector<SwapRecord>& records);
// The journal's text: false when it is damaged, or names a target that is
// not a safe name under `root` (ending in a separator).
bool ParseJournal(const std::string& text, const std::wstring& root, std::vector<SwapRecord>& records);

// Swaps record `index` in: the old file aside, the staged file in its place.
// Does nothing for a record already swapped. On failure `error` says why.
bool SwapOne(const StagingArea& area, const std::vector<SwapRecord>& records, std::size_t index,
             std::string& error);
// Puts back every swapped record, last first; true when all were put back.
bool UndoSwaps(const StagingArea& area, const std::vector<SwapRecord>& records);

// Finishes (or, when that fails, undoes) every interrupted apply found in
// root, and removes the work of applies that never reached their journal.
// Returns false when some interrupted apply could be neither finished nor
// undone (its work stays for the next try); `report` describes what was done.
bool RecoverInterruptedApplies(const std::wstring& root, std::string& report);
