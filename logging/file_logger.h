#pragma once
// The log file sink. A finished line is queued, with its control bytes
// escaped, and written by a writer thread of the sink's own: no thread that
// logs ever waits for the file, so a file that other programs hold, lock or
// slow down costs lines (counted, and said in the file when it can be
// written again), never time. The file is bounded: past the size cap its
// content becomes its one predecessor and the file starts anew. Where the
// file lives and how it is opened, shared with other processes and rotated
// is the store's part; the Windows store is in log_file_store_win32.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "logging/linelog.h"

namespace linelog {

// Every call but appendUrgent comes from the sink's writer thread.
class LogFileStore {
 public:
  virtual ~LogFileStore() = default;
  // Opens the file, before any other call. Empty when it can be written;
  // otherwise why not (the sink then drops every line).
  virtual std::string open() = 0;
  // Takes the lock that the other processes writing the same file take, for
  // one batch of lines; false when it cannot be had soon (the batch is then
  // written without it, and the file is not rotated).
  virtual bool lock() = 0;
  virtual void unlock() = 0;
  // Appends the bytes with one write at the end of the file, after whatever
  // other processes appended. False when they could not be written.
  virtual bool append(const char* bytes, std::size_t size) = 0;
  // The size of the file, or -1 when it cannot be read.
  virtual std::int64_t size() = 0;
  // Writes the file's data through to the disk.
  virtual void flush() = 0;
  // Makes the file's content its predecessor (an older predecessor goes)
  // and empties the file; called under the lock only. False when it cannot
  // be done now.
  virtual bool rotate() = 0;
  // Appends a finished line and writes it through, from any thread, after a
  // successful open(), alongside the writer thread: through a handle of its
  // own and without the lock, so that it never waits for the writer thread.
  virtual bool appendUrgent(const char* bytes, std::size_t size) = 0;
};

class FileLogger : public BaseLogger {
 public:
  static constexpr std::int64_t kDefaultCapacity = std::int64_t{1} << 20;
  // Lines waiting for the writer thread, in bytes; past this, lines are
  // dropped and counted.
  static constexpr std::size_t kQueueCapacity = 256 * 1024;

  // Starts the writer thread, which opens the store first.
  explicit FileLogger(std::unique_ptr<LogFileStore> store, std::int64_t capacity = kDefaultCapacity);
  // Waits for the writer thread to write what is queued, then stops it (the
  // programs' sink is never destroyed).
  ~FileLogger() override;
  FileLogger(const FileLogger&) = delete;
  FileLogger& operator=(const FileLogger&) = delete;

  // Queues the line and returns at once; always true. On disk at once from
  // WARN up; a file that cannot be rotated grows to twice the cap at most.
  bool deliver(LogData& record) override;

  // Runs `task` on the writer thread after the store's open and after the
  // lines queued before it. The task may log.
  void post(std::function<void()> task);

  // Waits up to `timeout` until every line queued and every task posted so
  // far is done (a line written or dropped); false when the writer did not
  // get there. Takes no lock: any
  // thread may call it, a crash reporter too.
  bool drain(std::chrono::milliseconds timeout) const;

  // Writes a finished line (ending in "\n") through the store's own handle
  // for urgent lines, without the writer thread; false before the store is
  // open or when the line cannot be written.
  bool appendUrgent(const char* line, std::size_t size);

 private:
  struct QueuedLine {
    std::string text;
    bool throughToDisk;
  };

  void run();
  void openStore();
  void writeBatch(std::vector<QueuedLine>& batch, std::uint64_t dropped);
  bool makeRoom(std::int64_t& size, std::size_t length, bool& mayRotate);
  bool appendAll(std::string& pending, std::size_t& lines, std::int64_t& size);

  std::unique_ptr<LogFileStore> store_;
  const std::int64_t capacity_;

  // Shared between the threads that log and the writer thread, under mutex_.
  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<QueuedLine> queue_;
  std::vector<std::function<void()>> tasks_;
  std::size_t queuedBytes_ = 0;
  std::uint64_t dropped_ = 0;  // lines not queued since the last notice
  bool refused_ = false;       // the store could not be opened: lines are not queued
  bool stopping_ = false;

  // Lines queued and not yet written or dropped, and tasks not yet run:
  // raised under mutex_ by deliver and post, lowered by the writer; read by
  // drain without a lock.
  std::atomic<std::size_t> outstanding_{0};
  // Set by the writer once the store is open; read by appendUrgent.
  std::atomic<bool> open_{false};
  // The writer's own: lines it could not write, for the next notice.
  std::uint64_t unwritten_ = 0;

  std::thread writer_;  // last: starts once everything above exists
};

// The line as the file gets it: bytes below 0x20 (other than a final "\n")
// and 0x7F written as \xNN, so that no text can begin a line of its own.
std::string EscapeControlBytes(const char* text, std::size_t length);

}  // namespace linelog
