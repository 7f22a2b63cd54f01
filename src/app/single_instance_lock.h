// One copy of the program per user session: an advisory lock on a file in a
// directory only the user can write, so a crashed copy releases it.
#pragma once

#include <string>

namespace tarvik {

inline constexpr const char* kSingleInstanceName = "TARVIK-CONFIGURATOR-MUTEX";

// The places the lock's directory is looked for in, best first.
struct LockDirectoryPlaces {
  std::string runtimeDirectory;  // the session's runtime directory as given; may be empty
  std::string runUserRoot;       // holds each logged-in user's runtime directory, named by uid
  std::string homeDirectory;     // the user's home as the password database has it
  std::string tempRoot;          // the system's temporary directory
};

// The first of these that is a real directory (not a link) of the effective
// user's, writable by nobody else:
//   the runtime directory (absolute paths only),
//   <runUserRoot>/<uid>,
//   <homeDirectory>/.cache/tarvik-configurator, made 0700 when missing; the
//     home and .cache must be the user's or root's and writable by nobody else,
//   <tempRoot>/tarvik-configurator-<uid>, made 0700 when missing.
// Empty when none is: the lock then cannot be taken.
std::string FindLockDirectory(const LockDirectoryPlaces& places);

// FindLockDirectory over this system: $XDG_RUNTIME_DIR, /run/user, the
// effective user's home from the password database (not $HOME, so a copy
// started from cron or a bare shell finds the same place) and $TMPDIR or /tmp.
std::string DefaultLockDirectory();

class SingleInstanceLock {
 public:
  enum class Result { kAcquired, kAlreadyHeld, kUnavailable };

  SingleInstanceLock() = default;
  ~SingleInstanceLock() { Release(); }
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // kAlreadyHeld when another holder has the lock in `directory`;
  // kUnavailable when the lock file cannot be made or locked (an empty
  // `directory` included): nothing then keeps a second copy out.
  Result Acquire(const std::string& directory);
  void Release();
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace tarvik
