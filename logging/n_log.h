#pragma once
// The log statement used by both programs:
//   ZM_LOG(linelog::kInfo) << "par: " << wideText;
// or the level shorthands ZM_TRACE ... ZM_FATAL. The line is finished and
// delivered at the end of the statement.

#include <string>
#include <string_view>
#include <type_traits>

#include "logging/linelog.h"

namespace n_log {

// The pieces streamed as wide text: wchar_t, wchar_t*, const wchar_t*,
// wchar_t[N], std::wstring, std::wstring_view.
template <class T>
struct IsWideText
    : std::bool_constant<
          std::is_same_v<std::decay_t<T>, wchar_t> || std::is_same_v<std::decay_t<T>, wchar_t*> ||
          std::is_same_v<std::decay_t<T>, const wchar_t*> || std::is_same_v<std::decay_t<T>, std::wstring> ||
          std::is_same_v<std::decay_t<T>, std::wstring_view>> {};

class CustomLogMessage : public linelog::LogMessage {
 public:
  CustomLogMessage(linelog::BaseLogger* logger, const char* sourcePath, int line, int level,
                   const char* functionName);
  void writePrefix() override;
  const char* functionName() const { return functionName_; }

  template <class T, std::enable_if_t<!IsWideText<T>::value, int> = 0>
  CustomLogMessage& operator<<(const T& piece) {
    stream() << piece;
    return *this;
  }
  // Wide text of every form goes through the code-page conversion; a null
  // pointer is empty text, and an array is read no further than its end.
  template <class T, std::enable_if_t<IsWideText<T>::value, int> = 0>
  CustomLogMessage& operator<<(const T& piece) {
    if constexpr (std::is_array_v<T>) {
      const std::wstring_view all(piece, std::extent_v<T>);
      return appendWide(all.substr(0, all.find(L'\0')));
    } else if constexpr (std::is_pointer_v<std::decay_t<T>>) {
      return appendWide(piece == nullptr ? std::wstring_view() : std::wstring_view(piece));
    } else if constexpr (std::is_same_v<std::decay_t<T>, wchar_t>) {
      return appendWide(std::wstring_view(&piece, 1));
    } else {
      return appendWide(piece);
    }
  }

 private:
  CustomLogMessage& appendWide(std::wstring_view piece);

  const char* functionName_;
};

// Wide text for a line in which all of it matters (a command line, a
// folder): converted like any wide piece, but a character that code page
// 936 lacks is written as \uXXXX instead of the whole text going missing.
std::string WideForLog(std::wstring_view text);

// «[TAG][L][Y-M-D h:m:s] » with no zero padding.
std::string FormatPrefix(const std::string& tag, int level, const std::tm& utc);
// The same prefix into a caller's buffer, without allocating (for a crash
// report); cut to fit and NUL-terminated. Returns its length.
std::size_t FormatPrefixInto(char* out, std::size_t capacity, const char* tag, int level, const std::tm& utc);

}  // namespace n_log

#define ZM_LOG(level) \
  n_log::CustomLogMessage(&linelog::ProcessLogger(), __FILE__, __LINE__, (level), __func__)
#define ZM_TRACE ZM_LOG(linelog::kTrace)
#define ZM_DEBUG ZM_LOG(linelog::kDebug)
#define ZM_INFO ZM_LOG(linelog::kInfo)
#define ZM_WARN ZM_LOG(linelog::kWarn)
#define ZM_ERROR ZM_LOG(linelog::kError)
#define ZM_FATAL ZM_LOG(linelog::kFatal)
