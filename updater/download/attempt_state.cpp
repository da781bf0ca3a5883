#include "updater/download/attempt_state.h"

#include <chrono>

#include "updater/download/http_connection.h"

void AttemptState::CloseConnections() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  for (HttpConnection* connection : connections_) connection->Close();
  changed_.notify_all();
}

bool AttemptState::Closed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_;
}

void AttemptState::Add(HttpConnection* connection) {
  std::lock_guard<std::mutex> lock(mutex_);
  connections_.insert(connection);
  if (closed_) connection->Close();
}

void AttemptState::Remove(HttpConnection* connection) {
  std::lock_guard<std::mutex> lock(mutex_);
  connections_.erase(connection);
}

void AttemptState::ExpectTransfers(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  runningTransfers_ += count;
}

void AttemptState::TransferEnded() {
  std::lock_guard<std::mutex> lock(mutex_);
  --runningTransfers_;
  changed_.notify_all();
}

bool AttemptState::WaitTransfers(std::uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                    [this] { return runningTransfers_ <= 0 || closed_; });
  return runningTransfers_ <= 0;
}

bool AttemptState::WaitUntil(std::uint32_t timeoutMs, const std::function<bool()>& ready) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return closed_ || ready(); });
  return ready();
}

void AttemptState::Notify() {
  std::lock_guard<std::mutex> lock(mutex_);
  changed_.notify_all();
}

void AttemptState::WaitAllTransfers() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return runningTransfers_ <= 0; });
}
