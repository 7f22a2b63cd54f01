// One copy of the program per user session: an advisory lock on a file in a
// directory only the user can write, so a crashed copy releases it.
#pragma once

#include <string>

namespace tarvik {

inline constexpr const char* kSingleInstanceName = "TARVIK-CONFIGURATOR-MUTEX";

// $XDG_RUNTIME_DIR when it is an absolute path, else a private directory
// of the user's under the system's temporary directory.
std::string DefaultLockDirectory();

class SingleInstanceLock {
 public:
  enum class Result { kAcquired, kAlreadyHeld, kUnavailable };

  SingleInstanceLock() = default;
  ~SingleInstanceLock() { Release(); }
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // kAlreadyHeld when another holder has the lock in `directory`;
  // kUnavailable when the lock file cannot be made or locked.
  Result Acquire(const std::string& directory);
  void Release();
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace tarvik
