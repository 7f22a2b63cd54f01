#include "invocation.h"

#include "stand_ins.h"

namespace tarvik::ctl {

void Invocation::RunOnce(const std::function<int(Context& context)>& command) {
  StandIns standIns;
  if (const int code = standIns.Start(context_)) {
    code_ = code;
    return;
  }
  code_ = standIns.Finish(context_, command(context_));
}

void Invocation::RunOnDevices(const DeviceCommand& command) {
  StandIns standIns;
  if (const int code = standIns.Start(context_)) {
    code_ = code;
    return;
  }
  code_ = standIns.Finish(context_, context_.all ? RunOnAll(context_, command) : command(context_, {}));
}

}  // namespace tarvik::ctl
