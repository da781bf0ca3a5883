#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "logging/n_log.h"
#include "platform/platform.h"

namespace {

// Captures what the launcher's process logger sends to the debugger output
// and to standard error while it lives.
class CapturedSinks {
 public:
  CapturedSinks() : oldErr_(std::cerr.rdbuf(err_.rdbuf())) {
    platform::SetDebugOutputSink([this](const char* piece) { pieces_.emplace_back(piece); });
  }
  ~CapturedSinks() {
    platform::SetDebugOutputSink(nullptr);
    std::cerr.rdbuf(oldErr_);
  }
  const std::vector<std::string>& debugPieces() const { return pieces_; }
  std::string debugText() const {
    std::string all;
    for (const auto& piece : pieces_) all += piece;
    return all;
  }
  std::string stdErrText() const { return err_.str(); }

 private:
  std::ostringstream err_;
  std::streambuf* oldErr_;
  std::vector<std::string> pieces_;
};

std::string PrefixFor(int level) {
  std::string line;
  {
    CapturedSinks sinks;
    ZM_LOG(level) << "";
    line = sinks.debugText();
  }
  return line.substr(0, line.size() - 1);
}

std::tm Utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm t = {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

TEST(LogPrefix, FieldsAreNotZeroPadded) {
  EXPECT_EQ("[WEX][I][2018-1-3 9:5:7] ", n_log::FormatPrefix("WEX", linelog::kInfo, Utc(2018, 1, 3, 9, 5, 7)));
  EXPECT_EQ("[ZVK][T][2019-1-1 0:0:5] ", n_log::FormatPrefix("ZVK", linelog::kTrace, Utc(2019, 1, 1, 0, 0, 5)));
}

TEST(LogPrefix, LevelLettersAndUnknownLevel) {
  EXPECT_STREQ("D", linelog::LevelLetter(1));
  EXPECT_STREQ("W", linelog::LevelLetter(3));
  EXPECT_STREQ("E", linelog::LevelLetter(4));
  EXPECT_STREQ("F", linelog::LevelLetter(5));
  EXPECT_STREQ("O", linelog::LevelLetter(9));
  EXPECT_STREQ("O", linelog::LevelLetter(-1));
  EXPECT_STREQ("OTHER", linelog::LevelName(9));
  EXPECT_EQ(0u, PrefixFor(9).find("[WEX][O]["));
}

TEST(LogSourceFile, TakesTextAfterLastSeparator) {
  EXPECT_STREQ("main.cpp", linelog::SourceFileOf("..\\main.cpp"));
  EXPECT_STREQ("c.cpp", linelog::SourceFileOf("a\\b/c.cpp"));
  EXPECT_STREQ("plain.cpp", linelog::SourceFileOf("plain.cpp"));
}

TEST(LogLine, LauncherLineGoesToDebugOutputThenStdErr) {
  CapturedSinks sinks;
  ZM_INFO << "par: " << std::wstring(L"course?id=7");
  const std::string line = sinks.debugText();
  EXPECT_EQ(0u, line.find("[WEX][I]["));
  EXPECT_NE(std::string::npos, line.find("] par: course?id=7\n"));
  EXPECT_EQ(line, sinks.stdErrText());
}

TEST(LogLine, WideChineseTextIsConvertedToCodePage936) {
  CapturedSinks sinks;
  ZM_INFO << L"\u4e2d\u6587";
  EXPECT_NE(std::string::npos, sinks.debugText().find("] \xd6\xd0\xce\xc4\n"));
}

TEST(LogLine, WideTextOfEveryFormIsConvertedNeverLoggedAsAnAddress) {
  wchar_t buffer[8] = L"\u4e2d\u6587";
  wchar_t* mutablePointer = buffer;
  const wchar_t* constPointer = buffer;
  const std::vector<std::pair<const char*, std::function<void()>>> forms = {
      {"wchar_t[N]", [&] { ZM_INFO << buffer; }},
      {"wchar_t*", [&] { ZM_INFO << mutablePointer; }},
      {"const wchar_t*", [&] { ZM_INFO << constPointer; }},
      {"std::wstring", [&] { ZM_INFO << std::wstring(buffer); }},
  };
  for (const auto& form : forms) {
    CapturedSinks sinks;
    form.second();
    EXPECT_NE(std::string::npos, sinks.debugText().find("] \xd6\xd0\xce\xc4\n")) << form.first;
  }
}

TEST(LogLine, WideTextOutsideCodePage936ContributesNothing) {
  CapturedSinks sinks;
  ZM_INFO << "a" << std::wstring(L"\U0001F600") << "b";
  EXPECT_NE(std::string::npos, sinks.debugText().find("] ab\n"));
}

TEST(LogLine, TextEndingInNewlineGetsNoSecondLineEnd) {
  CapturedSinks sinks;
  ZM_INFO << "done\n";
  const std::string line = sinks.debugText();
  EXPECT_EQ("done\n", line.substr(line.size() - 5));
}

TEST(LogLine, EmptyTextGivesPrefixAndLineEnd) {
  CapturedSinks sinks;
  ZM_WARN << "";
  const std::string line = sinks.debugText();
  EXPECT_EQ("] \n", line.substr(line.size() - 3));
  EXPECT_EQ(0u, line.find("[WEX][W]["));
}

TEST(LogLine, IntegersArePlainDecimal) {
  CapturedSinks sinks;
  ZM_INFO << "code " << 1022 << " " << -6;
  EXPECT_NE(std::string::npos, sinks.debugText().find("] code 1022 -6\n"));
}

TEST(LogLine, OverlongTextIsCutTo20000CharactersEndingInNewline) {
  CapturedSinks sinks;
  ZM_INFO << std::string(30000, 'x');
  const std::string line = sinks.debugText();
  ASSERT_EQ(20000u, line.size());
  EXPECT_EQ('\n', line.back());
  EXPECT_EQ('x', line[line.size() - 2]);
}

TEST(LogDebugStage, LineOf256BytesIsOnePieceAnd257IsTwo) {
  const size_t prefixLength = PrefixFor(linelog::kInfo).size();
  {
    CapturedSinks sinks;
    ZM_INFO << std::string(256 - prefixLength - 1, 'a');
    ASSERT_EQ(1u, sinks.debugPieces().size());
    EXPECT_EQ(256u, sinks.debugPieces()[0].size());
  }
  {
    CapturedSinks sinks;
    ZM_INFO << std::string(257 - prefixLength - 1, 'a');
    ASSERT_EQ(2u, sinks.debugPieces().size());
    EXPECT_EQ(256u, sinks.debugPieces()[0].size());
    EXPECT_EQ("\n", sinks.debugPieces()[1]);
  }
}

TEST(LogDebugStage, LongLineArrivesInOrderedPiecesOfAtMost256) {
  CapturedSinks sinks;
  ZM_INFO << std::string(1000, 'q');
  const auto& pieces = sinks.debugPieces();
  const size_t total = sinks.debugText().size();
  EXPECT_EQ((total + 255) / 256, pieces.size());
  for (const auto& piece : pieces) EXPECT_LE(piece.size(), 256u);
}

TEST(LogDelivery, LinesFromManyThreadsNeverInterleave) {
  CapturedSinks sinks;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) ZM_INFO << std::string(300, static_cast<char>('a' + t));
    });
  }
  for (auto& thread : threads) thread.join();
  std::istringstream lines(sinks.debugText());
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    ++count;
    const std::string body = line.substr(line.find("] ") + 2);
    ASSERT_EQ(std::string(300, body[0]), body);
  }
  EXPECT_EQ(800, count);
}

class CountingLogger : public linelog::BaseLogger {
 public:
  explicit CountingLogger(bool answer) : answer_(answer) {}
  bool deliver(linelog::LogData&) override {
    ++calls;
    return answer_;
  }
  int calls = 0;

 private:
  bool answer_;
};

TEST(LogFilter, RecordsBelowLowestLevelAreAnsweredTrueWithoutDelivery) {
  CountingLogger target(false);
  linelog::FilteringLogger filter(linelog::kWarn, &target, false);
  linelog::LogData info(linelog::kInfo);
  linelog::LogData error(linelog::kError);
  EXPECT_TRUE(filter.deliver(info));
  EXPECT_EQ(0, target.calls);
  EXPECT_FALSE(filter.deliver(error));
  EXPECT_EQ(1, target.calls);
  linelog::FilteringLogger empty(linelog::kTrace, nullptr, false);
  EXPECT_FALSE(empty.deliver(info));
}

}  // namespace
