// The gain steps of the GAIN and OUTPUT VOLUME lists, in 1/256 dB.
#pragma once

#include <cstdint>
#include <iterator>

namespace tarvik {

inline constexpr int16_t kGainSteps[9] = {-3072, -2304, -1536, -768, 0, 768, 1536, 2304, 3072};
inline constexpr const char* kGainItems[std::size(kGainSteps)] = {
    "-12dB", "-9dB", "-6dB", "-3dB", "0dB", "+3dB", "+6dB", "+9dB", "+12dB"};

// The index of the step equal to `gain`, or -1 when no step is.
inline int GainStepIndex(int gain) {
  for (std::size_t i = 0; i < std::size(kGainSteps); ++i)
    if (kGainSteps[i] == gain) return static_cast<int>(i);
  return -1;
}

}  // namespace tarvik
