// zvkpublish: makes, signs and checks update packages.
#include <iostream>
#include <string>
#include <vector>

#include "publisher/commands.h"
#include "publisher/help_texts.h"
#include "publisher/tool_console.h"
#include "zvk_version.h"

int main(int argc, char** argv) {
  using publisher::Words;
  struct Command {
    const char* name;
    int (*run)(const Words&);
  };
  static const Command kCommands[] = {{"keygen", publisher::RunKeygen},   {"pack", publisher::RunPack},
                                      {"sign", publisher::RunSign},       {"verify", publisher::RunVerify},
                                      {"publish", publisher::RunPublish}, {"check", publisher::RunCheck}};
  const publisher::ToolConsole console(argc, argv);
  const Words& words = console.words();
  const std::string name = words.empty() ? "" : words[0];
  for (const Command& command : kCommands) {
    if (name == command.name) return command.run(Words(words.begin() + 1, words.end()));
  }
  if (name == "--version") {
    std::cout << "zvkpublish " << ZVK_VERSION_TEXT << "\n";
    return 0;
  }
  if (name == "--help" || name == "-h" || name == "help") {
    std::cout << publisher::HelpText("");
    return 0;
  }
  std::cerr << (name.empty() ? "zvkpublish: no command\n" : "zvkpublish: unknown command " + name + "\n")
            << publisher::HelpText("");
  return 2;
}
