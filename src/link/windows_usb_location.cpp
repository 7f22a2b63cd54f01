#include "link/windows_usb_location.h"

#include <algorithm>
#include <vector>

namespace tarvik {
namespace {

// DEVPKEY_Device_LocationPaths, declared here so that no translation unit
// has to define the GUIDs of devpkey.h.
constexpr DEVPROPKEY kLocationPaths = {
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 37};

// A HID collection sits two or three nodes below its USB device; a deeper
// walk means the tree is not what it should be.
constexpr int kMaxAncestors = 8;
// Location paths are short; a larger property is refused, not allocated.
constexpr ULONG kMaxPropertyBytes = 64 * 1024;

// The node's location-paths property; false when it has none.
bool LocationPaths(const WindowsHidApi& api, DEVINST node, std::wstring* out) {
  DEVPROPTYPE type = 0;
  ULONG size = 0;
  if (api.CM_Get_DevNode_PropertyW(node, &kLocationPaths, &type, nullptr, &size, 0) !=
          CR_BUFFER_SMALL ||
      type != DEVPROP_TYPE_STRING_LIST || size < sizeof(WCHAR) || size > kMaxPropertyBytes)
    return false;
  std::vector<WCHAR> buffer(size / sizeof(WCHAR) + 1, L'\0');
  ULONG got = size;
  if (api.CM_Get_DevNode_PropertyW(node, &kLocationPaths, &type,
                                   reinterpret_cast<PBYTE>(buffer.data()), &got, 0) != CR_SUCCESS ||
      type != DEVPROP_TYPE_STRING_LIST)
    return false;
  out->assign(buffer.data(), std::min<std::size_t>(got, size) / sizeof(WCHAR));
  return true;
}

}  // namespace

std::wstring UsbLocationIn(std::wstring_view locationPaths) {
  while (!locationPaths.empty()) {
    const std::size_t end = std::min(locationPaths.find(L'\0'), locationPaths.size());
    std::wstring_view path = locationPaths.substr(0, end);
    if (path.empty()) break;
    locationPaths.remove_prefix(std::min(end + 1, locationPaths.size()));
    if (const std::size_t function = path.find(L"#USBMI("); function != path.npos)
      path = path.substr(0, function);
    if (path.find(L"#USB(") != path.npos) return std::wstring(path);
  }
  return {};
}

std::wstring UsbLocationOf(const WindowsHidApi& api, DEVINST node) {
  for (int depth = 0; depth < kMaxAncestors; ++depth) {
    std::wstring paths;
    if (LocationPaths(api, node, &paths)) return UsbLocationIn(paths);
    DEVINST parent = 0;
    if (api.CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) break;
    node = parent;
  }
  return {};
}

}  // namespace tarvik
