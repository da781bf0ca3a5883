#pragma once
// The statement logger: one stack message per statement that writes a fixed
// one-line prefix and the streamed text into a 20000-character record, then
// hands the finished line to the program's process logger, which passes it to
// its sinks in order.

#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace linelog {

enum Level { kTrace = 0, kDebug = 1, kInfo = 2, kWarn = 3, kError = 4, kFatal = 5 };

// "T", "D", "I", "W", "E", "F"; "O" for any other value.
const char* LevelLetter(int level);
const char* LevelName(int level);

// The tag printed in every line ("ZVK" in the updater, "WEX" in the launcher).
const std::string& ProgramTag();
void SetProgramTag(const std::string& tag);

namespace helpers {

// A put area over a caller's fixed array that never grows: a character that
// does not fit, and every later one, is dropped and the stream goes bad.
class fixed_streambuf : public std::streambuf {
 public:
  fixed_streambuf(char* begin, std::size_t capacity) { setp(begin, begin + capacity); }
  std::size_t length() const { return static_cast<std::size_t>(pptr() - pbase()); }
  std::size_t capacity() const { return static_cast<std::size_t>(epptr() - pbase()); }
  char* putPosition() const { return pptr(); }
  void stepBack() { pbump(-1); }

 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
};

}  // namespace helpers

struct LogData {
  static constexpr std::size_t kTextCapacity = 20000;

  explicit LogData(int level);
  virtual ~LogData() = default;
  LogData(const LogData&) = delete;
  LogData& operator=(const LogData&) = delete;

  char text[kTextCapacity + 1] = {};
  helpers::fixed_streambuf buffer;
  std::ostream stream;
  int prefixLength = 0;
  int level;
  int line = 0;
  const char* sourcePath = nullptr;
  const char* sourceFile = nullptr;
  std::int64_t timestamp = 0;
  std::tm brokenDownTime = {};
};

// The text after the last '/', else after the last '\\', else the whole path.
const char* SourceFileOf(const char* path);

class BaseLogger {
 public:
  // True when the logger is finished with the record.
  virtual bool deliver(LogData& record) = 0;
  virtual ~BaseLogger() = default;
};

class OstreamLogger : public BaseLogger {
 public:
  explicit OstreamLogger(std::ostream* stream) : stream_(stream) {}
  bool deliver(LogData& record) override;

 protected:
  void setStream(std::ostream* stream) { stream_ = stream; }

 private:
  std::ostream* stream_;
};

class StdErrLogger : public OstreamLogger {
 public:
  StdErrLogger();
};

// Passes one staged piece to the debugger output.
void SendDebugPiece(const std::string& piece);

// A stream buffer whose put area is a 256-byte stage; every full stage and
// every flush goes to the debugger output as one piece.
template <class CharT>
class OutputDebugStringBuf : public std::basic_stringbuf<CharT> {
 public:
  using int_type = typename std::basic_stringbuf<CharT>::int_type;
  using traits_type = typename std::basic_stringbuf<CharT>::traits_type;
  static constexpr std::size_t kStageSize = 256;

  OutputDebugStringBuf() : stage_(kStageSize, CharT()) { resetStage(); }

 protected:
  int sync() override {
    try {
      SendDebugPiece(std::string(this->pbase(), this->pptr()));
      resetStage();
      return 0;
    } catch (...) {
      return -1;
    }
  }
  int_type overflow(int_type c) override {
    if (sync() != 0) return -1;
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *this->pptr() = traits_type::to_char_type(c);
      this->pbump(1);
    }
    return 0;
  }

 private:
  void resetStage() { this->setp(stage_.data(), stage_.data() + stage_.size()); }
  std::vector<CharT> stage_;
};

class outputdebug_buf : public OutputDebugStringBuf<char> {};

class outputdebug_stream : public std::ostream {
 public:
  outputdebug_stream() : std::ostream(&buffer_) {}

 private:
  outputdebug_buf buffer_;
};

class OutputDebugStringLogger : public OstreamLogger {
 public:
  OutputDebugStringLogger();

 private:
  outputdebug_stream debugStream_;
};

class FilteringLogger : public BaseLogger {
 public:
  FilteringLogger(int lowestLevel, BaseLogger* target, bool ownsTarget)
      : lowestLevel_(lowestLevel), target_(target), ownsTarget_(ownsTarget) {}
  ~FilteringLogger() override;
  FilteringLogger(const FilteringLogger&) = delete;
  FilteringLogger& operator=(const FilteringLogger&) = delete;
  bool deliver(LogData& record) override;

 protected:
  void setTarget(BaseLogger* target) { target_ = target; }

 private:
  int lowestLevel_;
  BaseLogger* target_;
  bool ownsTarget_;
};

class ZmFilteringLogger : public FilteringLogger {
 public:
  using FilteringLogger::FilteringLogger;
};

// The debugger-output sink. The filter does not own its target; the sink
// object keeps it alive alongside.
class ZmDbgLogger : public ZmFilteringLogger {
 public:
  ZmDbgLogger();

 private:
  std::unique_ptr<OutputDebugStringLogger> sink_;
};

class ZmStdLogger : public ZmFilteringLogger {
 public:
  ZmStdLogger();

 private:
  std::unique_ptr<StdErrLogger> sink_;
};

class FileLogger;

// The process logger: passes each line to its sinks in list order. Delivery
// is serialised so that lines from two threads never interleave.
class ZmLogger : public BaseLogger {
 public:
  enum class SinkKind { StdErr, Debug, File };

  ZmLogger() = default;
  bool deliver(LogData& record) override;

  void addDebugSink();
  void addStdErrSink();
  // Appends the log file sink after the others; any thread, once.
  void addFileSink(std::unique_ptr<FileLogger> sink);
  // The log file sink, or null before addFileSink.
  FileLogger* fileSink() const { return fileSink_; }
  void setEnabled(SinkKind kind, bool enabled);

 private:
  struct SinkEntry {
    BaseLogger* sink;
    SinkKind kind;
  };
  bool& switchOf(SinkKind kind);

  std::unique_ptr<ZmStdLogger> stdSink_;
  std::unique_ptr<ZmDbgLogger> dbgSink_;
  std::unique_ptr<BaseLogger> fileSinkOwner_;
  FileLogger* fileSink_ = nullptr;
  bool stdEnabled_ = true;
  bool dbgEnabled_ = true;
  bool fileEnabled_ = true;
  std::vector<SinkEntry> sinks_;
  std::mutex deliveryMutex_;
};

// The program's process logger, defined by the program's logger library
// (zvk_log_updater or zvk_log_launcher).
ZmLogger& ProcessLogger();

// What a program's logger library builds once: the tag set and the sinks
// added in their delivery order (the debugger output, then standard error
// when asked for).
struct ProgramLogger {
  ProgramLogger(const char* tag, bool withStdErr) {
    SetProgramTag(tag);
    logger.addDebugSink();
    if (withStdErr) logger.addStdErrSink();
  }
  ZmLogger logger;
};

class LogMessage {
 public:
  LogMessage(BaseLogger* logger, const char* sourcePath, int line, int level);
  virtual ~LogMessage();
  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;

  virtual void writePrefix() = 0;

  std::ostream& stream() { return record_->stream; }
  const LogData& record() const { return *record_; }

 protected:
  LogData& data() { return *record_; }

 private:
  void finish();

  BaseLogger* logger_;
  bool finished_ = false;
  bool deleteRecord_ = false;
  std::unique_ptr<LogData> record_;
};

}  // namespace linelog
