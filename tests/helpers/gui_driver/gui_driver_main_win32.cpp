// gui_driver.exe: waits for a window and answers it; see README.md.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "platform/string_convert.h"
#include "window_driver.h"

namespace {

enum ExitCode { kDone = 0, kTimeout = 1, kUsage = 2, kNotAnswered = 3 };

struct Arguments {
  gui_driver::WindowQuery query;
  DWORD timeoutMs = 10000;
  gui_driver::Answer answer = gui_driver::Answer::None;
  POINT click{0, 0};
  bool print = false;
  bool geometry = false;
  DWORD goneTimeoutMs = 0;
};

bool ParseAnswer(const std::wstring& name, Arguments& arguments) {
  using gui_driver::Answer;
  static const struct {
    const wchar_t* name;
    Answer answer;
  } kAnswers[] = {{L"none", Answer::None}, {L"enter", Answer::Enter},   {L"escape", Answer::Escape},
                  {L"ok", Answer::Ok},     {L"cancel", Answer::Cancel}, {L"close", Answer::Close}};
  for (const auto& known : kAnswers) {
    if (name == known.name) {
      arguments.answer = known.answer;
      return true;
    }
  }
  long x = 0, y = 0;
  if (std::swscanf(name.c_str(), L"click=%ld,%ld", &x, &y) != 2) return false;
  arguments.answer = Answer::Click;
  arguments.click = POINT{x, y};
  return true;
}

bool ParseArguments(int argc, wchar_t** argv, Arguments& arguments) {
  bool haveTarget = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == L"--msgbox") {
      arguments.query.messageBox = haveTarget = true;
    } else if (option == L"--print") {
      arguments.print = true;
    } else if (option == L"--geometry") {
      arguments.geometry = true;
    } else if (option == L"--class" && hasValue) {
      arguments.query.className = argv[++i];
      haveTarget = true;
    } else if (option == L"--pid" && hasValue) {
      arguments.query.processId = std::wcstoul(argv[++i], nullptr, 10);
    } else if (option == L"--timeout" && hasValue) {
      arguments.timeoutMs = std::wcstoul(argv[++i], nullptr, 10);
    } else if (option == L"--wait-gone" && hasValue) {
      arguments.goneTimeoutMs = std::wcstoul(argv[++i], nullptr, 10);
    } else if (!(option == L"--answer" && hasValue && ParseAnswer(argv[++i], arguments))) {
      return false;
    }
  }
  return haveTarget;
}

void PrintLine(const char* label, const std::wstring& text) {
  const std::string line = std::string(label) + ": " + platform::WideToUtf8(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
}

void PrintWindow(HWND window, bool messageBox) {
  if (messageBox) {
    const auto box = gui_driver::ReadMessageBox(window);
    PrintLine("caption", box.caption);
    PrintLine("text", box.text);
    return;
  }
  wchar_t title[512] = {};
  GetWindowTextW(window, title, 512);
  PrintLine("title", title);
}

void PrintGeometry(HWND window) {
  RECT bounds{};
  RECT client{};
  RECT workArea{};
  GetWindowRect(window, &bounds);
  GetClientRect(window, &client);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  std::printf("rect: %ld %ld %ld %ld\nclient: %ld %ld\nworkarea: %ld %ld %ld %ld\n", bounds.left, bounds.top,
              bounds.right, bounds.bottom, client.right, client.bottom, workArea.left, workArea.top,
              workArea.right, workArea.bottom);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  Arguments arguments;
  if (!ParseArguments(argc, argv, arguments)) {
    std::fputs(
        "usage: gui_driver (--class NAME | --msgbox) [--pid N] [--timeout MS] [--print] [--geometry]\n"
        "                  [--answer none|enter|escape|ok|cancel|close|click=X,Y] [--wait-gone MS]\n",
        stderr);
    return kUsage;
  }
  HWND window = gui_driver::WaitForWindow(arguments.query, arguments.timeoutMs);
  if (window == nullptr) {
    std::fputs("gui_driver: no matching window before the timeout\n", stderr);
    return kTimeout;
  }
  if (arguments.print) PrintWindow(window, arguments.query.messageBox);
  if (arguments.geometry) PrintGeometry(window);
  std::fflush(stdout);
  if (!gui_driver::AnswerWindow(window, arguments.answer, arguments.click)) return kNotAnswered;
  if (arguments.goneTimeoutMs != 0 && !gui_driver::WaitUntilGone(window, arguments.goneTimeoutMs)) {
    return kNotAnswered;
  }
  return kDone;
}
