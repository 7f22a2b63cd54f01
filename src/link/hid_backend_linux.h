// HID interfaces through the Linux hidraw driver: identity and report
// descriptor from sysfs, reports through the /dev/hidrawN nodes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/hid_backend.h"

namespace tarvik {

// Interface ids are the node names, "hidraw0", "hidraw1" and so on. The roots
// can point at a stand-in tree for tests.
class HidrawBackend : public HidBackend {
 public:
  explicit HidrawBackend(std::string sysRoot = "/sys", std::string devRoot = "/dev");

  std::vector<std::string> ListInterfaces() override;
  bool ReadIdentity(const std::string& id, HidIdentity* out) override;
  bool ReadReportLengths(const std::string& id, HidReportLengths* out) override;
  std::unique_ptr<HidHandle> OpenInterface(const std::string& id) override;

 private:
  std::string DeviceDir(const std::string& id) const;
  bool ReadDescriptor(const std::string& id, HidReportLengths* lengths, bool* numbered) const;

  std::string sysRoot_;
  std::string devRoot_;
};

}  // namespace tarvik
