// The stand-in Tarviks tarvikctl talks to with --simulate.
#pragma once

#include <memory>
#include <vector>

#include "sim/sim_device.h"

namespace tarvik::ctl {

inline constexpr int kMaxStandIns = 64;

// `count` stand-ins plugged into ports 1-1, 1-2 and so on; they leave the
// bus when the vector goes.
std::vector<std::unique_ptr<sim::SimDevice>> MakeStandIns(int count);

}  // namespace tarvik::ctl
