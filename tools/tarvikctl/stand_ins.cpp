#include "stand_ins.h"

#include <filesystem>

#include "config_file.h"
#include "input_file.h"
#include "value_text.h"

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

int StandIns::Start(Context& context) {
  const std::string& path = context.simulateState;
  if (!path.empty() && context.simulate == 0)
    return Fail(context, kExitUsage, "--simulate-state needs --simulate");
  std::error_code error;
  if (!path.empty() && std::filesystem::exists(PathFromUtf8(path), error)) {
    if (const int code = ReadBoundedFile(context, path, kMaxStateBytes, &text_)) return code;
    std::string problem;
    if (!ParseState(text_, &state_, &problem))
      return Fail(context, kExitDataErr,
                  Printable(path) + ": " + problem + "; the state file was left as it is");
  }
  devices_ = MakeStandIns(context.simulate);
  for (std::size_t i = 0; i < devices_.size() && i < state_.size(); ++i)
    devices_[i]->RestoreSettings(state_[i]);
  return kExitOk;
}

int StandIns::Finish(Context& context, int code) {
  if (context.simulateState.empty()) return code;
  if (state_.size() < devices_.size()) state_.resize(devices_.size());
  for (std::size_t i = 0; i < devices_.size(); ++i) state_[i] = devices_[i]->StoredSettings();
  const std::string text = StateText(state_);
  // An unchanged state leaves the file untouched.
  if (text == text_) return code;
  const int written = ReplaceFile(context, context.simulateState, text);
  return code == kExitOk ? written : code;
}

}  // namespace tarvik::ctl
