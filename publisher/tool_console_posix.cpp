#include "publisher/tool_console.h"

namespace publisher {

ToolConsole::ToolConsole(int argc, char** argv) : words_(argv + (argc > 0 ? 1 : 0), argv + argc) {}

ToolConsole::~ToolConsole() = default;

}  // namespace publisher
