#pragma once
// Owns the one thread of a worker object.
//
// The thread never uses the object itself: Start asks the derived class for
// the thread's work, and that work holds by shared ownership everything it
// touches. Destroying the object therefore never waits for the thread and
// never leaves it with a dangling pointer; the derived class makes a running
// thread end soon (see Downloader).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class ThreadBase {
 public:
  using ThreadBody = std::function<void()>;

  virtual ~ThreadBase();
  ThreadBase(const ThreadBase&) = delete;
  ThreadBase& operator=(const ThreadBase&) = delete;

  // Starts the thread. A second call does nothing: the object runs its work
  // at most once. Call on the owner's thread.
  void Start();

  // Non-zero once the thread was started.
  std::uint32_t threadId() const { return threadId_; }
  // True until Start and again once the thread's work has returned.
  bool Idle() const { return idle_->load(); }

 protected:
  ThreadBase();
  // Called once, by Start, on the owner's thread; returns the thread's work.
  virtual ThreadBody PrepareRun() = 0;

 private:
  std::uint32_t threadId_ = 0;
  bool started_ = false;
  std::shared_ptr<std::atomic<bool>> idle_;
};
