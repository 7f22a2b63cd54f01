// Reads the firmware version and USB speed of the attached Tarvik through the
// device session, or of the stand-in device when no Tarvik is attached.
#include <cstdio>
#include <cstring>
#include <memory>

#include "commands/command_id.h"
#include "commands/operation_fields.h"
#include "link/hid_dev_comm_app.h"
#include "link/link_errors.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"

namespace {

using namespace tarvik;

int Report(CHidDevCommApp& session, const char* where) {
  std::lock_guard<std::recursive_mutex> guard(session.lock);
  session.params = {};
  SetField(session.params, fields::DeviceInfo::item, INFO_FIRMWARE_VERSION);
  int result = session.Execute(ToInt(CommandId::GetDeviceInfo));
  if (result != LINK_OK) {
    std::fprintf(stderr, "tarvik-info: reading the firmware version failed: %s\n",
                 LinkErrorName(result));
    return 1;
  }
  char version[17];
  std::memcpy(version, session.params.data + fields::DeviceInfo::text.offset, sizeof version);
  version[16] = '\0';

  session.params = {};
  result = session.Execute(ToInt(CommandId::GetUsbSpeed));
  if (result != LINK_OK) {
    std::fprintf(stderr, "tarvik-info: reading the USB speed failed: %s\n", LinkErrorName(result));
    return 1;
  }
  const int speed = GetField(session.params, fields::Value::value);
  std::printf("Device:           Tarvik (product ID 0x%04X, %s)\n", session.productId, where);
  std::printf("Firmware version: %s\n", version);
  std::printf("USB speed:        %s\n", speed == 0 ? "HI-SPEED" : speed == 1 ? "FULL-SPEED" : "unknown");
  return 0;
}

}  // namespace

int main() {
  if (ProbeDevice() == 1) {
    CHidDevCommApp session;
    if (session.Open()) return Report(session, "attached");
    std::fprintf(stderr, "tarvik-info: a Tarvik is attached but could not be opened\n");
    return 1;
  }
  std::printf("No Tarvik attached; using the stand-in device.\n");
  sim::SimDevice device;
  device.Plug();
  CHidDevCommApp session(sim::DefaultSimBackend());
  if (!session.Open()) {
    std::fprintf(stderr, "tarvik-info: the stand-in device could not be opened\n");
    return 1;
  }
  return Report(session, "stand-in");
}
