// Programs built with a publisher key. ZVK_PUBLISHER_KEY_HEADER names the
// generated header that defines kPublisherKeyPem.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "signing/package_check.h"
#include "signing/package_verifier.h"
#include ZVK_PUBLISHER_KEY_HEADER

namespace signing {
namespace {

// Blocks waiting for the hash; bounds the memory a fast feeder can take.
constexpr std::size_t kMaxQueuedBlocks = 8;

// A key that does not parse leaves the all-zero point, which is not on the
// curve: nothing verifies, so a broken build refuses every package.
const PublicKey& BuiltInKey() {
  static const PublicKey key = [] {
    PublicKey parsed;
    std::string error;
    if (!ParsePublicKeyPem(kPublisherKeyPem, parsed, error)) parsed = PublicKey{};
    return parsed;
  }();
  return key;
}

}  // namespace

// The hash runs on a thread of its own, so that the caller's pass over the
// package (join and MD5) does not wait for it: on two cores the check adds
// little to the time of that pass.
struct PackageCheck::State {
  explicit State(std::uint64_t size) : verifier(size), worker([this] { Run(); }) {}
  ~State() {
    Close();
    if (worker.joinable()) worker.join();
  }

  void Push(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::vector<std::uint8_t> block(bytes, bytes + size);
    std::unique_lock<std::mutex> lock(mutex);
    space.wait(lock, [this] { return queue.size() < kMaxQueuedBlocks; });
    queue.push_back(std::move(block));
    ready.notify_one();
  }

  void Close() {
    std::lock_guard<std::mutex> lock(mutex);
    closed = true;
    ready.notify_one();
  }

  void Run() {
    for (;;) {
      std::unique_lock<std::mutex> lock(mutex);
      ready.wait(lock, [this] { return closed || !queue.empty(); });
      if (queue.empty()) return;
      std::vector<std::uint8_t> block = std::move(queue.front());
      queue.pop_front();
      space.notify_one();
      lock.unlock();
      // A hash that fails refuses the package; the queue is still emptied so
      // that the feeder never waits for a worker that stopped.
      if (failed) continue;
      try {
        verifier.Update(block.data(), block.size());
      } catch (const std::exception&) {
        failed = true;
      }
    }
  }

  PackageVerifier verifier;  // touched by the worker until it has ended
  bool failed = false;       // likewise; read after the worker has ended
  // The feeder pushes and closes; the worker pops. All under `mutex`.
  std::mutex mutex;
  std::condition_variable ready;
  std::condition_variable space;
  std::deque<std::vector<std::uint8_t>> queue;
  bool closed = false;
  std::thread worker;  // last: starts once everything above exists
};

bool PackageSigningEnabled() { return true; }

PackageCheck::PackageCheck(std::uint64_t packageSize) : state_(std::make_unique<State>(packageSize)) {}
PackageCheck::~PackageCheck() = default;

void PackageCheck::Update(const void* data, std::size_t size) {
  if (size > 0) state_->Push(data, size);
}

Verdict PackageCheck::Finish() {
  state_->Close();
  state_->worker.join();
  if (state_->failed) return Verdict::Unreadable;
  try {
    return state_->verifier.Finish(BuiltInKey());
  } catch (const std::exception&) {
    return Verdict::Unreadable;
  }
}

Verdict CheckPackageFile(const std::wstring& path) {
  try {
    return VerifyPackageFile(path, BuiltInKey());
  } catch (const std::exception&) {
    return Verdict::Unreadable;
  }
}

Verdict CheckPackage(platform::File& package) {
  try {
    return VerifyPackage(package, BuiltInKey());
  } catch (const std::exception&) {
    return Verdict::Unreadable;
  }
}

}  // namespace signing
