#include "platform/platform.h"

#include <mutex>

#include "platform/never_destroyed.h"

namespace platform {
namespace {

// Both live until the process ends: log lines may still arrive while it exits.
std::mutex& SinkMutex() {
  static NeverDestroyed<std::mutex> mutex;
  return mutex.get();
}

DebugOutputSink& ReplacedSink() {
  static NeverDestroyed<DebugOutputSink> sink;
  return sink.get();
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
