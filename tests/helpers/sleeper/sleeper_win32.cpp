#include <windows.h>

#include <cstdlib>

namespace {

constexpr unsigned long kDefaultMs = 30000;
constexpr unsigned long kLongestMs = 600000;

}  // namespace

int main(int argc, char** argv) {
  unsigned long ms = kDefaultMs;
  if (argc > 1) ms = std::strtoul(argv[1], nullptr, 10);
  if (ms > kLongestMs) ms = kLongestMs;
  Sleep(ms);
  return 0;
}
