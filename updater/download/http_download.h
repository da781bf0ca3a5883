#pragma once
// HTTP/1.1 ranged download of the update package: the size probe with
// redirection, the transfer of one segment, and one whole attempt (four
// segments in parallel, watchdog, join, length and digest checks, rename).
// Diagnostics go to standard output.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "updater/download/download_session.h"
#include "updater/download/proxy_route.h"

struct DownloadStatus;
struct SegmentTask;
class StdioFile;
namespace release {
struct FullPackageRef;
}

class CHttpDownload {
 public:
  // Result codes of an attempt.
  static constexpr int kSuccess = 1;
  static constexpr int kNoSize = -1;
  static constexpr int kCannotCreatePackage = -2;
  static constexpr int kSegmentMissing = -3;
  static constexpr int kWrongLength = -4;
  static constexpr int kWrongDigest = -5;
  static constexpr int kRedirected = -6;
  // The transfers ended with a segment short (cut off, closed early or
  // failed): nothing was joined or deleted, and the next attempt resumes
  // each segment from its file.
  static constexpr int kSegmentsShort = -7;
  // The owner went away during the attempt; nothing was joined or checked and
  // the segment files stay for the next run. Only ever seen by the worker.
  static constexpr int kStopped = 0;

  static constexpr std::int64_t kProbeRedirected = -302;

  CHttpDownload();
  // Stops a running attempt: its connections are closed at once and no
  // further attempt starts. Does not wait for any thread.
  virtual ~CHttpDownload();
  CHttpDownload(const CHttpDownload&) = delete;
  CHttpDownload& operator=(const CHttpDownload&) = delete;

  // The session the worker's threads run under; it outlives this object.
  std::shared_ptr<DownloadSession> session() const { return session_; }

  // One attempt under this object's session; see RunAttempt.
  int Download(std::string& host, std::string& requestPath, DownloadStatus& status);

  // One attempt: probe, four transfers under the watchdog, join, checks and
  // rename. A redirection rewrites host and requestPath. Returns one of the
  // result codes above. Only one attempt runs at a time in the process.
  // A package `named` by a signed release manifest must have the size, MD5
  // and SHA-256 it names (a probe that says another size: kWrongLength,
  // before anything is fetched); otherwise the MD5 is status.expectedMd5.
  static int RunAttempt(DownloadSession& session, std::string& host, std::string& requestPath,
                        DownloadStatus& status, const release::FullPackageRef* named = nullptr);

  // Size probe over route: the package size (also stored in status.totalSize),
  // 0 when it could not be learned, kProbeRedirected after rewriting host and
  // requestPath.
  static std::int64_t QueryFileSize(std::string& host, std::string& requestPath, DownloadStatus& status,
                                    const std::shared_ptr<AttemptState>& attempt,
                                    const ProxyRoute& route = {});

  // Body of one transfer thread: appends the segment's missing bytes to its
  // file. Never throws.
  static void TransferSegment(SegmentTask& task, const std::shared_ptr<AttemptState>& attempt);

  // Appends one chunk to file, the segment file opened for appending, and
  // counts it into received. False when it cannot be written.
  static bool WriteChunk(const std::filesystem::path& segmentFile, const char* chunk, std::size_t size,
                         std::uint32_t& received, StdioFile& file);

  // The request text of both exchanges; offset 0 for the probe. Plain HTTP
  // through a proxy names the absolute URL in the request line; everything
  // else is the same, byte for byte.
  static std::string BuildRequest(const std::string& host, const std::string& requestPath,
                                  std::uint64_t offset, const ProxyRoute& route = {});

 private:
  std::shared_ptr<DownloadSession> session_;
};
