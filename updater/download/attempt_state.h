#pragma once
// What the threads of one download attempt share: the open connections (so
// that a cut-off or a stop can close them from any thread), the heartbeat of
// written chunks, and the count of transfers still running. It is held by
// shared ownership by every thread of the attempt and by the session that may
// stop it, so it outlives all of them.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>

class HttpConnection;

class AttemptState {
 public:
  // Closes every connection of the attempt, and every one opened later, so
  // that blocked reads return at once. Waits for nothing; any thread.
  void CloseConnections();
  bool Closed() const;

  // Called by HttpConnection on construction and destruction. A connection
  // added after CloseConnections is closed at once.
  void Add(HttpConnection* connection);
  void Remove(HttpConnection* connection);

  // Chunks written by the transfers of this attempt; the watchdog's heartbeat.
  std::atomic<std::uint32_t> progressTicks{0};

  // The worker sets the number of transfers it started; each one reports its end.
  void ExpectTransfers(int count);
  void TransferEnded();
  // Waits until every transfer has ended or the connections were closed, at
  // most timeoutMs. Returns true when all transfers have ended.
  bool WaitTransfers(std::uint32_t timeoutMs);
  // Waits until ready() holds or the connections were closed, at most
  // timeoutMs; ready is called under the state's lock. True when it held.
  bool WaitUntil(std::uint32_t timeoutMs, const std::function<bool()>& ready);
  // Has WaitUntil look at its condition again.
  void Notify();
  // Waits until every transfer has ended. Only called after CloseConnections
  // or when the transfers are known to end by themselves.
  void WaitAllTransfers();

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::set<HttpConnection*> connections_;
  bool closed_ = false;
  int runningTransfers_ = 0;
};
