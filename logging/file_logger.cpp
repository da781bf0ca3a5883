#include "logging/file_logger.h"

#include <chrono>

namespace linelog {

FileLogger::FileLogger(std::unique_ptr<LogFileStore> store, std::int64_t capacity)
    : store_(std::move(store)), capacity_(capacity) {}

bool FileLogger::deliver(LogData& record) {
  std::lock_guard<std::timed_mutex> lock(mutex_);
  write(record.text, record.buffer.length(), record.level >= kWarn);
  return true;
}

bool FileLogger::appendUrgent(const char* line, std::size_t size) {
  std::unique_lock<std::timed_mutex> lock(mutex_, std::chrono::milliseconds(100));
  return lock.owns_lock() && write(line, size, true);
}

bool FileLogger::write(const char* bytes, std::size_t size, bool throughToDisk) {
  const std::int64_t length = static_cast<std::int64_t>(size);
  const std::int64_t current = store_->size();
  // A rotation that cannot happen now (another process is rotating, or the
  // predecessor is held open) is tried again with the next line.
  if (current >= 0 && current + length > capacity_ && !store_->rotate() && current + length > 2 * capacity_)
    return false;
  if (!store_->append(bytes, size)) return false;
  if (throughToDisk) store_->flush();
  return true;
}

}  // namespace linelog
