#include "invocation.h"

#include "stand_ins.h"

namespace tarvik::ctl {

void Invocation::RunOnce(const std::function<int(Context& context)>& command) {
  const std::vector<std::unique_ptr<sim::SimDevice>> standIns = MakeStandIns(context_.simulate);
  code_ = command(context_);
}

void Invocation::RunOnDevices(const DeviceCommand& command) {
  const std::vector<std::unique_ptr<sim::SimDevice>> standIns = MakeStandIns(context_.simulate);
  code_ = context_.all ? RunOnAll(context_, command) : command(context_, {});
}

}  // namespace tarvik::ctl
