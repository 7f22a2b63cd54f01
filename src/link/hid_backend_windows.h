// HID interfaces through the Windows HID stack: SetupAPI lists them, HID.DLL
// describes them and overlapped file I/O moves their reports.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/hid_backend.h"
#include "link/windows_hid_api.h"

namespace tarvik {

// Interface ids are the device paths in UTF-8. Every platform call goes
// through `api`, which has to outlive the backend and the handles it opens.
class WindowsHidBackend : public HidBackend {
 public:
  explicit WindowsHidBackend(const WindowsHidApi& api = SystemWindowsHidApi());

  std::vector<std::string> ListInterfaces() override;
  bool ReadIdentity(const std::string& id, HidIdentity* out) override;
  bool ReadReportLengths(const std::string& id, HidReportLengths* out) override;
  // Null also when the opened interface cannot tell its identity and lengths.
  std::unique_ptr<HidHandle> OpenInterface(const std::string& id) override;
  // The USB device's location path, as the device manager shows it.
  std::string TopologyPath(const std::string& id) override;

 private:
  const WindowsHidApi& api_;
};

}  // namespace tarvik
