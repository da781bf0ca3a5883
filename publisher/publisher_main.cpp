// zvkpublish: makes, signs and checks update packages.
#include <iostream>
#include <string>
#include <vector>

#include "publisher/commands.h"
#include "publisher/help_texts.h"

int main(int argc, char** argv) {
  using publisher::Words;
  struct Command {
    const char* name;
    int (*run)(const Words&);
  };
  static const Command kCommands[] = {{"keygen", publisher::RunKeygen},
                                      {"pack", publisher::RunPack},
                                      {"sign", publisher::RunSign},
                                      {"verify", publisher::RunVerify},
                                      {"publish", publisher::RunPublish}};
  const std::string name = argc > 1 ? argv[1] : "";
  for (const Command& command : kCommands) {
    if (name == command.name) return command.run(Words(argv + 2, argv + argc));
  }
  if (name == "--help" || name == "-h" || name == "help") {
    std::cout << publisher::HelpText("");
    return 0;
  }
  std::cerr << (name.empty() ? "zvkpublish: no command\n" : "zvkpublish: unknown command " + name + "\n")
            << publisher::HelpText("");
  return 2;
}
