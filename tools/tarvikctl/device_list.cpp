#include "device_list.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "session/hid_dev_comm_app.h"

namespace tarvik::ctl {
namespace {

int PickRank(uint16_t productId) {
  const auto* found = std::find(std::begin(kProductIds), std::end(kProductIds), productId);
  if (found != std::end(kProductIds)) return static_cast<int>(found - std::begin(kProductIds));
  const int known = static_cast<int>(std::size(kProductIds));
  return productId == kProductIdProbeOnly ? known : known + 1;
}

}  // namespace

std::vector<AttachedDevice> ListAttached(HidBackend& backend) {
  std::vector<AttachedDevice> devices;
  for (const std::string& id : backend.ListInterfaces()) {
    HidIdentity identity;
    if (!backend.ReadIdentity(id, &identity) || identity.vendorId != kTarvikVendorId) continue;
    AttachedDevice device;
    device.id = id;
    device.node = backend.NodePath(id);
    device.topology = backend.TopologyPath(id);
    device.productId = identity.productId;
    device.accessible = backend.OpenInterface(id) != nullptr;
    devices.push_back(std::move(device));
  }
  std::stable_sort(devices.begin(), devices.end(),
                   [](const AttachedDevice& a, const AttachedDevice& b) {
                     return PickRank(a.productId) < PickRank(b.productId);
                   });
  for (std::size_t i = 0; i < devices.size(); ++i) devices[i].index = static_cast<int>(i);
  return devices;
}

const AttachedDevice* FindSelected(const std::vector<AttachedDevice>& devices,
                                   const std::string& selector) {
  std::size_t index = 0;
  const char* end = selector.data() + selector.size();
  const auto [last, error] = std::from_chars(selector.data(), end, index);
  if (!selector.empty() && error == std::errc() && last == end)
    return index < devices.size() ? &devices[index] : nullptr;
  for (const AttachedDevice& device : devices)
    if (selector == device.id || selector == device.node ||
        (!device.topology.empty() && selector == device.topology))
      return &device;
  return nullptr;
}

std::string StableSelector(const AttachedDevice& device) {
  return device.topology.empty() ? device.id : device.topology;
}

std::string DeviceName(const AttachedDevice& device) {
  return device.topology.empty() ? device.node : device.topology + " (" + device.node + ")";
}

}  // namespace tarvik::ctl
