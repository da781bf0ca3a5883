#pragma once

namespace publisher {
// The help of one subcommand ("keygen", "pack", ...), or the tool's own.
const char* HelpText(const char* command);
}  // namespace publisher
