// The log file sink's size cap, flushes, escapes and queue, over a store
// held in memory.
#include "logging/file_logger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <regex>
#include <string>

#include "logging/n_log.h"

namespace {

struct MemoryFiles {
  std::string current;
  std::string predecessor;
  bool mayRotate = true;
  bool sizeKnown = true;
  std::size_t flushedSize = 0;
  int flushes = 0;
  // While set, append waits: a file that another program holds up.
  std::mutex mutex;
  std::condition_variable released;
  bool held = false;
};

class MemoryStore : public linelog::LogFileStore {
 public:
  explicit MemoryStore(MemoryFiles& files) : files_(files) {}
  std::string open() override { return {}; }
  bool lock() override { return true; }
  void unlock() override {}
  bool append(const char* bytes, std::size_t size) override {
    std::unique_lock<std::mutex> lock(files_.mutex);
    files_.released.wait(lock, [this] { return !files_.held; });
    files_.current.append(bytes, size);
    return true;
  }
  std::int64_t size() override {
    return files_.sizeKnown ? static_cast<std::int64_t>(files_.current.size()) : -1;
  }
  void flush() override {
    ++files_.flushes;
    files_.flushedSize = files_.current.size();
  }
  bool rotate() override {
    if (!files_.mayRotate) return false;
    files_.predecessor = std::move(files_.current);
    files_.current.clear();
    return true;
  }
  bool appendUrgent(const char* bytes, std::size_t size) override { return append(bytes, size); }

 private:
  MemoryFiles& files_;
};

void Deliver(linelog::FileLogger& sink, int level, const std::string& line) {
  linelog::LogData record(level);
  record.stream << line;
  sink.deliver(record);
}

void Drain(linelog::FileLogger& sink) { ASSERT_TRUE(sink.drain(std::chrono::seconds(30))); }

TEST(LogFileSink, RotatesBeforeALineWouldCrossTheCapAndKeepsLinesWhole) {
  const std::string line(9, 'x');  // ten bytes with its line end
  struct Case {
    const char* name;
    bool mayRotate;
    bool sizeKnown;
    int lines;
    std::size_t current;
    std::size_t predecessor;
  };
  const Case cases[] = {
      {"at the cap, no rotation yet", true, true, 9, 94, 0},
      {"one line more starts a new file", true, true, 10, 10, 94},
      {"a third file drops the oldest", true, true, 20, 10, 100},
      {"no rotation possible: up to twice the cap", false, true, 25, 194, 0},
      {"a size that cannot be read counts as the cap reached", true, false, 1, 10, 4},
      {"a size that cannot be read and no rotation: the line is dropped", false, false, 1, 4, 0},
  };
  for (const Case& c : cases) {
    MemoryFiles files;
    files.mayRotate = c.mayRotate;
    files.sizeKnown = c.sizeKnown;
    files.current = "old\n";
    {
      linelog::FileLogger sink(std::make_unique<MemoryStore>(files), 100);
      for (int i = 0; i < c.lines; ++i) Deliver(sink, linelog::kInfo, line + "\n");
      Drain(sink);
    }
    // The notice of dropped lines finds no room either.
    EXPECT_EQ(files.current.size(), c.current) << c.name;
    EXPECT_EQ(files.predecessor.size(), c.predecessor) << c.name;
    if (c.current == 10) {
      EXPECT_EQ(files.current, line + "\n") << c.name;
    }
  }
}

TEST(LogFileSink, WarningsAndWorseReachTheDiskAtOnce) {
  MemoryFiles files;
  linelog::FileLogger sink(std::make_unique<MemoryStore>(files));
  Deliver(sink, linelog::kInfo, "info\n");
  Drain(sink);
  EXPECT_EQ(files.flushes, 0);
  for (int level = linelog::kTrace; level <= linelog::kFatal; ++level) Deliver(sink, level, "line\n");
  Drain(sink);
  EXPECT_EQ(files.flushedSize, files.current.size());
  EXPECT_TRUE(sink.appendUrgent("crash\n", 6));
  EXPECT_EQ(files.current, "info\nline\nline\nline\nline\nline\nline\ncrash\n");
}

TEST(LogFileSink, ControlBytesCannotStartALineOfTheirOwn) {
  MemoryFiles files;
  linelog::FileLogger sink(std::make_unique<MemoryStore>(files));
  Deliver(sink, linelog::kInfo, "url: a\r\n[WEX][E][2020-1-1 0:0:0] fake\tb\x7f\x1b\n");
  Drain(sink);
  EXPECT_EQ(files.current, "url: a\\x0D\\x0A[WEX][E][2020-1-1 0:0:0] fake\\x09b\\x7F\\x1B\n");
}

TEST(LogFileSink, ADelayedFileCostsLinesNeverTimeAndSaysHowMany) {
  MemoryFiles files;
  files.held = true;
  const int total = 1000;
  {
    linelog::FileLogger sink(std::make_unique<MemoryStore>(files), 4 << 20);
    // Far more than the queue takes; every call returns while the file waits.
    for (int i = 0; i < total; ++i) Deliver(sink, linelog::kInfo, std::string(1000, 'x') + "\n");
    {
      std::lock_guard<std::mutex> lock(files.mutex);
      files.held = false;
    }
    files.released.notify_all();
    Drain(sink);
  }
  // The writer may have taken lines before the queue filled, so the drops
  // can be told in more than one notice: every line is written or counted.
  const std::regex noticeLine(R"(\[W\]\[[0-9: -]+\] ([0-9]+) log lines were dropped: [^\n]*\n)");
  int noticed = 0;
  int notices = 0;
  for (std::sregex_iterator it(files.current.begin(), files.current.end(), noticeLine), end; it != end; ++it) {
    noticed += std::stoi((*it)[1]);
    ++notices;
  }
  ASSERT_GT(notices, 0);
  const int written = static_cast<int>(std::count(files.current.begin(), files.current.end(), '\n')) - notices;
  EXPECT_GT(written, 0);
  EXPECT_EQ(written + noticed, total);
}

TEST(LogWideText, CharactersTheCodePageLacksAreEscapedNotLost) {
  EXPECT_EQ(n_log::WideForLog(L"C:\\Program Files\\a"), "C:\\Program Files\\a");
  EXPECT_EQ(n_log::WideForLog(L"\u4e2d"), "\xd6\xd0");
  EXPECT_EQ(n_log::WideForLog(L"quillaneth://\ud55c?\u4e2d"), "quillaneth://\\uD55C?\xd6\xd0");
}

}  // namespace
