#pragma once
// The tool's side of the console: its words as UTF-8 and UTF-8 output. On
// Windows the words come from the wide command line (the narrow argv would
// lose every character outside the ANSI code page), and the console shows
// UTF-8 while the object lives.

#include <string>
#include <vector>

namespace publisher {

class ToolConsole {
 public:
  ToolConsole(int argc, char** argv);
  ~ToolConsole();
  ToolConsole(const ToolConsole&) = delete;
  ToolConsole& operator=(const ToolConsole&) = delete;

  // The words after the program's name.
  const std::vector<std::string>& words() const { return words_; }

 private:
  std::vector<std::string> words_;
  unsigned int previousOutputCodePage_ = 0;
};

}  // namespace publisher
