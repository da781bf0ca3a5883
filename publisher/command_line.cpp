#include "publisher/command_line.h"

#include <algorithm>

namespace publisher {

CommandLine ParseWords(const std::vector<std::string>& words, const std::vector<std::string>& knownOptions) {
  CommandLine line;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word == "--help" || word == "-h") {
      line.help = true;
    } else if (word.size() > 1 && word[0] == '-') {
      if (std::find(knownOptions.begin(), knownOptions.end(), word) == knownOptions.end()) {
        line.error = "unknown option " + word;
      } else if (i + 1 >= words.size()) {
        line.error = word + " needs a value";
      } else if (!line.options.emplace(word, words[++i]).second) {
        line.error = word + " given twice";
      }
    } else {
      line.positional.push_back(word);
    }
    if (!line.error.empty()) break;
  }
  return line;
}

}  // namespace publisher
