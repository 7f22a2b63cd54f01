// The settings copy that runs when an input channel's mode changes: before a
// channel enters PA MICROPHONE mode its option settings are copied from the
// second set into the working set.
#include "commands/command_id.h"
#include "commands/operation_fields.h"
#include "link/link_errors.h"
#include "session/hid_dev_comm_app.h"

namespace tarvik {

namespace {

constexpr uint8_t kSharedTargets[] = {TARGET_0109_LOW, TARGET_0109_HIGH, TARGET_OUTPUT};

}  // namespace

bool CHidDevCommApp::CopyFromSecondSet(CommandId read, CommandId write) {
  params.selector = 1;
  if (Execute(ToInt(read)) != LINK_OK) return false;
  params.selector = 0;
  return Execute(ToInt(write)) == LINK_OK;
}

int CHidDevCommApp::ApplyInputModes(int modeL, int modeR) {
  std::lock_guard<std::recursive_mutex> guard(lock);

  params.selector = 0;
  if (Execute(ToInt(CommandId::GetInputMode)) != LINK_OK) return 0;
  const uint8_t oldBits = GetField(params, fields::InputMode::modeBits);

  if (oldBits == 0 && (modeL != 0 || modeR != 0)) {
    for (uint8_t target : kSharedTargets) {
      SetField(params, fields::TargetValue::target, target);
      if (!CopyFromSecondSet(CommandId::GetCmd0109, CommandId::SetCmd0109)) return 0;
    }
    SetField(params, fields::RoutingFlags::target, uint8_t{0});
    if (!CopyFromSecondSet(CommandId::GetRoutingFlags, CommandId::SetRoutingFlags)) return 0;
  }

  const struct {
    int mode;
    uint8_t bit;
    uint8_t target;
  } channels[] = {{modeL, 0x01, TARGET_INPUT_L}, {modeR, 0x02, TARGET_INPUT_R}};
  for (const auto& channel : channels) {
    if (channel.mode == 0 || (oldBits & channel.bit) != 0) continue;
    for (uint8_t band = 0; band < 4; ++band) {
      SetField(params, fields::FilterBand::target, channel.target);
      SetField(params, fields::FilterBand::band, band);
      if (!CopyFromSecondSet(CommandId::GetFilterBand, CommandId::SetFilterBand)) return 0;
    }
    SetField(params, fields::ChannelGain::target, channel.target);
    if (!CopyFromSecondSet(CommandId::GetChannelGain, CommandId::SetChannelGain)) return 0;
    SetField(params, fields::SignalLevel::target, channel.target);
    if (!CopyFromSecondSet(CommandId::GetSignalLevel, CommandId::SetSignalLevel)) return 0;
  }

  params.selector = 0;
  const uint8_t modeBits = static_cast<uint8_t>((modeL != 0 ? 1 : 0) + (modeR != 0 ? 2 : 0));
  SetField(params, fields::InputMode::modeBits, modeBits);
  return Execute(ToInt(CommandId::SetInputMode)) == LINK_OK ? 1 : 0;
}

}  // namespace tarvik
