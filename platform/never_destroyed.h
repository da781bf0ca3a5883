#pragma once
// Storage for an object that is built on first use and never destroyed: it
// stays usable while the process exits, for threads that still run then
// (a late log line from a worker thread, for one).

#include <new>
#include <utility>

namespace platform {

template <class T>
class NeverDestroyed {
 public:
  template <class... Args>
  explicit NeverDestroyed(Args&&... args) {
    ::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
  }
  NeverDestroyed(const NeverDestroyed&) = delete;
  NeverDestroyed& operator=(const NeverDestroyed&) = delete;
  // No destructor of T runs, on purpose.
  ~NeverDestroyed() = default;

  T& get() { return *std::launder(reinterpret_cast<T*>(storage_)); }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace platform
