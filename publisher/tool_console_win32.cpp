#include <windows.h>
// CommandLineToArgvW needs the types of windows.h.
#include <shellapi.h>

#include <cstdio>
#include <iostream>

#include "platform/string_convert.h"
#include "publisher/tool_console.h"

namespace publisher {

ToolConsole::ToolConsole(int, char**) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments != nullptr) {
    for (int i = 1; i < count; ++i) words_.push_back(platform::WideToUtf8(arguments[i]));
    LocalFree(arguments);
  }
  previousOutputCodePage_ = GetConsoleOutputCP();
  if (previousOutputCodePage_ != 0) SetConsoleOutputCP(CP_UTF8);
}

ToolConsole::~ToolConsole() {
  // Everything written so far is shown as UTF-8 before the console goes back.
  std::cout.flush();
  std::fflush(nullptr);
  if (previousOutputCodePage_ != 0) SetConsoleOutputCP(previousOutputCodePage_);
}

}  // namespace publisher
