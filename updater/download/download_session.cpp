#include "updater/download/download_session.h"

#include <chrono>
#include <condition_variable>

#include "platform/never_destroyed.h"

void DownloadSession::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopped_ = true;
  if (current_) current_->CloseConnections();
}

bool DownloadSession::Stopped() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stopped_;
}

std::shared_ptr<AttemptState> DownloadSession::BeginAttempt() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_) return nullptr;
  current_ = std::make_shared<AttemptState>();
  return current_;
}

void DownloadSession::EndAttempt() {
  std::lock_guard<std::mutex> lock(mutex_);
  current_.reset();
}

namespace engine_threads {
namespace {

struct Census {
  std::mutex mutex;
  std::condition_variable changed;
  int running = 0;
};

Census& TheCensus() {
  static platform::NeverDestroyed<Census> census;
  return census.get();
}

}  // namespace

void Entered() {
  Census& census = TheCensus();
  std::lock_guard<std::mutex> lock(census.mutex);
  ++census.running;
}

void Left() {
  Census& census = TheCensus();
  std::lock_guard<std::mutex> lock(census.mutex);
  --census.running;
  census.changed.notify_all();
}

int Running() {
  Census& census = TheCensus();
  std::lock_guard<std::mutex> lock(census.mutex);
  return census.running;
}

bool WaitUntilNoneRun(unsigned timeoutMs) {
  Census& census = TheCensus();
  std::unique_lock<std::mutex> lock(census.mutex);
  return census.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return census.running == 0; });
}

}  // namespace engine_threads
