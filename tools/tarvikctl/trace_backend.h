// A HID backend that writes every report sent and received, in hex with its
// marker first, to a stream, and passes everything on to the real backend.
#pragma once

#include <iosfwd>
#include <mutex>

#include "link/hid_backend.h"

namespace tarvik::ctl {

class TraceBackend : public HidBackend {
 public:
  TraceBackend(HidBackend& inner, std::ostream& log) : inner_(inner), log_(log) {}

  std::vector<std::string> ListInterfaces() override { return inner_.ListInterfaces(); }
  bool ReadIdentity(const std::string& id, HidIdentity* out) override {
    return inner_.ReadIdentity(id, out);
  }
  bool ReadReportLengths(const std::string& id, HidReportLengths* out) override {
    return inner_.ReadReportLengths(id, out);
  }
  std::unique_ptr<HidHandle> OpenInterface(const std::string& id) override;
  std::string TopologyPath(const std::string& id) override { return inner_.TopologyPath(id); }
  std::string NodePath(const std::string& id) override { return inner_.NodePath(id); }

  // One line: direction, then the report's data bytes from the marker on.
  // Reports cross two threads, hence the lock.
  void Log(const char* direction, std::span<const uint8_t> report);

 private:
  HidBackend& inner_;
  std::ostream& log_;
  std::mutex mutex_;
};

}  // namespace tarvik::ctl
