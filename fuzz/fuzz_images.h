// The firmware images the operation harness hands to the two firmware
// transfers, so a transfer gets past its file checks and on to the replies.
#pragma once

#include <vector>

#include "tests/support/firmware_images.h"

namespace tarvik::fuzzing {

// UpdateFirmware: one block, and two blocks (the second a single byte).
inline std::vector<std::vector<uint8_t>> PackageImages() {
  using namespace tarvik::testing;
  return {Package(Payload(100)), Package(Payload(4097), 0x02100000)};
}

// UpdateFirmwareSection: one image of each section type 0 to 5, in type order.
inline std::vector<std::vector<uint8_t>> SectionImages() {
  using namespace tarvik::testing;
  return {Type0(), Trailing("UAMC"), Trailing("FWUP"), Sealed("FQI "), Agpf(2), Agpf(3)};
}

}  // namespace tarvik::fuzzing
