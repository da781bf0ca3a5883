// The body of one transfer thread of CHttpDownload.
#include <algorithm>
#include <boost/asio/error.hpp>
#include <boost/system/system_error.hpp>
#include <mutex>
#include <vector>

#include "platform/never_destroyed.h"
#include "updater/download/attempt_state.h"
#include "updater/download/diagnostics.h"
#include "updater/download/download_status.h"
#include "updater/download/head_reader.h"
#include "updater/download/http_connection.h"
#include "updater/download/http_download.h"
#include "updater/download/package_digests.h"
#include "updater/download/response_header.h"
#include "updater/download/segment_task.h"
#include "updater/download/stdio_file.h"

namespace {

constexpr std::size_t kTransferReadSize = 256 * 1024;

std::mutex& StatusMutex() {
  static platform::NeverDestroyed<std::mutex> mutex;
  return mutex.get();
}

}  // namespace

// Adds to the progress display under the status mutex, taken by try-lock: a
// busy mutex costs the display one addition and never holds up a transfer.
void AddDownloadedBytes(DownloadStatus* status, std::uint64_t bytes) {
  std::unique_lock<std::mutex> lock(StatusMutex(), std::try_to_lock);
  if (lock.owns_lock() && status) status->downloadedSize += static_cast<std::int64_t>(bytes);
}

namespace {

// Feeds segment 0's digests with what a transfer from an empty file wrote,
// in order, up to the segment's end. After a failed write the file may hold
// part of the chunk, so feeding stops there and the join digests the rest.
void DigestWritten(SegmentTask& task, bool& digesting, bool written, const char* chunk, std::size_t size) {
  if (!digesting) return;
  if (!written) {
    digesting = false;
    return;
  }
  const std::size_t within = std::min<std::size_t>(size, task.rangeEnd - task.rangeBegin - task.digested);
  task.digests->Update(chunk, within);
  task.digested += static_cast<std::uint32_t>(within);
}

// Reads the response and appends its body to file, the segment file opened
// for appending, until the segment is complete or the stream ends. Returns
// the error that ended the reads (clear when the segment completed).
boost::system::error_code ReceiveSegment(HttpConnection& connection, SegmentTask& task, StdioFile& file,
                                         std::uint64_t resumedLength, AttemptState& attempt) {
  const std::uint32_t segmentLength = task.rangeEnd - task.rangeBegin;
  // Bytes of this segment counted for the progress display. The last chunk of
  // a segment usually runs past its end (the range is open); only the part
  // within the segment counts, so the display never passes 100 %.
  std::uint64_t counted = std::min<std::uint64_t>(resumedLength, segmentLength);
  HeadReader head;
  bool headParsed = false;
  bool digesting = task.digests != nullptr && resumedLength == 0;
  std::vector<char> data(kTransferReadSize);
  boost::system::error_code error;
  for (;;) {
    const std::size_t got = connection.ReadSome(data.data(), data.size(), error);
    if (got == 0) break;
    if (task.received >= segmentLength) break;
    const char* chunk = data.data();
    std::size_t size = got;
    if (!headParsed) {
      const HeadReader::State state = head.Append(chunk, size);
      if (state == HeadReader::State::kIncomplete) continue;
      if (state == HeadReader::State::kTooLarge) {
        PrintDiagnostic("Invalid response\n");
        return {};
      }
      ResponseHeader header;
      if (!ParseResponseHeader(header, head.buffer(), head.headEnd())) return {};
      headParsed = true;
      chunk = head.buffer().data();
      size = head.buffer().size();
    }
    const bool written = CHttpDownload::WriteChunk(task.segmentFile, chunk, size, task.received, file);
    DigestWritten(task, digesting, written, chunk, size);
    // Appending after a lost chunk would leave a gap that only the digest of
    // the whole package finds: the segment ends here, short, as after an
    // early close, and the next attempt resumes from what the file holds.
    if (!written) return {};
    const std::uint64_t within = std::min<std::uint64_t>(size, segmentLength - counted);
    counted += within;
    AddDownloadedBytes(task.status, within);
    ++attempt.progressTicks;
  }
  if (error == boost::asio::error::eof) error.clear();
  return error;
}

}  // namespace

void CHttpDownload::TransferSegment(SegmentTask& task, const std::shared_ptr<AttemptState>& attempt) {
  try {
    // The bytes on disk are measured through the handle the new ones are
    // appended to: a file that could not be read at this moment (a scanner
    // holding it) must not pass for empty while the append goes on behind
    // its stale bytes.
    StdioFile file(task.segmentFile, "ab");
    const std::int64_t fileLength = file ? StreamLength(file.get()) : -1;
    if (fileLength < 0) {
      PrintDiagnostic(" exception = " + task.segmentFile.u8string() + " cannot be opened for appending\n");
      return;
    }
    const std::uint64_t resumedLength = static_cast<std::uint64_t>(fileLength);
    const std::uint32_t segmentLength = task.rangeEnd - task.rangeBegin;
    // A segment already whole on disk asks for nothing: an open range from
    // its end would only fetch bytes the join ignores.
    if (segmentLength != 0 && resumedLength >= segmentLength) {
      task.received = segmentLength;
      AddDownloadedBytes(task.status, segmentLength);
      return;
    }
    task.received = static_cast<std::uint32_t>(resumedLength);
    HttpConnection connection(attempt);
    connection.Connect(task.host, task.route);
    const std::string request =
        BuildRequest(task.host, task.requestPath, task.rangeBegin + resumedLength, task.route);
    AddDownloadedBytes(task.status, resumedLength);
    connection.Send(request);
    const boost::system::error_code error = ReceiveSegment(connection, task, file, resumedLength, *attempt);
    // A cut-off or a stop closed the connection on purpose; nothing to report.
    if (error && !attempt->Closed()) throw boost::system::system_error(error);
  } catch (const std::exception& e) {
    if (!attempt->Closed()) PrintDiagnostic(std::string("Exception: ") + e.what() + "\n");
  } catch (...) {
    PrintDiagnostic("Exception: unknown\n");
  }
}
