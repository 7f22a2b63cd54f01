// Input and output report lengths read from a HID report descriptor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "link/hid_backend.h"

namespace tarvik {

// Largest report descriptor accepted, and largest report it may describe, in bytes.
inline constexpr std::size_t kMaxReportDescriptorSize = 4096;
inline constexpr std::size_t kMaxDescribedReportSize = 4096;

// Fills `out` with the longest input and output report, each counted with its
// report-ID byte (a pseudo ID 0 when the descriptor does not number its
// reports), and the report ID in force at the first Output item. `numbered`,
// when given, tells whether the descriptor has Report ID items. False, with
// the outputs untouched, on a malformed, truncated or oversized descriptor.
bool ParseReportLengths(std::span<const uint8_t> descriptor, HidReportLengths* out,
                        bool* numbered = nullptr);

}  // namespace tarvik
