// tarvikctl's exit codes, one per kind of outcome a script may want to tell
// apart (the numbers follow the BSD sysexits convention).
#pragma once

#include <csignal>

namespace tarvik::ctl {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;        // the device refused or the operation failed
// apply --check: the device differs from the document (nothing was changed).
inline constexpr int kExitDrift = 2;
inline constexpr int kExitUsage = 64;        // bad command line
inline constexpr int kExitDataErr = 65;      // a file's content is not what it must be
inline constexpr int kExitNoInput = 66;      // a file to read is missing or unusable
inline constexpr int kExitNotFound = 69;     // no Tarvik attached
inline constexpr int kExitInternal = 70;     // an unexpected fault of tarvikctl itself
inline constexpr int kExitCannotWrite = 73;  // a file to write cannot be made or written
inline constexpr int kExitOutput = 74;       // standard output could not be written
inline constexpr int kExitBusy = 75;         // another program is using the Tarvik
inline constexpr int kExitPermission = 77;   // a Tarvik is attached but may not be opened
// A run stopped by SIGINT or SIGTERM: 128 plus the signal's number, as a shell reports it.
inline constexpr int kExitInterrupted = 130;
inline constexpr int kExitTerminated = 143;

inline int ExitCodeForSignal(int signal) {
  return signal == SIGINT ? kExitInterrupted : kExitTerminated;
}

}  // namespace tarvik::ctl
