// Where the single-instance lock's file lives on Linux.
#pragma once

#include <string>

namespace tarvik {

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

}  // namespace tarvik
