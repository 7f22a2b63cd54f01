#include "system/single_instance_lock.h"

#include "system/single_instance_lock_linux.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace tarvik {
namespace {

// A directory is private when it is a real directory (not a link), owned
// by the user and writable by nobody else.
bool IsPrivateDirectory(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 022) == 0;
}

// A directory a private one may be made in: the user's or root's and
// writable by nobody else, so nobody else can swap what lies under it.
// Links are followed: only its owner could have placed one there.
bool IsTrustedParent(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && (info.st_uid == geteuid() || info.st_uid == 0) &&
         (info.st_mode & 022) == 0;
}

// `path`, made 0700 when missing, if it is private afterwards.
std::string MadePrivateDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return {};
  return IsPrivateDirectory(path) ? path : std::string();
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string HomeLockDirectory(std::string home) {
  if (!IsAbsolute(home)) return {};
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  if (!IsTrustedParent(home)) return {};
  const std::string cache = (home == "/" ? "" : home) + "/.cache";
  if (mkdir(cache.c_str(), 0700) != 0 && errno != EEXIST) return {};
  if (!IsTrustedParent(cache)) return {};
  return MadePrivateDirectory(cache + "/tarvik-configurator");
}

// The home directory the password database gives the effective user.
std::string PasswordDatabaseHome() {
  const long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(hint > 0 ? static_cast<size_t>(hint) : 16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  while (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
         buffer.size() < (1u << 20))
    buffer.resize(buffer.size() * 2);
  return found != nullptr && found->pw_dir != nullptr ? found->pw_dir : std::string();
}

}  // namespace

std::string FindLockDirectory(const LockDirectoryPlaces& places) {
  if (IsAbsolute(places.runtimeDirectory) && IsPrivateDirectory(places.runtimeDirectory))
    return places.runtimeDirectory;
  const std::string uid = std::to_string(geteuid());
  if (IsAbsolute(places.runUserRoot) && IsPrivateDirectory(places.runUserRoot + "/" + uid))
    return places.runUserRoot + "/" + uid;
  if (std::string home = HomeLockDirectory(places.homeDirectory); !home.empty()) return home;
  // Last, as anybody may have made this name first; it is then refused.
  if (IsAbsolute(places.tempRoot))
    return MadePrivateDirectory(places.tempRoot + "/tarvik-configurator-" + uid);
  return {};
}

// FindLockDirectory over this system: $XDG_RUNTIME_DIR, /run/user, the
// effective user's home from the password database (not $HOME, so a copy
// started from cron or a bare shell finds the same place) and $TMPDIR or /tmp.
std::string DefaultLockDirectory() {
  LockDirectoryPlaces places;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) places.runtimeDirectory = runtime;
  places.runUserRoot = "/run/user";
  places.homeDirectory = PasswordDatabaseHome();
  const char* tmp = std::getenv("TMPDIR");
  places.tempRoot = (tmp != nullptr && tmp[0] == '/') ? tmp : "/tmp";
  return FindLockDirectory(places);
}

SingleInstanceLock::Result SingleInstanceLock::Acquire(const std::string& directory) {
  Release();
  if (directory.empty()) return Result::kUnavailable;
  const std::string path = directory + "/" + kSingleInstanceName;
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return Result::kUnavailable;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return Result::kUnavailable;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    return error == EWOULDBLOCK ? Result::kAlreadyHeld : Result::kUnavailable;
  }
  handle_ = fd;
  return Result::kAcquired;
}

void SingleInstanceLock::Release() {
  if (handle_ == kNoHandle) return;
  // The file stays: removing it would let a third copy lock a new file while
  // a second still holds the old one.
  close(static_cast<int>(handle_));
  handle_ = kNoHandle;
}

}  // namespace tarvik
