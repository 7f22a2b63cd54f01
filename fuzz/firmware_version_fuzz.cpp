// libFuzzer entry of the firmware version checks (firmware_version_check.h).
#include <cstddef>
#include <cstdint>

#include "firmware_version_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tarvik::fuzzing::CheckFirmwareVersion(data, size);
  return 0;
}
