// libFuzzer entry of the firm file checks (firm_file_check.h).
#include <cstddef>
#include <cstdint>

#include "firm_file_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tarvik::fuzzing::CheckFirmFile(data, size);
  return 0;
}
