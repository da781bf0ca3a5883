#include "logging/file_logger.h"

#include <cstdio>
#include <ctime>
#include <utility>

#include "logging/n_log.h"
#include "platform/platform.h"

namespace linelog {
namespace {

// The line that says how many lines the file did not get, in the logger's
// form, so that whoever reads the file sees where the gap is.
std::string DroppedNotice(std::uint64_t count) {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
#if defined(_WIN32)
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  return n_log::FormatPrefix(ProgramTag(), kWarn, utc) + std::to_string(count) +
         " log lines were dropped: the log file could not take them in time\n";
}

}  // namespace

std::string EscapeControlBytes(const char* text, std::size_t length) {
  std::string escaped;
  escaped.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool finalNewline = byte == '\n' && i + 1 == length;
    if ((byte < 0x20 && !finalNewline) || byte == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", byte);
      escaped += code;
    } else {
      escaped += static_cast<char>(byte);
    }
  }
  return escaped;
}

FileLogger::FileLogger(std::unique_ptr<LogFileStore> store, std::int64_t capacity)
    : store_(std::move(store)), capacity_(capacity), writer_([this] { run(); }) {}

FileLogger::~FileLogger() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  if (writer_.joinable()) writer_.join();
}

bool FileLogger::deliver(LogData& record) {
  QueuedLine line{EscapeControlBytes(record.text, record.buffer.length()), record.level >= kWarn};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (refused_) return true;
    if (queuedBytes_ + line.text.size() > kQueueCapacity) {
      ++dropped_;
      return true;
    }
    queuedBytes_ += line.text.size();
    queue_.push_back(std::move(line));
    ++outstanding_;
  }
  wake_.notify_one();
  return true;
}

void FileLogger::post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
    ++outstanding_;
  }
  wake_.notify_one();
}

bool FileLogger::drain(std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (outstanding_.load() != 0) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    platform::SleepMs(5);
  }
  return true;
}

bool FileLogger::appendUrgent(const char* line, std::size_t size) {
  return open_.load() && store_->appendUrgent(line, size);
}

void FileLogger::openStore() {
  std::string refusal;
  try {
    refusal = store_->open();
  } catch (...) {
    refusal = "the log file cannot be opened";
  }
  if (refusal.empty()) {
    open_ = true;
    return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  refused_ = true;
  outstanding_ -= queue_.size();
  queue_.clear();
  queuedBytes_ = 0;
  dropped_ = 0;
}

void FileLogger::run() {
  openStore();
  for (;;) {
    std::vector<QueuedLine> batch;
    std::vector<std::function<void()>> tasks;
    std::uint64_t dropped = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty() || !tasks_.empty() || dropped_ != 0; });
      if (stopping_ && queue_.empty() && tasks_.empty()) return;
      batch.swap(queue_);
      tasks.swap(tasks_);
      queuedBytes_ = 0;
      dropped = std::exchange(dropped_, 0);
    }
    if (open_) {
      try {
        writeBatch(batch, dropped);
      } catch (...) {
        unwritten_ += batch.size();
      }
    }
    outstanding_ -= batch.size();
    for (const std::function<void()>& task : tasks) {
      try {
        task();
      } catch (...) {
      }
      --outstanding_;
    }
  }
}

// One batch under one hold of the lock, in as few writes as the cap allows.
void FileLogger::writeBatch(std::vector<QueuedLine>& batch, std::uint64_t dropped) {
  unwritten_ += dropped;
  const bool locked = store_->lock();
  bool mayRotate = locked;
  std::int64_t size = store_->size();
  std::string pending;
  std::size_t pendingLines = 0;
  bool throughToDisk = false;
  for (QueuedLine& line : batch) {
    if (size < 0 || size + static_cast<std::int64_t>(pending.size() + line.text.size()) > capacity_) {
      appendAll(pending, pendingLines, size);
      if (!makeRoom(size, line.text.size(), mayRotate)) {
        ++unwritten_;
        continue;
      }
    }
    pending += line.text;
    ++pendingLines;
    throughToDisk = throughToDisk || line.throughToDisk;
  }
  appendAll(pending, pendingLines, size);
  if (unwritten_ > 0) {
    std::string notice = DroppedNotice(unwritten_);
    const bool fits = size >= 0 && size + static_cast<std::int64_t>(notice.size()) <= capacity_;
    if ((fits || makeRoom(size, notice.size(), mayRotate)) && store_->append(notice.data(), notice.size()))
      unwritten_ = 0;
    throughToDisk = true;
  }
  if (throughToDisk) store_->flush();
  if (locked) store_->unlock();
}

// Room for `length` more bytes: a new file when a rotation may be tried
// (under the lock, once a batch when it fails), else up to twice the cap. A
// size that cannot be read counts as the cap reached: the line goes only
// into a new file.
bool FileLogger::makeRoom(std::int64_t& size, std::size_t length, bool& mayRotate) {
  if (mayRotate && store_->rotate()) {
    size = 0;
    return true;
  }
  mayRotate = false;
  return size >= 0 && size + static_cast<std::int64_t>(length) <= 2 * capacity_;
}

bool FileLogger::appendAll(std::string& pending, std::size_t& lines, std::int64_t& size) {
  if (pending.empty()) return true;
  const bool written = store_->append(pending.data(), pending.size());
  if (written && size >= 0) {
    size += static_cast<std::int64_t>(pending.size());
  } else if (!written) {
    unwritten_ += lines;
    size = store_->size();
  }
  pending.clear();
  lines = 0;
  return written;
}

}  // namespace linelog
