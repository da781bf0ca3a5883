#pragma once
// The publishing tool's subcommands. Each takes the words after its name,
// writes results to standard output and progress and errors to standard
// error, and returns the exit code: 0 done, 1 refused or failed, 2 misuse.

#include <string>
#include <vector>

namespace publisher {

using Words = std::vector<std::string>;

int RunKeygen(const Words& words);
int RunPack(const Words& words);
int RunSign(const Words& words);
int RunVerify(const Words& words);
int RunPublish(const Words& words);
int RunCheck(const Words& words);

}  // namespace publisher
