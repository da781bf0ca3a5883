#pragma once
// The log statement used by both programs:
//   ZM_LOG(linelog::kInfo) << "par: " << wideText;
// or the level shorthands ZM_TRACE ... ZM_FATAL. The line is finished and
// delivered at the end of the statement.

#include <string>

#include "logging/linelog.h"

namespace n_log {

class CustomLogMessage : public linelog::LogMessage {
 public:
  CustomLogMessage(linelog::BaseLogger* logger, const char* sourcePath, int line, int level,
                   const char* functionName);
  void writePrefix() override;
  const char* functionName() const { return functionName_; }

  template <class T>
  CustomLogMessage& operator<<(const T& piece) {
    stream() << piece;
    return *this;
  }
  CustomLogMessage& operator<<(const std::wstring& piece);
  CustomLogMessage& operator<<(const wchar_t* piece);

 private:
  const char* functionName_;
};

// «[TAG][L][Y-M-D h:m:s] » with no zero padding.
std::string FormatPrefix(const std::string& tag, int level, const std::tm& utc);

}  // namespace n_log

#define ZM_LOG(level) \
  n_log::CustomLogMessage(&linelog::ProcessLogger(), __FILE__, __LINE__, (level), __func__)
#define ZM_TRACE ZM_LOG(linelog::kTrace)
#define ZM_DEBUG ZM_LOG(linelog::kDebug)
#define ZM_INFO ZM_LOG(linelog::kInfo)
#define ZM_WARN ZM_LOG(linelog::kWarn)
#define ZM_ERROR ZM_LOG(linelog::kError)
#define ZM_FATAL ZM_LOG(linelog::kFatal)
