// One copy of the program per user session. On Linux an advisory lock on a
// file in a directory only the user can write; on Windows a named mutex in
// the session's namespace. Either way a crashed copy releases it.
#pragma once

#include <cstdint>
#include <string>

namespace tarvik {

inline constexpr const char* kSingleInstanceName = "TARVIK-CONFIGURATOR-MUTEX";

// Where the lock is taken: on Linux the user's private lock directory (see
// single_instance_lock_linux.h), empty when there is none; on Windows the
// mutex name, kSingleInstanceName.
std::string DefaultLockDirectory();

class SingleInstanceLock {
 public:
  enum class Result { kAcquired, kAlreadyHeld, kUnavailable };

  SingleInstanceLock() = default;
  ~SingleInstanceLock() { Release(); }
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // `place` is a lock directory on Linux and a mutex name on Windows.
  // kAlreadyHeld when another holder has the lock there; kUnavailable when
  // the lock cannot be made at all (an empty `place` included): nothing then
  // keeps a second copy out.
  Result Acquire(const std::string& place);
  void Release();
  bool Held() const { return handle_ != kNoHandle; }

 private:
  static constexpr std::intptr_t kNoHandle = -1;
  // The locked file's descriptor on Linux, the mutex handle on Windows.
  std::intptr_t handle_ = kNoHandle;
};

}  // namespace tarvik
