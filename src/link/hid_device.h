// One USB HID interface found by vendor ID, product ID and report lengths,
// moving single reports without their report-ID byte.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "link/hid_backend.h"

namespace tarvik {

struct HidDeviceInfo {
  std::unique_ptr<HidHandle> handle;
  HidIdentity attributes;
  HidReportLengths caps;
  std::vector<uint8_t> inputReport;   // caps.input bytes
  std::vector<uint8_t> outputReport;  // caps.output bytes
};

class HidDevice {
 public:
  static constexpr int kMaxReportSize = 256;

  explicit HidDevice(HidBackend& backend = SystemHidBackend()) : backend_(&backend) {}
  ~HidDevice() { Close(); }
  HidDevice(const HidDevice&) = delete;
  HidDevice& operator=(const HidDevice&) = delete;

  // Opens the matchIndex-th matching interface; null if none. Vendor and
  // product 0 match every interface that opens, whatever its report lengths.
  HidDeviceInfo* Open(int vendorId, int productId, int inputReportSize, int outputReportSize,
                      int matchIndex);
  void Close();
  // One input report without its ID byte, at most destination.size() bytes.
  // Returns 1 or 0.
  int Read(std::span<uint8_t> destination, int timeoutMs);
  // One output report from source (zero-filled past its end). Returns 1 or 0.
  int Write(std::span<const uint8_t> source, int timeoutMs);
  // Makes a waiting Read return 0 at once; callable from another thread.
  void AbortRead();

 private:
  bool Matches(const std::string& id, HidIdentity* identity, HidReportLengths* lengths) const;
  bool OpenDevice();

  HidBackend* backend_;
  std::unique_ptr<HidDeviceInfo> info_;
  int vendorId_ = 0;
  int productId_ = 0;
  int inputReportSize_ = 0;
  int outputReportSize_ = 0;
  int matchIndex_ = 0;
  std::atomic<int> isOpen_{0};
};

}  // namespace tarvik
