#include "settings_session.h"

#include "settings/firmware_version.h"
#include "device_connection.h"
#include "exit_codes.h"

namespace tarvik::ctl {
namespace {

constexpr int kRestartReturnMs = 15000;

}  // namespace

bool ReadSnapshot(CHidDevCommApp& session, Snapshot* s) {
  if (!ReadFirmwareVersion(session, s->firmware)) return false;
  s->productId = session.productId;
  return ReadAll(session, FeaturesOf(session.productId, ParseFirmwareVersion(s->firmware)),
                 &s->settings);
}

int DeviceFailed(Context& context, const std::string& what) {
  return Fail(context, kExitFailed, "the Tarvik did not answer " + what);
}

int SetInputMode(Context& context, CHidDevCommApp& session, int channel, int mode) {
  SettingsSnapshot read;
  if (!ReadInputModeBits(session, &read.modeBits))
    return DeviceFailed(context, "reading the input modes");
  int modes[2] = {SettingOf(SettingId::kMode).index(read, 0),
                  SettingOf(SettingId::kMode).index(read, 1)};
  modes[channel] = mode;
  if (session.ApplyInputModes(modes[0], modes[1]) != 1)
    return DeviceFailed(context, "writing the input modes");
  // Entering PA MICROPHONE, the page reads back what the copy brought in.
  if (mode == 1 && (!ReadChannelValues(session, channel, &read.channels[channel]) ||
                    !ReadRoutingFlags(session, &read.routing)))
    return DeviceFailed(context, "reading the channel back");
  return kExitOk;
}

bool ConfirmRestart(Context& context) {
  return Confirm(
      context,
      "Tarvik will restart if you change this setting.\nAre you sure you want to continue?");
}

int RestartAtUsbSpeed(Context& context, DeviceConnection& connection, uint8_t speed) {
  if (!SettingOf(SettingId::kUsbSpeed).write(connection.Session(), 0, speed))
    return DeviceFailed(context, "writing the USB speed");
  if (!RestartAndWait(connection.Session(), nullptr)) return DeviceFailed(context, "restarting");
  if (const int code = connection.Reopen(kRestartReturnMs)) return code;
  uint8_t current = 0;
  if (!ReadUsbSpeed(connection.Session(), &current))
    return DeviceFailed(context, "reading the USB speed");
  if (current != speed)
    return Fail(context, kExitFailed, "the Tarvik restarted but kept its USB speed");
  return kExitOk;
}

int SetUsbSpeed(Context& context, DeviceConnection& connection, uint8_t speed) {
  uint8_t current = 0;
  if (!ReadUsbSpeed(connection.Session(), &current))
    return DeviceFailed(context, "reading the USB speed");
  if (current == speed) return kExitOk;
  if (!ConfirmRestart(context)) return Fail(context, kExitFailed, "not changed");
  return RestartAtUsbSpeed(context, connection, speed);
}

}  // namespace tarvik::ctl
