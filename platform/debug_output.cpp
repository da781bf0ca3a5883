#include "platform/platform.h"

#include <mutex>

namespace platform {
namespace {

std::mutex& SinkMutex() {
  static std::mutex mutex;
  return mutex;
}

DebugOutputSink& ReplacedSink() {
  static DebugOutputSink sink;
  return sink;
}

}  // namespace

void SystemDebugOutput(const char* text);

void DebugOutput(const char* text) {
  {
    std::lock_guard<std::mutex> lock(SinkMutex());
    if (ReplacedSink()) {
      ReplacedSink()(text);
      return;
    }
  }
  SystemDebugOutput(text);
}

void SetDebugOutputSink(DebugOutputSink sink) {
  std::lock_guard<std::mutex> lock(SinkMutex());
  ReplacedSink() = std::move(sink);
}

}  // namespace platform
