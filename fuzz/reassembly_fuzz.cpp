// libFuzzer entry of the reassembly checks (reassembly_check.h).
#include <cstddef>
#include <cstdint>

#include "reassembly_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tarvik::fuzzing::CheckReportSequence(data, size);
  return 0;
}
