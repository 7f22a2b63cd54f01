#include "app/single_instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tarvik {
namespace {

// A directory is private when it is a real directory (not a link), owned
// by the user and writable by nobody else.
bool IsPrivateDirectory(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 022) == 0;
}

}  // namespace

std::string DefaultLockDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/' && IsPrivateDirectory(runtime)) return runtime;
  const char* tmp = std::getenv("TMPDIR");
  std::string base = (tmp != nullptr && tmp[0] == '/') ? tmp : "/tmp";
  std::string own = base + "/tarvik-configurator-" + std::to_string(geteuid());
  if (mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) return {};
  return IsPrivateDirectory(own) ? own : std::string();
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
  fd_ = fd;
  return Result::kAcquired;
}

void SingleInstanceLock::Release() {
  if (fd_ < 0) return;
  // The file stays: removing it would let a third copy lock a new file while
  // a second still holds the old one.
  close(fd_);
  fd_ = -1;
}

}  // namespace tarvik
