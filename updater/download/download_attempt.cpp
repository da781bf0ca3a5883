// One download attempt of CHttpDownload: probe, transfers, join and checks.
#include <array>
#include <mutex>
#include <system_error>
#include <thread>

#include "logging/n_log.h"
#include "platform/never_destroyed.h"
#include "release/manifest.h"
#include "updater/download/diagnostics.h"
#include "updater/download/download_status.h"
#include "updater/download/engine_settings.h"
#include "updater/download/http_download.h"
#include "updater/download/package_digests.h"
#include "updater/download/package_url.h"
#include "updater/download/route_lookup.h"
#include "updater/download/segment_join.h"
#include "updater/download/segment_task.h"
#include "updater/download/watchdog.h"

namespace {

// One attempt at a time in the process: the segment files are shared by
// every attempt, and an attempt that was stopped may still be closing.
std::mutex& AttemptGate() {
  static platform::NeverDestroyed<std::mutex> gate;
  return gate.get();
}

class AttemptScope {
 public:
  explicit AttemptScope(DownloadSession& session) : session_(session), attempt_(session.BeginAttempt()) {}
  ~AttemptScope() { session_.EndAttempt(); }
  AttemptScope(const AttemptScope&) = delete;
  AttemptScope& operator=(const AttemptScope&) = delete;
  const std::shared_ptr<AttemptState>& attempt() const { return attempt_; }

 private:
  DownloadSession& session_;
  std::shared_ptr<AttemptState> attempt_;
};

// Starts the four transfers, watches them, and returns once all have ended.
// A transfer whose thread cannot be started counts as one that fetched
// nothing; the join and the checks then judge the attempt.
void RunTransfers(SegmentPlan& plan, const std::shared_ptr<AttemptState>& attempt,
                  const download::WatchdogTiming& timing) {
  std::array<std::thread, kSegmentCount> threads;
  attempt->ExpectTransfers(kSegmentCount);
  for (int i = 0; i < kSegmentCount; ++i) {
    SegmentTask& task = plan[i];
    try {
      threads[i] = download::StartEngineThread([&task, attempt] {
        engine_threads::Scope running;
        CHttpDownload::TransferSegment(task, attempt);
        attempt->TransferEnded();
      });
    } catch (const std::exception& e) {
      // Counted as a transfer that fetched nothing; the threads already
      // started are still watched and joined below.
      PrintDiagnostic("Exception: transfer " + std::to_string(i) + " not started: " + e.what() + "\n");
      attempt->TransferEnded();
    }
  }
  WatchTransfers(*attempt, timing);
  for (std::thread& thread : threads) {
    if (thread.joinable()) thread.join();
  }
}

enum class Routing { kRouted, kRefused, kStopped };

// The route of this attempt, decided for its host (a redirection to another
// host is the next attempt's, and decides again), with its INFO line. Host
// and path come from the command line, or from a Location value already
// checked: they go into request and CONNECT lines as they are, so a pair
// that cannot is refused here with an ERROR line, and the attempt fails as
// one does that the settings give no route.
Routing DecideRoute(const std::string& host, const std::string& requestPath,
                    const std::shared_ptr<AttemptState>& attempt, ProxyRoute& route) {
  const ServerAddress target = ParseServerAddress(host);
  if (!download::IsRequestTarget(target.hostLine, requestPath)) {
    ZM_ERROR << "the package URL is not usable: host " << proxy_rules::Redacted(host) << ", path "
             << proxy_rules::Redacted(requestPath);
    return Routing::kRefused;
  }
  RouteDecision decision = LookUpRoute(target, requestPath, attempt);
  if (attempt->Closed()) return Routing::kStopped;
  if (!decision.failure.empty()) {
    ZM_ERROR << "no route to " << target.hostLine << ": " << decision.failure;
    return Routing::kRefused;
  }
  if (!decision.warning.empty()) ZM_WARN << "route to " << target.hostLine << ": " << decision.warning;
  route = std::move(decision.route);
  if (route.direct())
    ZM_INFO << "route to " << target.hostLine << ": direct (" << route.source << ")";
  else
    ZM_INFO << "route to " << target.hostLine << ": proxy " << route.proxy << " (" << route.source << ")";
  return Routing::kRouted;
}

}  // namespace

int CHttpDownload::RunAttempt(DownloadSession& session, std::string& host, std::string& requestPath,
                              DownloadStatus& status, const release::FullPackageRef* named) {
  std::lock_guard<std::mutex> gate(AttemptGate());
  AttemptScope scope(session);
  if (!scope.attempt()) return kStopped;
  const download::EngineSettings settings = download::CurrentSettings();
  const std::filesystem::path tdPath = settings.updaterFolder / "update.td";
  // The owner may be copying the record right now; the path only changes
  // when a test moves the updater's folder between workers.
  if (status.tdPath != tdPath) status.tdPath = tdPath;

  ProxyRoute route;
  const Routing routing = DecideRoute(host, requestPath, scope.attempt(), route);
  if (routing == Routing::kStopped || session.Stopped()) return kStopped;
  if (routing == Routing::kRefused) return kNoSize;
  const std::int64_t total = QueryFileSize(host, requestPath, status, scope.attempt(), route);
  if (session.Stopped()) return kStopped;
  if (total <= 0) return total == kProbeRedirected ? kRedirected : kNoSize;
  if (named && static_cast<std::uint64_t>(total) != named->size) {
    ZM_ERROR << "the server gives the package " << total << " bytes, its release manifest " << named->size;
    return kWrongLength;
  }

  SegmentPlan plan = MakeSegmentPlan(static_cast<std::uint32_t>(total), host, requestPath, tdPath, &status);
  for (SegmentTask& task : plan) task.route = route;
  // Segment files planned for another size hold other ranges' bytes.
  if (session.plannedTotal != 0 && session.plannedTotal != total) RemoveSegmentFiles(plan);
  session.plannedTotal = total;
  PackageDigests digests(static_cast<std::uint64_t>(total), named != nullptr);
  plan[0].digests = &digests;
  // Every transfer counts its segment's bytes on disk as it starts, so the
  // count left by an earlier, short attempt would be counted twice.
  status.downloadedSize = 0;
  RunTransfers(plan, scope.attempt(), settings.watchdog);
  // A stopped worker leaves the segment files as they are for the next run.
  if (session.Stopped()) return kStopped;
  if (!SegmentsComplete(plan)) return kSegmentsShort;
  return JoinAndVerify(plan, total, status, digests, named);
}
