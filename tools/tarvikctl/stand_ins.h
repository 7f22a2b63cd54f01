// The stand-in Tarviks tarvikctl talks to with --simulate, and with
// --simulate-state the file their settings live in between runs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ctl_context.h"
#include "sim/sim_device.h"
#include "stand_in_state.h"

namespace tarvik::ctl {

// `count` stand-ins plugged into ports 1-1, 1-2 and so on; they leave the
// bus when the vector goes.
std::vector<std::unique_ptr<sim::SimDevice>> MakeStandIns(int count);

// The stand-ins of one run.
class StandIns {
 public:
  // Plugs in context.simulate stand-ins, each with its settings from the
  // state file when there is one. kExitUsage for a state file without
  // stand-ins, kExitDataErr for a malformed one (then nothing is plugged in).
  int Start(Context& context);
  // Writes the stand-ins' settings back to the state file, whatever the
  // command's `code`, and returns `code` unless the write fails.
  int Finish(Context& context, int code);

 private:
  std::vector<std::unique_ptr<sim::SimDevice>> devices_;
  StandInState state_;  // as read, so that entries past the stand-ins stay
  std::string text_;    // the file as read; empty when there was none
};

}  // namespace tarvik::ctl
