#pragma once
// The log file sink: each finished line is appended to a file of bounded
// size. Past the size cap the file becomes its one predecessor (an older
// predecessor goes) and a new file starts. Where the file lives and how it
// is opened, shared with other processes and rotated is the store's part;
// the Windows store is in log_file_store_win32.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "logging/linelog.h"

namespace linelog {

class LogFileStore {
 public:
  virtual ~LogFileStore() = default;
  // Appends the bytes with one write at the end of the file, after whatever
  // other processes appended. False when nothing could be written.
  virtual bool append(const char* bytes, std::size_t size) = 0;
  // The size of the file now being written, or -1 when it cannot be read.
  virtual std::int64_t size() = 0;
  // Writes the file's data through to the disk.
  virtual void flush() = 0;
  // Makes the current file the predecessor and starts a new one; when
  // another process has just done so, only moves on to its new file. False
  // when neither could be done now.
  virtual bool rotate() = 0;
};

class FileLogger : public BaseLogger {
 public:
  static constexpr std::int64_t kDefaultCapacity = std::int64_t{1} << 20;

  explicit FileLogger(std::unique_ptr<LogFileStore> store, std::int64_t capacity = kDefaultCapacity);

  // Writes the line as the other sinks get it, on disk at once from WARN up.
  // Always true: a line that cannot be written is dropped, and a file that
  // cannot be rotated grows to twice the cap at most.
  bool deliver(LogData& record) override;

  // Writes a finished line (ending in "\n") and flushes it, from a thread
  // that must not wait long: false when the sink stays busy for 100 ms.
  bool appendUrgent(const char* line, std::size_t size);

 private:
  bool write(const char* bytes, std::size_t size, bool throughToDisk);

  std::unique_ptr<LogFileStore> store_;
  const std::int64_t capacity_;
  // Serialises the store's use: the process logger's deliveries and the
  // crash report's line may come from different threads.
  std::timed_mutex mutex_;
};

}  // namespace linelog
