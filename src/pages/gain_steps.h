// The gain steps of the GAIN and OUTPUT VOLUME lists, in 1/256 dB.
#pragma once

#include <cstdint>

namespace tarvik {

inline constexpr int16_t kGainSteps[9] = {-3072, -2304, -1536, -768, 0, 768, 1536, 2304, 3072};
inline constexpr const char* kGainItems[9] = {"-12dB", "-9dB", "-6dB", "-3dB", "0dB",
                                             "+3dB",  "+6dB", "+9dB", "+12dB"};

// The index of the step equal to `gain`, or -1 when no step is.
inline int GainStepIndex(int gain) {
  for (int i = 0; i < 9; ++i)
    if (kGainSteps[i] == gain) return i;
  return -1;
}

}  // namespace tarvik
