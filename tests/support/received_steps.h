// The operations a stand-in device received, as (number, target, selector),
// so tests can compare whole exchanges in order.
#pragma once

#include <cstdint>
#include <vector>

#include "commands/operation_table.h"
#include "sim/sim_device.h"

namespace tarvik::testing {

struct Step {
  int op;
  uint8_t target;
  uint8_t selector;
  bool operator==(const Step&) const = default;
};

inline std::vector<Step> ReceivedSteps(const sim::SimDevice& device) {
  std::vector<Step> steps;
  for (const sim::RequestRecord& r : device.Requests()) {
    int op = -1;
    for (const OperationRow& row : kOperationTable)
      if (row.id >= 0 && row.command == r.command && row.kind == r.kind) op = row.id;
    steps.push_back({op, r.target, r.selector});
  }
  return steps;
}

}  // namespace tarvik::testing
