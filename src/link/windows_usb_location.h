// Where a HID interface sits on the USB bus, as Windows names it: the
// location path of the USB device it belongs to, as the device manager shows
// it ("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)#USB(2)"). It stays the same
// while the device stays in its port, across restarts under another product
// ID, which give the interface a new path.
#pragma once

#include <string>
#include <string_view>

#include "link/windows_hid_api.h"

namespace tarvik {

// The USB location in a location-paths property (strings each ended by NUL,
// the list by an empty one): the first path through a USB port, without the
// function part (#USBMI(n)) of a composite device. Empty when none is.
std::wstring UsbLocationIn(std::wstring_view locationPaths);

// The USB location of the device node `node` or of the nearest node above it
// that has location paths (a HID collection has none of its own); empty when
// none tells.
std::wstring UsbLocationOf(const WindowsHidApi& api, DEVINST node);

}  // namespace tarvik
