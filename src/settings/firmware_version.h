// Packed form of a four-character firmware version text: "2.08" is
// 0x02000800, "200A" is 0x02000041; 0 means the text is not a version.
#pragma once

#include <cstdint>

namespace tarvik {

// The oldest firmware the program works with.
inline constexpr const char* kMinFirmwareVersion = "2.00";

// Accepts the dotted form D.DD and the digit-and-letter form DDDL.
uint32_t ParseFirmwareVersion(const char* text);

// Whether the program works with a device showing `versionText`: 2.00 or
// later, a trailing upper-case letter ignored and a lower-case one refused;
// `exemptProduct` accepts any text.
bool FirmwareAccepted(const char* versionText, bool exemptProduct);

}  // namespace tarvik
