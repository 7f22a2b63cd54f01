// --all: one command run on every attached Tarvik, on several at once, each
// with its own session; progress lines name their device, and the output and
// the summary at the end are in list order.
#pragma once

#include <functional>
#include <string>

#include "ctl_context.h"
#include "device_list.h"

namespace tarvik::ctl {

// One command on one device; `context.device` names the device.
using DeviceCommand = std::function<int(Context& context, const AttachedDevice& device)>;

// Runs `command` on each attached Tarvik, on up to context.jobs at once
// (0: all of them), under the lock taken once; a device that fails does not
// stop the others. 0 only when every device succeeded; when all failures
// share an exit code, that code, otherwise 1. A device that only differs
// (kExitDrift) is no failure: kExitDrift when none failed. When the run was
// asked to stop and a device was stopped or never started, the exit code of
// the signal.
int RunOnAll(Context& context, const DeviceCommand& command);

// The file `save --all` writes for `device` in `folder`, named by its
// topology path (or its node where that is unknown).
std::string SaveFileFor(const std::string& folder, const AttachedDevice& device);

}  // namespace tarvik::ctl
