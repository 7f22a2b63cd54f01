#include "settings/settings_exchanges.h"

#include <cstring>
#include <iterator>

#include "settings/session_exchange.h"
#include "commands/operation_fields.h"

namespace tarvik {
namespace {

constexpr uint8_t kRoutingTarget = 0;

void Nothing(const CommandParams&) {}

// Band `band` of `target` from the working set (selector 0) or the second (1).
bool ReadBand(CHidDevCommApp& session, uint8_t target, int band, uint8_t selector,
              FilterBandValues* values) {
  return RunExchange(
      session, CommandId::GetFilterBand,
      [&](CommandParams& p) {
        SetField(p, fields::FilterBand::target, target);
        SetField(p, fields::FilterBand::band, static_cast<uint8_t>(band));
        p.selector = selector;
      },
      [&](const CommandParams& p) {
        values->filterType = GetField(p, fields::FilterBand::filterType);
        for (int c = 0; c < 4; ++c)
          values->coefficients[c] = GetField(p, fields::FilterBand::Coefficient(c));
      });
}

bool WriteBand(CHidDevCommApp& session, uint8_t target, int band, const FilterBandValues& values) {
  return RunExchange(
      session, CommandId::SetFilterBand,
      [&](CommandParams& p) {
        SetField(p, fields::FilterBand::target, target);
        SetField(p, fields::FilterBand::band, static_cast<uint8_t>(band));
        SetField(p, fields::FilterBand::filterType, values.filterType);
        for (int c = 0; c < 4; ++c)
          SetField(p, fields::FilterBand::Coefficient(c), values.coefficients[c]);
      },
      Nothing);
}

// Sets the record's target field.
auto Targeting(FieldRef<uint8_t> field, uint8_t target) {
  return [=](CommandParams& p) { SetField(p, field, target); };
}

template <typename T, typename Fill>
bool ReadValue(CHidDevCommApp& session, CommandId id, FieldRef<T> field, T* out, Fill&& fill) {
  T value{};
  if (!RunExchange(session, id, fill, [&](const CommandParams& p) { value = GetField(p, field); }))
    return false;
  *out = value;
  return true;
}

template <typename T>
bool ReadValue(CHidDevCommApp& session, CommandId id, FieldRef<T> field, T* out) {
  return ReadValue(session, id, field, out, [](CommandParams&) {});
}

}  // namespace

bool ReadFirmwareVersion(CHidDevCommApp& session, char (&version)[5]) {
  char text[5] = {};
  if (!RunExchange(
          session, CommandId::GetDeviceInfo,
          [](CommandParams& p) { SetField(p, fields::DeviceInfo::item, INFO_FIRMWARE_VERSION); },
          [&](const CommandParams& p) {
            std::memcpy(text, p.data + fields::DeviceInfo::text.offset, 4);
          }))
    return false;
  std::memcpy(version, text, sizeof text);
  return true;
}

bool ReadChannelValues(CHidDevCommApp& session, int channel, ChannelValues* values) {
  if (channel < 0 || channel > 1) return false;
  const uint8_t target = InputTarget(channel);
  ChannelValues read;
  if (!ReadValue(session, CommandId::GetChannelGain, fields::ChannelGain::gain, &read.gain,
                 Targeting(fields::ChannelGain::target, target)))
    return false;
  for (int band = 0; band < 4; ++band)
    if (!ReadBand(session, target, band, 0, &read.bands[band])) return false;
  if (!ReadValue(session, CommandId::GetSignalLevel, fields::SignalLevel::level, &read.level,
                 Targeting(fields::SignalLevel::target, target)))
    return false;
  *values = read;
  return true;
}

bool ReadRoutingFlags(CHidDevCommApp& session, uint8_t* flags) {
  return ReadValue(session, CommandId::GetRoutingFlags, fields::RoutingFlags::flags, flags,
                   Targeting(fields::RoutingFlags::target, kRoutingTarget));
}

bool ReadInputModeBits(CHidDevCommApp& session, uint8_t* modeBits) {
  return ReadValue(session, CommandId::GetInputMode, fields::InputMode::modeBits, modeBits);
}

bool ReadOutputGain(CHidDevCommApp& session, int16_t* gain) {
  return ReadValue(session, CommandId::GetChannelGain, fields::ChannelGain::gain, gain,
                   Targeting(fields::ChannelGain::target, TARGET_OUTPUT));
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
        SetField(p, fields::SignalLevel::target, InputTarget(channel));
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
  if (preset < 0 || preset >= static_cast<int>(std::size(kEqPresets))) return false;
  const uint8_t target = InputTarget(channel);
  if (!WriteBand(session, target, 0, kEqPresets[preset])) return false;
  // Each read and write is an exchange of its own; the lock is not held
  // from one to the next.
  for (int band = 1; band < 4; ++band) {
    FilterBandValues values;
    if (!ReadBand(session, target, band, 1, &values) || !WriteBand(session, target, band, values))
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
  flags =
      on ? static_cast<uint8_t>(flags | kPaOutputBit) : static_cast<uint8_t>(flags & ~kPaOutputBit);
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
      session, CommandId::SetUsbSpeed,
      [&](CommandParams& p) { SetField(p, fields::Value::value, speed); }, Nothing);
}

bool RestartAndWait(CHidDevCommApp& session, void (*idle)()) {
  const Presence before = ProbeDevice(session.Backend());
  if (!RunExchange(
          session, CommandId::RestartDevice,
          [](CommandParams& p) { SetField(p, fields::Value::value, uint8_t{0}); }, Nothing))
    return false;
  for (int i = 0; i < kRestartProbeTries; ++i) {
    if (idle != nullptr) idle();
    session.Clock().Pause(kRestartProbeIntervalMs);
    if (ProbeDevice(session.Backend()) != before) return true;
  }
  return false;
}

}  // namespace tarvik
