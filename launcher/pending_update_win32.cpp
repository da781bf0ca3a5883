#include "launcher/pending_update.h"

// Placeholder until the zip extraction lands: the start road calls these in
// order and goes on whatever they do.
bool GetExeDirA(std::string&) { return false; }
void PreparePendingUpdate() {}
void ExtractPendingUpdate() {}
