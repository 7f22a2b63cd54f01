// Plain-function callbacks through which the receive thread hands on what the
// device sends of its own accord.
#pragma once

#include <cstdint>

namespace tarvik {

// A notification (code, value), or NOTIFY_LINK_LOST with value 0.
using NotifyCallback = void (*)(int code, int value);
// A complete stream message: lead byte, the bytes after it (zero-terminated), L.
using StreamCallback = void (*)(int lead, const uint8_t* text, int length);

// Progress of a firmware transfer in percent, with the caller's value.
using ProgressCallback = void (*)(int percent, int user);

}  // namespace tarvik
