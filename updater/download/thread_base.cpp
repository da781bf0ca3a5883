#include "updater/download/thread_base.h"

#include <exception>
#include <system_error>
#include <thread>

#include "updater/download/diagnostics.h"

namespace {

std::uint32_t NextThreadId() {
  static std::atomic<std::uint32_t> last{0};
  return ++last;
}

}  // namespace

ThreadBase::ThreadBase() : idle_(std::make_shared<std::atomic<bool>>(true)) {}

ThreadBase::~ThreadBase() = default;

void ThreadBase::Start() {
  // A second call starts nothing and changes nothing: the worker's state
  // stays what its one thread made it.
  if (started_) return;
  ThreadBody body = PrepareRun();
  std::shared_ptr<std::atomic<bool>> idle = idle_;
  try {
    idle->store(false);
    std::thread thread([body = std::move(body), idle] {
      // The worker's thread is a boundary: nothing may escape it and end the process.
      try {
        body();
      } catch (const std::exception& e) {
        PrintDiagnostic(std::string("Exception: worker ended: ") + e.what() + "\n");
      } catch (...) {
        PrintDiagnostic("Exception: worker ended\n");
      }
      idle->store(true);
    });
    thread.detach();
    started_ = true;
    threadId_ = NextThreadId();
  } catch (const std::system_error& e) {
    idle->store(true);
    PrintDiagnostic(std::string("Exception: worker not started: ") + e.what() + "\n");
  }
}
