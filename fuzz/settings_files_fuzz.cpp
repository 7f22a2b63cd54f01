// libFuzzer entry of the settings document and state file checks
// (settings_files_check.h).
#include <cstddef>
#include <cstdint>

#include "settings_files_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tarvik::fuzzing::CheckSettingsFiles(data, size);
  return 0;
}
