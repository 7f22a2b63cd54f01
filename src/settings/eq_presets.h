// The EQ list's presets: band 0 of an input channel as the device keeps it,
// with bands 1 to 3 off.
#pragma once

#include <cstdint>
#include <iterator>

namespace tarvik {

struct FilterBandValues {
  uint8_t filterType = 0;
  float coefficients[4] = {};
};

inline constexpr FilterBandValues kEqPresets[3] = {
    {0, {100.0f, 100.0f, 0.0f, 0.707f}},   // THRU
    {10, {250.0f, 250.0f, 9.0f, 0.707f}},  // LOW BOOST
    {6, {315.0f, 315.0f, 0.0f, 0.707f}},   // LOW CUT
};
inline constexpr const char* kEqItems[std::size(kEqPresets)] = {"THRU", "LOW BOOST", "LOW CUT"};

// The preset that four bands show, or -1: bands 1 to 3 in use, or band 0
// equal to no preset. Band 0 of type 0 is THRU whatever its coefficients.
inline int MatchEqPreset(const FilterBandValues (&bands)[4]) {
  for (int band = 1; band < 4; ++band)
    if (bands[band].filterType != 0) return -1;
  if (bands[0].filterType == 0) return 0;
  for (std::size_t i = 0; i < std::size(kEqPresets); ++i) {
    const FilterBandValues& preset = kEqPresets[i];
    bool same = preset.filterType == bands[0].filterType;
    for (int c = 0; c < 4 && same; ++c) same = preset.coefficients[c] == bands[0].coefficients[c];
    if (same) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace tarvik
