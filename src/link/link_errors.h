// Result codes of every device-link and device-operation call.
#pragma once

namespace tarvik {

inline constexpr int LINK_OK = 0;
inline constexpr int LINK_ERR_EMPTY = -1;
inline constexpr int LINK_ERR_NOT_OPEN = -4;
inline constexpr int LINK_ERR_UNKNOWN_COMMAND = -5;
inline constexpr int LINK_ERR_TIMEOUT = -7;
inline constexpr int LINK_ERR_BAD_IMAGE = -9;
inline constexpr int LINK_ERR_NULL_PARAM = -10;
inline constexpr int LINK_ERR_STOPPED = -11;
inline constexpr int LINK_ERR_BAD_REPLY = -12;
inline constexpr int LINK_ERR_DEVICE_STATUS = -13;
inline constexpr int LINK_ERR_IMAGE_CRC = -14;
inline constexpr int LINK_ERR_TRANSFER = -15;
inline constexpr int LINK_ERR_PROGRAM = -16;

// Name of a result code ("LINK_ERR_TIMEOUT", "OK"); "UNKNOWN" for anything else.
const char* LinkErrorName(int code);

}  // namespace tarvik
