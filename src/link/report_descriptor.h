// Input and output report lengths read from a HID report descriptor.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/hid_backend.h"

namespace tarvik {

// Largest report descriptor accepted, and largest report it may describe, in bytes.
inline constexpr std::size_t kMaxReportDescriptorSize = 4096;
inline constexpr std::size_t kMaxDescribedReportSize = 4096;

// Output bits per report ID, and the IDs in the order of their first output
// item. An interface may declare several output reports (LED reports beside
// the data report, say); the link writes the longest, whose length is the
// interface's output length.
struct OutputReportTally {
  std::array<uint64_t, 256> bits{};
  std::vector<uint8_t> declared;

  void Declare(uint8_t id);
  // The longest output report's ID, the first declared of equals; 0 when none.
  uint8_t LongestId() const;
};

// Fills `out` with the longest input and output report, each counted with its
// report-ID byte (a pseudo ID 0 when the descriptor does not number its
// reports), and the longest output report's ID. `numbered`, when given, tells
// whether the descriptor has Report ID items. False, with the outputs
// untouched, on a malformed, truncated or oversized descriptor.
bool ParseReportLengths(std::span<const uint8_t> descriptor, HidReportLengths* out,
                        bool* numbered = nullptr);

}  // namespace tarvik
