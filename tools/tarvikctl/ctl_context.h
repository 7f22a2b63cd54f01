// What every tarvikctl command works with: its streams, whether it talks to
// a person at a terminal, and the options that apply to all commands.
#pragma once

#include <iosfwd>
#include <string>

namespace tarvik {
class HidBackend;
}

namespace tarvik::ctl {

struct Context {
  Context(std::ostream& out, std::ostream& err, std::istream& in) : out(out), err(err), in(in) {}

  std::ostream& out;
  std::ostream& err;
  std::istream& in;           // answers to confirmation questions
  bool terminal = false;      // the error stream is a terminal: progress bars
  std::string lockDirectory;  // the per-session lock shared with the configurator
  HidBackend* systemBackend = nullptr;

  bool json = false;
  bool trace = false;
  int simulate = 0;     // stand-in devices to attach instead of hardware
  std::string device;   // the selector of the Tarvik to use; empty: the first
  bool all = false;     // run on every attached Tarvik
  bool changesDevice = false;  // the command may change the device
  bool yes = false;
  bool force = false;  // go on when the lock cannot be taken
};

// Writes "tarvikctl: <message>" as one line on the error stream and returns `code`.
int Fail(Context& context, int code, const std::string& message);
// Asks `question` on the error stream unless --yes was given; true for yes.
bool Confirm(Context& context, const std::string& question);

}  // namespace tarvik::ctl
