#include <cstdio>
#include <cstring>
#include <ctime>

#include "logging/n_log.h"
#include "platform/never_destroyed.h"
#include "platform/string_convert.h"

namespace linelog {
namespace {

std::string& TagStorage() {
  static platform::NeverDestroyed<std::string> tag;
  return tag.get();
}

std::tm BreakDownUtc(std::time_t seconds) {
  std::tm result = {};
#if defined(_WIN32)
  gmtime_s(&result, &seconds);
#else
  gmtime_r(&seconds, &result);
#endif
  return result;
}

}  // namespace

const char* LevelLetter(int level) {
  static const char* const kLetters[] = {"T", "D", "I", "W", "E", "F"};
  return (level >= kTrace && level <= kFatal) ? kLetters[level] : "O";
}

const char* LevelName(int level) {
  static const char* const kNames[] = {"TRACE", "DEBUG", "INFO", "WARN", "ERROR", "FATAL"};
  return (level >= kTrace && level <= kFatal) ? kNames[level] : "OTHER";
}

const std::string& ProgramTag() { return TagStorage(); }
void SetProgramTag(const std::string& tag) { TagStorage() = tag; }

const char* SourceFileOf(const char* path) {
  if (path == nullptr) return nullptr;
  const char* slash = std::strrchr(path, '/');
  if (slash == nullptr) slash = std::strrchr(path, '\\');
  return slash == nullptr ? path : slash + 1;
}

LogData::LogData(int recordLevel) : buffer(text, kTextCapacity), stream(&buffer), level(recordLevel) {}

LogMessage::LogMessage(BaseLogger* logger, const char* sourcePath, int line, int level)
    : logger_(logger), record_(std::make_unique<LogData>(level)) {
  record_->sourcePath = sourcePath;
  record_->sourceFile = SourceFileOf(sourcePath);
  record_->line = line;
  const std::time_t now = std::time(nullptr);
  record_->timestamp = static_cast<std::int64_t>(now);
  record_->brokenDownTime = BreakDownUtc(now);
}

LogMessage::~LogMessage() { finish(); }

void LogMessage::finish() {
  if (finished_) return;
  helpers::fixed_streambuf& buffer = record_->buffer;
  const std::size_t length = buffer.length();
  if (length == 0 || record_->text[length - 1] != '\n') {
    // A full record loses its last character to the line end.
    if (length == buffer.capacity()) buffer.stepBack();
    buffer.sputc('\n');
  }
  try {
    deleteRecord_ = logger_ != nullptr && logger_->deliver(*record_);
  } catch (...) {
    deleteRecord_ = true;
  }
  finished_ = true;
  // No logger in these programs keeps a record after delivery, so the record
  // is released here whatever the answer was; keeping it would only leak it.
  record_.reset();
}

}  // namespace linelog

namespace n_log {

std::size_t FormatPrefixInto(char* out, std::size_t capacity, const char* tag, int level,
                             const std::tm& utc) {
  const int length =
      std::snprintf(out, capacity, "[%s][%s][%d-%d-%d %d:%d:%d] ", tag, linelog::LevelLetter(level),
                    utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
  if (length < 0 || capacity == 0) return 0;
  return static_cast<std::size_t>(length) < capacity ? static_cast<std::size_t>(length) : capacity - 1;
}

std::string FormatPrefix(const std::string& tag, int level, const std::tm& utc) {
  // The numbers take at most 48 characters whatever their values.
  std::string prefix(tag.size() + 64, '\0');
  prefix.resize(FormatPrefixInto(&prefix[0], prefix.size(), tag.c_str(), level, utc));
  return prefix;
}

CustomLogMessage::CustomLogMessage(linelog::BaseLogger* logger, const char* sourcePath, int line, int level,
                                   const char* functionName)
    : LogMessage(logger, sourcePath, line, level), functionName_(functionName) {
  writePrefix();
}

void CustomLogMessage::writePrefix() {
  const std::string prefix = FormatPrefix(linelog::ProgramTag(), record().level, record().brokenDownTime);
  stream() << prefix;
  data().prefixLength = static_cast<int>(prefix.size());
}

std::string WideForLog(std::wstring_view text) {
  const std::wstring whole(text);
  std::string converted = platform::WideToCodePage936(whole);
  if (!converted.empty() || whole.empty()) return converted;
  for (const wchar_t character : whole) {
    const std::string one = platform::WideToCodePage936(std::wstring(1, character));
    if (!one.empty()) {
      converted += one;
    } else {
      char code[16];
      std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(character));
      converted += code;
    }
  }
  return converted;
}

CustomLogMessage& CustomLogMessage::appendWide(std::wstring_view piece) {
  stream() << platform::WideToCodePage936(std::wstring(piece));
  return *this;
}

}  // namespace n_log
