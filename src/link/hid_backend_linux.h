// HID interfaces through the Linux hidraw driver: identity and report
// descriptor from sysfs, reports through the /dev/hidrawN nodes. An opened
// node is asked itself, through its descriptor, what it is.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/hid_backend.h"

namespace tarvik {

// The bus-port chain of the USB interface directory ("1-4.2:1.3") nearest the
// end of a sysfs device path; empty when there is none.
std::string UsbTopologyOf(std::string_view sysfsPath);

// Interface ids are the node names, "hidraw0", "hidraw1" and so on. The roots
// can point at a stand-in tree for tests.
class HidrawBackend : public HidBackend {
 public:
  explicit HidrawBackend(std::string sysRoot = "/sys", std::string devRoot = "/dev");

  std::vector<std::string> ListInterfaces() override;
  bool ReadIdentity(const std::string& id, HidIdentity* out) override;
  bool ReadReportLengths(const std::string& id, HidReportLengths* out) override;
  // Null also when the opened node cannot tell its identity and descriptor.
  std::unique_ptr<HidHandle> OpenInterface(const std::string& id) override;
  // From the USB interface directory the node's device sits under in sysfs.
  std::string TopologyPath(const std::string& id) override;
  std::string NodePath(const std::string& id) override;

 protected:
  // The identity and report descriptor of the node open on `fd`, asked of the
  // node itself (hidraw's ioctls). Stand-in trees whose nodes are plain files
  // answer for them here.
  virtual bool DescribeNode(int fd, HidIdentity* identity, std::vector<uint8_t>* descriptor) const;

 private:
  std::string DeviceDir(const std::string& id) const;

  std::string sysRoot_;
  std::string devRoot_;
};

}  // namespace tarvik
