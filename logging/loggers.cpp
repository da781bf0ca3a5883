#include <iostream>

#include "logging/file_logger.h"
#include "logging/linelog.h"
#include "platform/platform.h"

namespace linelog {

void SendDebugPiece(const std::string& piece) {
  if (!piece.empty()) platform::DebugOutput(piece.c_str());
}

bool OstreamLogger::deliver(LogData& record) {
  const std::size_t length = record.buffer.length();
  record.text[length] = '\0';
  stream_->write(record.text, static_cast<std::streamsize>(length));
  stream_->flush();
  return true;
}

StdErrLogger::StdErrLogger() : OstreamLogger(&std::cerr) {}

OutputDebugStringLogger::OutputDebugStringLogger() : OstreamLogger(nullptr) { setStream(&debugStream_); }

FilteringLogger::~FilteringLogger() {
  if (ownsTarget_) delete target_;
}

bool FilteringLogger::deliver(LogData& record) {
  if (record.level < lowestLevel_) return true;
  return target_ != nullptr && target_->deliver(record);
}

ZmDbgLogger::ZmDbgLogger()
    : ZmFilteringLogger(kTrace, nullptr, false), sink_(std::make_unique<OutputDebugStringLogger>()) {
  setTarget(sink_.get());
}

ZmStdLogger::ZmStdLogger() : ZmFilteringLogger(kTrace, nullptr, false), sink_(std::make_unique<StdErrLogger>()) {
  setTarget(sink_.get());
}

void ZmLogger::addDebugSink() {
  dbgSink_ = std::make_unique<ZmDbgLogger>();
  sinks_.push_back({dbgSink_.get(), SinkKind::Debug});
}

void ZmLogger::addStdErrSink() {
  stdSink_ = std::make_unique<ZmStdLogger>();
  sinks_.push_back({stdSink_.get(), SinkKind::StdErr});
}

void ZmLogger::addFileSink(std::unique_ptr<FileLogger> sink) {
  std::lock_guard<std::mutex> lock(deliveryMutex_);
  fileSink_ = sink.get();
  fileSinkOwner_ = std::move(sink);
  sinks_.push_back({fileSink_, SinkKind::File});
}

bool& ZmLogger::switchOf(SinkKind kind) {
  if (kind == SinkKind::StdErr) return stdEnabled_;
  return kind == SinkKind::Debug ? dbgEnabled_ : fileEnabled_;
}

void ZmLogger::setEnabled(SinkKind kind, bool enabled) { switchOf(kind) = enabled; }

bool ZmLogger::deliver(LogData& record) {
  std::lock_guard<std::mutex> lock(deliveryMutex_);
  bool answer = true;
  for (const SinkEntry& entry : sinks_) {
    const bool takesPart = switchOf(entry.kind);
    if (!takesPart) continue;
    if (!answer) break;
    try {
      answer = entry.sink->deliver(record);
    } catch (...) {
      return answer;
    }
  }
  return answer;
}

}  // namespace linelog
