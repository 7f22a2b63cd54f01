// What every tarvikctl command works with: its streams, and a record of
// whether it talks to a person at a terminal and the options that apply to
// all commands.
#pragma once

#include <iosfwd>
#include <mutex>
#include <string>

#include "exit_codes.h"

namespace tarvik {
class HidBackend;
}

namespace tarvik::ctl {

struct AttachedDevice;

// Everything a command runs with besides its streams. One copyable record,
// so that --all hands each device all of it.
struct Options {
  bool terminal = false;      // the error stream is a terminal: progress bars
  std::string lockDirectory;  // the per-session lock shared with the configurator
  HidBackend* systemBackend = nullptr;

  bool json = false;
  bool trace = false;
  int simulate = 0;            // stand-in devices to attach instead of hardware
  std::string simulateState;   // the file the stand-ins' settings live in between runs
  std::string device;          // the selector of the Tarvik to use; empty: the first
  bool all = false;            // run on every attached Tarvik
  int jobs = 0;                // with --all, devices worked on at once; 0: every one
  bool lockHeld = false;       // the run holds the lock already (--all takes it once)
  bool changesDevice = false;  // the command may change the device
  bool yes = false;
  bool force = false;  // go on when the lock cannot be taken

  bool operator==(const Options&) const = default;
};

struct Context : Options {
  Context(std::ostream& out, std::ostream& err, std::istream& in, const Options& options = {})
      : Options(options), out(out), err(err), in(in) {}

  std::ostream& out;
  std::ostream& err;
  std::istream& in;     // answers to confirmation questions
  std::string failure;  // the message of the last Fail
  // Under --all, shared by the devices' contexts: one question at a time.
  std::mutex* questions = nullptr;
  // Under --all, the device as the run listed it, so that its session need
  // not list (and open) every Tarvik again to find it.
  const AttachedDevice* listed = nullptr;
  bool stopped = false;  // the command stopped because the run was asked to
};

// How a command ended: its exit code and, when it failed, the message of
// its last Fail.
struct CommandResult {
  int code = kExitOk;
  std::string message;
};

inline CommandResult ResultOf(const Context& context, int code) {
  return {code, code == kExitOk ? std::string() : context.failure};
}

// Writes "tarvikctl: <message>" as one line on the error stream, keeps
// `message` as the context's failure and returns `code`.
int Fail(Context& context, int code, const std::string& message);
// Asks `question` on the error stream unless --yes was given; true for yes.
// Once the run was asked to stop, asks nothing: false, and the context is
// marked stopped.
bool Confirm(Context& context, const std::string& question);
// Ends a command whose question was answered no: `notDone` ("not
// programmed: declined") and how to say yes; or, when the run was asked to
// stop, the exit code that says so.
int Declined(Context& context, const std::string& notDone);

}  // namespace tarvik::ctl
