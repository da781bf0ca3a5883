#include "updater/download/route_lookup.h"

#include <mutex>
#include <system_error>
#include <thread>

#include "platform/never_destroyed.h"
#include "updater/download/engine_settings.h"
#include "updater/download/proxy_settings.h"

namespace {

// What the waiting attempt and the lookup's thread share.
class PendingLookup {
 public:
  void Finish(RouteDecision decision) {
    std::shared_ptr<AttemptState> waiter;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      decision_ = std::move(decision);
      done_ = true;
      waiter = waiter_;
    }
    if (waiter) waiter->Notify();
  }

  // Waits for the decision, at most limitMs and only while attempt runs.
  bool Await(const std::shared_ptr<AttemptState>& attempt, std::uint32_t limitMs) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      waiter_ = attempt;
    }
    const bool done = attempt->WaitUntil(limitMs, [this] { return Done(); });
    std::lock_guard<std::mutex> lock(mutex_);
    waiter_.reset();
    return done;
  }

  bool Done() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return done_;
  }

  // Only once Done.
  RouteDecision decision() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return decision_;
  }

 private:
  mutable std::mutex mutex_;
  bool done_ = false;
  RouteDecision decision_;
  std::shared_ptr<AttemptState> waiter_;
};

// The lookup started last; attempts run one at a time, but the lookup of a
// stopped or timed-out one may still be under way.
std::shared_ptr<PendingLookup>& LastLookup() {
  static platform::NeverDestroyed<std::shared_ptr<PendingLookup>> last;
  return last.get();
}

RouteDecision Failure(std::string text) {
  RouteDecision decision;
  decision.failure = std::move(text);
  return decision;
}

std::string Seconds(std::uint32_t milliseconds) { return std::to_string((milliseconds + 999) / 1000) + " s"; }

}  // namespace

RouteDecision LookUpRoute(const ServerAddress& target, const std::string& requestPath,
                          const std::shared_ptr<AttemptState>& attempt) {
  static platform::NeverDestroyed<std::mutex> gate;
  std::lock_guard<std::mutex> oneAtATime(gate.get());
  const download::EngineSettings settings = download::CurrentSettings();
  std::shared_ptr<PendingLookup>& last = LastLookup();
  if (last && !last->Await(attempt, settings.routeLimitMs))
    return Failure("the proxy settings still give no answer to an earlier attempt after " +
                   Seconds(settings.routeLimitMs));
  const download::RouteFinder finder = settings.routeFinder ? settings.routeFinder : FindProxyRoute;
  auto pending = std::make_shared<PendingLookup>();
  try {
    std::thread([pending, finder, target, requestPath] {
      RouteDecision decision;
      try {
        decision = finder(target, requestPath);
      } catch (const std::exception& e) {
        decision = Failure(std::string("the proxy settings could not be read: ") + e.what());
      }
      pending->Finish(std::move(decision));
    }).detach();
  } catch (const std::system_error& e) {
    return Failure(std::string("the proxy settings were not read: no thread (") + e.what() + ")");
  }
  last = pending;
  if (!pending->Await(attempt, settings.routeLimitMs))
    return Failure("the proxy settings gave no answer within " + Seconds(settings.routeLimitMs));
  return pending->decision();
}
