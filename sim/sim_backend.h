// HID backend whose interfaces are the stand-in devices plugged in now.
#pragma once

#include "link/hid_backend.h"

namespace tarvik::sim {

class SimBackend : public HidBackend {
 public:
  std::vector<std::string> ListInterfaces() override;
  bool ReadIdentity(const std::string& id, HidIdentity* out) override;
  bool ReadReportLengths(const std::string& id, HidReportLengths* out) override;
  std::unique_ptr<HidHandle> OpenInterface(const std::string& id) override;
  std::string TopologyPath(const std::string& id) override;
};

// One shared instance, for code that wants a backend reference to keep.
SimBackend& DefaultSimBackend();

}  // namespace tarvik::sim
