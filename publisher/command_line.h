#pragma once
// Splits a subcommand's words into positional arguments and "--name value"
// options, allowing only the options the subcommand knows.

#include <map>
#include <string>
#include <vector>

namespace publisher {

struct CommandLine {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;
  bool help = false;
  std::string error;  // empty when the words parsed

  std::string option(const std::string& name) const {
    const auto found = options.find(name);
    return found == options.end() ? std::string() : found->second;
  }
};

CommandLine ParseWords(const std::vector<std::string>& words, const std::vector<std::string>& knownOptions);

}  // namespace publisher
