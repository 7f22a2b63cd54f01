#include "settings_session.h"

#include "device_connection.h"
#include "exit_codes.h"

namespace tarvik::ctl {
namespace {

constexpr int kRestartReturnMs = 15000;

}  // namespace

bool ReadSnapshot(DeviceConnection& connection, Snapshot* s) {
  if (!connection.ReadFirmware()) return false;
  std::copy(connection.Firmware(), connection.Firmware() + sizeof s->firmware, s->firmware);
  s->productId = connection.Session().productId;
  return ReadAll(connection.Session(), connection.Features(), &s->settings);
}

int DeviceFailed(Context& context, const std::string& what, int code) {
  return Fail(
      context, kExitFailed,
      (code == LINK_ERR_DEVICE_STATUS ? "the Tarvik refused " : "the Tarvik did not answer ") +
          what);
}

bool ConfirmRestart(Context& context) {
  return Confirm(
      context,
      "Tarvik will restart if you change this setting.\nAre you sure you want to continue?");
}

int WriteChange(Context& context, DeviceConnection& connection, const NamedSetting& named,
                int index) {
  const Setting& setting = *named.setting;
  if (const int code = WriteItem(connection.Session(), setting, named.channel, index))
    return DeviceFailed(context, "writing " + SettingName(setting, named.channel), code);
  if (setting.order != WriteOrder::kRestarts) return kExitOk;
  if (const int code = FinishWrite(connection.Session(), setting, nullptr))
    return DeviceFailed(context, "restarting", code);
  return connection.Reopen(kRestartReturnMs);
}

}  // namespace tarvik::ctl
