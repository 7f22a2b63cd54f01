#include "trace_backend.h"

#include <cstdio>
#include <ostream>
#include <string>

namespace tarvik::ctl {
namespace {

class TraceHandle : public HidHandle {
 public:
  TraceHandle(std::unique_ptr<HidHandle> inner, TraceBackend& backend)
      : inner_(std::move(inner)), backend_(backend) {}

  bool Read(std::span<uint8_t> report, int timeoutMs) override {
    const bool ok = inner_->Read(report, timeoutMs);
    if (ok) backend_.Log("<", report);
    return ok;
  }
  bool Write(std::span<const uint8_t> report, int timeoutMs) override {
    backend_.Log(">", report);
    return inner_->Write(report, timeoutMs);
  }
  void AbortRead() override { inner_->AbortRead(); }
  bool Describe(HidIdentity* identity, HidReportLengths* lengths) const override {
    return inner_->Describe(identity, lengths);
  }

 private:
  std::unique_ptr<HidHandle> inner_;
  TraceBackend& backend_;
};

}  // namespace

std::unique_ptr<HidHandle> TraceBackend::OpenInterface(const std::string& id) {
  std::unique_ptr<HidHandle> handle = inner_.OpenInterface(id);
  if (!handle) return nullptr;
  return std::make_unique<TraceHandle>(std::move(handle), *this);
}

void TraceBackend::Log(const char* direction, std::span<const uint8_t> report) {
  // The first byte is the report ID; the data begins with the marker. All
  // of it is shown: a zero may be a value.
  const std::size_t end = report.size();
  std::string line = direction;
  char hex[4];
  for (std::size_t i = 1; i < end; ++i) {
    std::snprintf(hex, sizeof hex, " %02x", report[i]);
    line += hex;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  log_ << line << '\n' << std::flush;
}

}  // namespace tarvik::ctl
