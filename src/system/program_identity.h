// The program's product name and version, as its own version resource has
// them.
#pragma once

#include <string>

namespace tarvik {

inline constexpr int kProductNameMaxUnits = 64;  // UTF-16 code units

struct ProgramIdentity {
  std::string productName;  // UTF-8, at most kProductNameMaxUnits; empty when missing
  int versionMajor = 0;     // 16-bit values, 0 when missing
  int versionMinor = 0;
  int versionBuild = 0;
};

// Windows: read from the version resource of the running executable (the
// translation's ProductName and the fixed product version); a longer name is
// cut. Linux: the values the build compiled in.
ProgramIdentity ReadProgramIdentity();

}  // namespace tarvik
