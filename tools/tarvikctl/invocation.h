// One run of tarvikctl: the context its command runs in, and what each
// subcommand's file registers its command with. A file adds its subcommand
// to the app with a callback that runs the command through the invocation.
#pragma once

#include <functional>
#include <optional>

#include "all_devices.h"
#include "ctl_context.h"

namespace CLI {
class App;
}

namespace tarvik::ctl {

class Invocation {
 public:
  explicit Invocation(Context& context) : context_(context) {}

  Context& context() { return context_; }
  // Runs `command` once, on no device in particular (list).
  void RunOnce(const std::function<int(Context& context)>& command);
  // Runs `command` on the chosen Tarvik, or with --all on each attached one.
  void RunOnDevices(const DeviceCommand& command);
  // Ends the run with `code` without a device: a check before any device,
  // or a command that needs none.
  void End(int code) { code_ = code; }
  // The exit code; none when no command ran.
  std::optional<int> code() const { return code_; }

 private:
  Context& context_;
  std::optional<int> code_;
};

// Adds one subcommand to `app`, its options and the callback that runs it.
using CommandSetUp = std::function<void(CLI::App& app, Invocation& run)>;

}  // namespace tarvik::ctl
