// The log file sink's size cap and flushes, over a store held in memory.
#include "logging/file_logger.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct MemoryFiles {
  std::string current;
  std::string predecessor;
  bool mayRotate = true;
  int flushes = 0;
};

class MemoryStore : public linelog::LogFileStore {
 public:
  explicit MemoryStore(MemoryFiles& files) : files_(files) {}
  bool append(const char* bytes, std::size_t size) override {
    files_.current.append(bytes, size);
    return true;
  }
  std::int64_t size() override { return static_cast<std::int64_t>(files_.current.size()); }
  void flush() override { ++files_.flushes; }
  bool rotate() override {
    if (!files_.mayRotate) return false;
    files_.predecessor = std::move(files_.current);
    files_.current.clear();
    return true;
  }

 private:
  MemoryFiles& files_;
};

void Deliver(linelog::FileLogger& sink, int level, const std::string& line) {
  linelog::LogData record(level);
  record.stream << line;
  sink.deliver(record);
}

TEST(LogFileSink, RotatesBeforeALineWouldCrossTheCapAndKeepsLinesWhole) {
  const std::string line(9, 'x');  // ten bytes with its line end
  struct Case {
    const char* name;
    bool mayRotate;
    int lines;
    std::size_t current;
    std::size_t predecessor;
  };
  const Case cases[] = {
      {"at the cap, no rotation yet", true, 10, 100, 0},
      {"one line more starts a new file", true, 11, 10, 100},
      {"a third file drops the oldest", true, 21, 10, 100},
      {"no rotation possible: up to twice the cap", false, 25, 200, 0},
  };
  for (const Case& c : cases) {
    MemoryFiles files;
    files.mayRotate = c.mayRotate;
    linelog::FileLogger sink(std::make_unique<MemoryStore>(files), 100);
    for (int i = 0; i < c.lines; ++i) Deliver(sink, linelog::kInfo, line + "\n");
    EXPECT_EQ(files.current.size(), c.current) << c.name;
    EXPECT_EQ(files.predecessor.size(), c.predecessor) << c.name;
    EXPECT_EQ(files.current.find(line + "\n"), 0u) << c.name;
  }
}

TEST(LogFileSink, WarningsAndWorseReachTheDiskAtOnce) {
  MemoryFiles files;
  linelog::FileLogger sink(std::make_unique<MemoryStore>(files));
  for (int level = linelog::kTrace; level <= linelog::kFatal; ++level) Deliver(sink, level, "line\n");
  EXPECT_EQ(files.flushes, 3);
  EXPECT_TRUE(sink.appendUrgent("crash\n", 6));
  EXPECT_EQ(files.flushes, 4);
  EXPECT_EQ(files.current, "line\nline\nline\nline\nline\nline\ncrash\n");
}

}  // namespace
