#include "settings/settings_exchanges.h"

#include <cstring>
#include <iterator>
#include <string>

#include "commands/operation_fields.h"
#include "link/report_framing.h"
#include "settings/session_exchange.h"

namespace tarvik {
namespace {

constexpr uint8_t kRoutingTarget = 0;

void Nothing(const CommandParams&) {}

// Whether interface `id` is listed and shows the Tarvik's `productId`.
bool ShowsProduct(HidBackend& bus, const std::string& id, int productId) {
  HidIdentity identity;
  for (const std::string& listed : bus.ListInterfaces())
    if (listed == id)
      return bus.ReadIdentity(id, &identity) && identity.vendorId == kTarvikVendorId &&
             identity.productId == productId;
  return false;
}

// Band `band` of `target` from the working set (selector 0) or the second (1).
int ReadBand(CHidDevCommApp& session, uint8_t target, int band, uint8_t selector,
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

int WriteBand(CHidDevCommApp& session, uint8_t target, int band, const FilterBandValues& values) {
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
int ReadValue(CHidDevCommApp& session, CommandId id, FieldRef<T> field, T* out, Fill&& fill) {
  T value{};
  if (const int code = RunExchange(session, id, fill,
                                   [&](const CommandParams& p) { value = GetField(p, field); }))
    return code;
  *out = value;
  return LINK_OK;
}

template <typename T>
int ReadValue(CHidDevCommApp& session, CommandId id, FieldRef<T> field, T* out) {
  return ReadValue(session, id, field, out, [](CommandParams&) {});
}

// The interface a session opened under `productId`: the first listed with
// that identity, as Open takes it.
std::string OpenInterfaceId(HidBackend& bus, int productId) {
  for (const std::string& id : bus.ListInterfaces())
    if (ShowsProduct(bus, id, productId)) return id;
  return {};
}

}  // namespace

bool ReadFirmwareVersion(CHidDevCommApp& session, char (&version)[5]) {
  char text[5] = {};
  if (RunExchange(
          session, CommandId::GetDeviceInfo,
          [](CommandParams& p) { SetField(p, fields::DeviceInfo::item, INFO_FIRMWARE_VERSION); },
          [&](const CommandParams& p) {
            std::memcpy(text, p.data + fields::DeviceInfo::text.offset, 4);
          }) != LINK_OK)
    return false;
  std::memcpy(version, text, sizeof text);
  return true;
}

int ReadChannelValues(CHidDevCommApp& session, int channel, ChannelValues* values) {
  if (channel < 0 || channel > 1) return LINK_ERR_NULL_PARAM;
  const uint8_t target = InputTarget(channel);
  ChannelValues read;
  if (const int code = ReadValue(session, CommandId::GetChannelGain, fields::ChannelGain::gain,
                                 &read.gain, Targeting(fields::ChannelGain::target, target)))
    return code;
  for (int band = 0; band < 4; ++band)
    if (const int code = ReadBand(session, target, band, 0, &read.bands[band])) return code;
  if (const int code = ReadValue(session, CommandId::GetSignalLevel, fields::SignalLevel::level,
                                 &read.level, Targeting(fields::SignalLevel::target, target)))
    return code;
  *values = read;
  return LINK_OK;
}

int ReadRoutingFlags(CHidDevCommApp& session, uint8_t* flags) {
  return ReadValue(session, CommandId::GetRoutingFlags, fields::RoutingFlags::flags, flags,
                   Targeting(fields::RoutingFlags::target, kRoutingTarget));
}

int ReadInputModeBits(CHidDevCommApp& session, uint8_t* modeBits) {
  return ReadValue(session, CommandId::GetInputMode, fields::InputMode::modeBits, modeBits);
}

int ReadOutputGain(CHidDevCommApp& session, int16_t* gain) {
  return ReadValue(session, CommandId::GetChannelGain, fields::ChannelGain::gain, gain,
                   Targeting(fields::ChannelGain::target, TARGET_OUTPUT));
}

int ReadUsbSpeed(CHidDevCommApp& session, uint8_t* speed) {
  return ReadValue(session, CommandId::GetUsbSpeed, fields::Value::value, speed);
}

int ReadMicMuteSync(CHidDevCommApp& session, uint8_t* mode) {
  return ReadValue(session, CommandId::GetMicMuteSync, fields::MicMuteSync::mode, mode);
}

int WriteSignalLevel(CHidDevCommApp& session, int channel, bool microphone) {
  return RunExchange(
      session, CommandId::SetSignalLevel,
      [&](CommandParams& p) {
        SetField(p, fields::SignalLevel::target, InputTarget(channel));
        SetField(p, fields::SignalLevel::level, static_cast<uint8_t>(microphone ? 1 : 0));
      },
      Nothing);
}

int WriteChannelGain(CHidDevCommApp& session, uint8_t target, int16_t gain) {
  return RunExchange(
      session, CommandId::SetChannelGain,
      [&](CommandParams& p) {
        SetField(p, fields::ChannelGain::target, target);
        SetField(p, fields::ChannelGain::gain, gain);
      },
      Nothing);
}

int WriteEqPreset(CHidDevCommApp& session, int channel, int preset) {
  if (preset < 0 || preset >= static_cast<int>(std::size(kEqPresets))) return LINK_ERR_NULL_PARAM;
  const uint8_t target = InputTarget(channel);
  if (const int code = WriteBand(session, target, 0, kEqPresets[preset])) return code;
  // Each read and write is an exchange of its own; the lock is not held
  // from one to the next.
  for (int band = 1; band < 4; ++band) {
    FilterBandValues values;
    if (const int code = ReadBand(session, target, band, 1, &values)) return code;
    if (const int code = WriteBand(session, target, band, values)) return code;
  }
  return LINK_OK;
}

int WritePaOutput(CHidDevCommApp& session, bool on) {
  std::lock_guard<std::recursive_mutex> guard(session.lock);
  CommandParams& p = session.params;
  p.selector = 1;
  SetField(p, fields::RoutingFlags::target, kRoutingTarget);
  if (const int code = session.Execute(ToInt(CommandId::GetRoutingFlags))) return code;
  uint8_t flags = GetField(p, fields::RoutingFlags::flags);
  flags =
      on ? static_cast<uint8_t>(flags | kPaOutputBit) : static_cast<uint8_t>(flags & ~kPaOutputBit);
  p.selector = 0;
  SetField(p, fields::RoutingFlags::target, kRoutingTarget);
  SetField(p, fields::RoutingFlags::flags, flags);
  return session.Execute(ToInt(CommandId::SetRoutingFlags));
}

int WriteMicMuteSync(CHidDevCommApp& session, uint8_t mode) {
  return RunExchange(
      session, CommandId::SetMicMuteSync,
      [&](CommandParams& p) {
        SetField(p, fields::MicMuteSync::mode, mode);
        SetField(p, fields::MicMuteSync::spare, uint8_t{0});
      },
      Nothing);
}

int WriteUsbSpeed(CHidDevCommApp& session, uint8_t speed) {
  return RunExchange(
      session, CommandId::SetUsbSpeed,
      [&](CommandParams& p) { SetField(p, fields::Value::value, speed); }, Nothing);
}

int WriteInputModes(CHidDevCommApp& session, int modeL, int modeR) {
  std::lock_guard<std::recursive_mutex> guard(session.lock);
  if (session.ApplyInputModes(modeL, modeR) == 1) return LINK_OK;
  // The copy stops at the first failed exchange, so the last reply completed
  // is either that one, refused, or an accepted one before a lost answer.
  const int status = session.statusPair.status;
  return status == kStatusOk || status == kStatusOkAlt ? LINK_ERR_TIMEOUT : LINK_ERR_DEVICE_STATUS;
}

int RestartAndWait(CHidDevCommApp& session, void (*idle)()) {
  HidBackend& bus = session.Backend();
  const int productId = session.productId;
  const std::string watched = OpenInterfaceId(bus, productId);
  if (const int code = RunExchange(
          session, CommandId::RestartDevice,
          [](CommandParams& p) { SetField(p, fields::Value::value, uint8_t{0}); }, Nothing))
    return code;
  for (int i = 0; i < kRestartProbeTries; ++i) {
    if (idle != nullptr) idle();
    session.Clock().Pause(kRestartProbeIntervalMs);
    // A restart quicker than one pause shows the same product again; the
    // receive thread has then still seen the link end.
    if (session.link->Stopped() || !ShowsProduct(bus, watched, productId)) return LINK_OK;
  }
  return LINK_ERR_TIMEOUT;
}

}  // namespace tarvik
