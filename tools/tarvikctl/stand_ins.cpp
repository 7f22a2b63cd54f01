#include "stand_ins.h"

#include <string>

namespace tarvik::ctl {

std::vector<std::unique_ptr<sim::SimDevice>> MakeStandIns(int count) {
  std::vector<std::unique_ptr<sim::SimDevice>> standIns;
  for (int port = 1; port <= count; ++port) {
    sim::SimOptions options;
    options.topology = "1-" + std::to_string(port);
    standIns.push_back(std::make_unique<sim::SimDevice>(options));
  }
  return standIns;
}

}  // namespace tarvik::ctl
