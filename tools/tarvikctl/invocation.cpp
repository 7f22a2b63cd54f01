#include "invocation.h"

#include "stand_ins.h"
#include "stop_request.h"

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
  // A signal now stops the run and lets it say what it did, the stand-ins'
  // state kept included.
  StopScope stopScope;
  StandIns standIns;
  if (const int code = standIns.Start(context_)) {
    code_ = code;
    return;
  }
  code_ = standIns.Finish(context_, context_.all ? RunOnAll(context_, command) : command(context_, {}));
}

}  // namespace tarvik::ctl
