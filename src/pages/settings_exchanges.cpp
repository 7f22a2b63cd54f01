#include "pages/settings_exchanges.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "app/session_exchange.h"
#include "commands/operation_fields.h"

namespace tarvik {
namespace {

constexpr uint8_t kPaOutputBit = 0x10;
constexpr uint8_t kRoutingTarget = 0;

uint8_t Target(int channel) { return static_cast<uint8_t>(TARGET_INPUT_L + channel); }
void Nothing(const CommandParams&) {}

void ReadBand(const CommandParams& p, FilterBandValues* band) {
  band->filterType = GetField(p, fields::FilterBand::filterType);
  for (int c = 0; c < 4; ++c) band->coefficients[c] = GetField(p, fields::FilterBand::Coefficient(c));
}

void WriteBand(CommandParams& p, uint8_t target, int band, const FilterBandValues& values) {
  SetField(p, fields::FilterBand::target, target);
  SetField(p, fields::FilterBand::band, static_cast<uint8_t>(band));
  SetField(p, fields::FilterBand::filterType, values.filterType);
  for (int c = 0; c < 4; ++c) SetField(p, fields::FilterBand::Coefficient(c), values.coefficients[c]);
}

template <typename T>
bool ReadValue(CHidDevCommApp& session, CommandId id, FieldRef<T> field, T* out) {
  T value{};
  if (!RunExchange(session, id, [](CommandParams&) {}, [&](const CommandParams& p) { value = GetField(p, field); }))
    return false;
  *out = value;
  return true;
}

}  // namespace

bool ReadFirmwareVersion(CHidDevCommApp& session, char (&version)[5]) {
  char text[5] = {};
  if (!RunExchange(
          session, CommandId::GetDeviceInfo,
          [](CommandParams& p) { SetField(p, fields::DeviceInfo::item, INFO_FIRMWARE_VERSION); },
          [&](const CommandParams& p) { std::memcpy(text, p.data + fields::DeviceInfo::text.offset, 4); }))
    return false;
  std::memcpy(version, text, sizeof text);
  return true;
}

bool ReadChannelValues(CHidDevCommApp& session, int channel, ChannelValues* values) {
  if (channel < 0 || channel > 1) return false;
  const uint8_t target = Target(channel);
  ChannelValues read;
  if (!RunExchange(
          session, CommandId::GetChannelGain,
          [&](CommandParams& p) { SetField(p, fields::ChannelGain::target, target); },
          [&](const CommandParams& p) { read.gain = GetField(p, fields::ChannelGain::gain); }))
    return false;
  for (int band = 0; band < 4; ++band) {
    if (!RunExchange(
            session, CommandId::GetFilterBand,
            [&](CommandParams& p) {
              SetField(p, fields::FilterBand::target, target);
              SetField(p, fields::FilterBand::band, static_cast<uint8_t>(band));
            },
            [&](const CommandParams& p) { ReadBand(p, &read.bands[band]); }))
      return false;
  }
  if (!RunExchange(
          session, CommandId::GetSignalLevel,
          [&](CommandParams& p) { SetField(p, fields::SignalLevel::target, target); },
          [&](const CommandParams& p) { read.level = GetField(p, fields::SignalLevel::level); }))
    return false;
  *values = read;
  return true;
}

bool ReadRoutingFlags(CHidDevCommApp& session, uint8_t* flags) {
  uint8_t value = 0;
  if (!RunExchange(
          session, CommandId::GetRoutingFlags,
          [](CommandParams& p) { SetField(p, fields::RoutingFlags::target, kRoutingTarget); },
          [&](const CommandParams& p) { value = GetField(p, fields::RoutingFlags::flags); }))
    return false;
  *flags = value;
  return true;
}

bool ReadInputModeBits(CHidDevCommApp& session, uint8_t* modeBits) {
  return ReadValue(session, CommandId::GetInputMode, fields::InputMode::modeBits, modeBits);
}

bool ReadOutputGain(CHidDevCommApp& session, int16_t* gain) {
  int16_t value = 0;
  if (!RunExchange(
          session, CommandId::GetChannelGain,
          [](CommandParams& p) { SetField(p, fields::ChannelGain::target, TARGET_OUTPUT); },
          [&](const CommandParams& p) { value = GetField(p, fields::ChannelGain::gain); }))
    return false;
  *gain = value;
  return true;
}

bool ReadUsbSpeed(CHidDevCommApp& session, uint8_t* speed) {
  return ReadValue(session, CommandId::GetUsbSpeed, fields::Value::value, speed);
}

bool ReadMicMuteSync(CHidDevCommApp& session, uint8_t* mode) {
  return ReadValue(session, CommandId::GetMicMuteSync, fields::MicMuteSync::mode, mode);
}

bool WriteSignalLevel(CHidDevCommApp& session, int channel, bool microphone) {
  return RunExchange(
      session, CommandId::SetSignalLevel,
      [&](CommandParams& p) {
        SetField(p, fields::SignalLevel::target, Target(channel));
        SetField(p, fields::SignalLevel::level, static_cast<uint8_t>(microphone ? 1 : 0));
      },
      Nothing);
}

bool WriteChannelGain(CHidDevCommApp& session, uint8_t target, int16_t gain) {
  return RunExchange(
      session, CommandId::SetChannelGain,
      [&](CommandParams& p) {
        SetField(p, fields::ChannelGain::target, target);
        SetField(p, fields::ChannelGain::gain, gain);
      },
      Nothing);
}

bool WriteEqPreset(CHidDevCommApp& session, int channel, int preset) {
  if (preset < 0 || preset >= 3) return false;
  const uint8_t target = Target(channel);
  if (!RunExchange(
          session, CommandId::SetFilterBand, [&](CommandParams& p) { WriteBand(p, target, 0, kEqPresets[preset]); },
          Nothing))
    return false;
  // Each read and write is an exchange of its own; the lock is not held
  // from one to the next.
  for (int band = 1; band < 4; ++band) {
    FilterBandValues values;
    if (!RunExchange(
            session, CommandId::GetFilterBand,
            [&](CommandParams& p) {
              SetField(p, fields::FilterBand::target, target);
              SetField(p, fields::FilterBand::band, static_cast<uint8_t>(band));
              p.selector = 1;
            },
            [&](const CommandParams& p) { ReadBand(p, &values); }))
      return false;
    if (!RunExchange(
            session, CommandId::SetFilterBand, [&](CommandParams& p) { WriteBand(p, target, band, values); },
            Nothing))
      return false;
  }
  return true;
}

bool WritePaOutput(CHidDevCommApp& session, bool on) {
  std::lock_guard<std::recursive_mutex> guard(session.lock);
  CommandParams& p = session.params;
  p.selector = 1;
  SetField(p, fields::RoutingFlags::target, kRoutingTarget);
  if (session.Execute(ToInt(CommandId::GetRoutingFlags)) != LINK_OK) return false;
  uint8_t flags = GetField(p, fields::RoutingFlags::flags);
  flags = on ? static_cast<uint8_t>(flags | kPaOutputBit) : static_cast<uint8_t>(flags & ~kPaOutputBit);
  p.selector = 0;
  SetField(p, fields::RoutingFlags::target, kRoutingTarget);
  SetField(p, fields::RoutingFlags::flags, flags);
  return session.Execute(ToInt(CommandId::SetRoutingFlags)) == LINK_OK;
}

bool WriteMicMuteSync(CHidDevCommApp& session, uint8_t mode) {
  return RunExchange(
      session, CommandId::SetMicMuteSync,
      [&](CommandParams& p) {
        SetField(p, fields::MicMuteSync::mode, mode);
        SetField(p, fields::MicMuteSync::spare, uint8_t{0});
      },
      Nothing);
}

bool WriteUsbSpeed(CHidDevCommApp& session, uint8_t speed) {
  return RunExchange(
      session, CommandId::SetUsbSpeed, [&](CommandParams& p) { SetField(p, fields::Value::value, speed); },
      Nothing);
}

bool RestartAndWait(CHidDevCommApp& session, void (*idle)()) {
  const int before = ProbeDevice(session.Backend());
  if (!RunExchange(
          session, CommandId::RestartDevice, [](CommandParams& p) { SetField(p, fields::Value::value, uint8_t{0}); },
          Nothing))
    return false;
  for (int i = 0; i < kRestartProbeTries; ++i) {
    if (idle != nullptr) idle();
    std::this_thread::sleep_for(std::chrono::milliseconds(kRestartProbeIntervalMs));
    if (ProbeDevice(session.Backend()) != before) return true;
  }
  return false;
}

}  // namespace tarvik
