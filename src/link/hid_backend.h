// The platform beneath HidDevice: lists the HID interfaces present, tells
// their identity and report lengths, and opens one for report I/O.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tarvik {

struct HidIdentity {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  bool operator==(const HidIdentity&) const = default;
};

// Report lengths as the interface describes them, the report-ID byte counted
// (65 for a device with 64 data bytes); 0 when it has no report of that kind.
struct HidReportLengths {
  int input = 0;
  int output = 0;
  uint8_t outputReportId = 0;  // ID of the longest output report, 0 when unnumbered
  bool operator==(const HidReportLengths&) const = default;
};

// One opened interface. Reports travel as [report ID][data]: the ID byte is 0
// for a device that does not number its reports.
class HidHandle {
 public:
  virtual ~HidHandle() = default;
  // Waits for one input report (timeoutMs -1: without limit) and stores it in
  // `report`, which is the input report length long. False on failure, time-out
  // or abort.
  virtual bool Read(std::span<uint8_t> report, int timeoutMs) = 0;
  // Sends one output report of the output report length within timeoutMs.
  virtual bool Write(std::span<const uint8_t> report, int timeoutMs) = 0;
  // Makes a waiting Read, and every later one, fail at once. Thread-safe.
  virtual void AbortRead() = 0;
  // The identity and report lengths of the interface this handle has open, as
  // the opened interface itself tells them (not looked up again by id, which
  // may name another device by now). False when it cannot tell.
  virtual bool Describe(HidIdentity* identity, HidReportLengths* lengths) const = 0;
};

// Describe() of a handle that keeps what its interface told of itself when
// it was opened.
inline bool DescribeAsOpened(const HidIdentity& identity, const HidReportLengths& lengths,
                             HidIdentity* identityOut, HidReportLengths* lengthsOut) {
  if (identityOut == nullptr || lengthsOut == nullptr) return false;
  *identityOut = identity;
  *lengthsOut = lengths;
  return true;
}

class HidBackend {
 public:
  virtual ~HidBackend() = default;
  // Interfaces present now, in the system's order.
  virtual std::vector<std::string> ListInterfaces() = 0;
  virtual bool ReadIdentity(const std::string& id, HidIdentity* out) = 0;
  virtual bool ReadReportLengths(const std::string& id, HidReportLengths* out) = 0;
  // Opens the interface for reading and writing; null if it cannot be opened.
  virtual std::unique_ptr<HidHandle> OpenInterface(const std::string& id) = 0;
  // The interface's place on the USB bus as a bus-port chain ("1-4.2"), the
  // same while the device stays in its port, across restarts and re-plugging;
  // empty when the system does not tell.
  virtual std::string TopologyPath(const std::string& id) {
    static_cast<void>(id);
    return {};
  }
  // The name a user knows the interface by (its /dev node on Linux).
  virtual std::string NodePath(const std::string& id) { return id; }
};

// The machine's own HID interfaces (hidraw under /sys and /dev on Linux).
HidBackend& SystemHidBackend();

}  // namespace tarvik
