#include "link/hid_device.h"

#include <algorithm>
#include <cstring>

namespace tarvik {

namespace {

// Every report starts with its report-ID byte (0 when the device numbers none).
constexpr int kIdBytes = 1;

// A report-length test: the asked size plus the ID byte, or 0 when none is asked.
int ExpectedLength(int reportSize) { return reportSize == 0 ? 0 : reportSize + kIdBytes; }

}  // namespace

bool HidDevice::Matches(const std::string& id, HidIdentity* identity,
                        HidReportLengths* lengths) const {
  if (!backend_->ReadIdentity(id, identity)) return false;
  const bool any = vendorId_ == 0 && productId_ == 0;
  // The identity is cheap to read; the descriptor only for a candidate.
  if (!any && (identity->vendorId != vendorId_ || identity->productId != productId_)) return false;
  if (!backend_->ReadReportLengths(id, lengths)) return false;
  return any || (lengths->input == ExpectedLength(inputReportSize_) &&
                 lengths->output == ExpectedLength(outputReportSize_));
}

// Opens the matching interfaces in the system's order and keeps the
// matchIndex-th one that opens; interfaces that cannot be opened are passed over.
bool HidDevice::OpenDevice() {
  int count = 0;
  for (const std::string& id : backend_->ListInterfaces()) {
    HidIdentity identity;
    HidReportLengths lengths;
    if (!Matches(id, &identity, &lengths)) continue;
    std::unique_ptr<HidHandle> handle = backend_->OpenInterface(id);
    if (!handle) continue;
    // The id may have changed hands between the look and the open: what the
    // opened interface says of itself has to be what the look found.
    HidIdentity openedIdentity;
    HidReportLengths openedLengths;
    if (!handle->Describe(&openedIdentity, &openedLengths) || openedIdentity != identity ||
        openedLengths != lengths)
      continue;
    if (count++ != matchIndex_) continue;

    auto info = std::make_unique<HidDeviceInfo>();
    info->handle = std::move(handle);
    info->attributes = identity;
    info->caps = lengths;
    info->inputReport.assign(static_cast<std::size_t>(std::max(lengths.input, 0)), 0);
    info->outputReport.assign(static_cast<std::size_t>(std::max(lengths.output, 0)), 0);
    info_ = std::move(info);
    return true;
  }
  return false;
}

HidDeviceInfo* HidDevice::Open(int vendorId, int productId, int inputReportSize,
                               int outputReportSize, int matchIndex) {
  Close();
  vendorId_ = vendorId;
  productId_ = productId;
  inputReportSize_ = inputReportSize;
  outputReportSize_ = outputReportSize;
  matchIndex_ = matchIndex;
  if (inputReportSize > kMaxReportSize || outputReportSize > kMaxReportSize ||
      inputReportSize < 0 || outputReportSize < 0)
    return nullptr;
  if (!OpenDevice()) {
    Close();
    return nullptr;
  }
  isOpen_.store(1);
  return info_.get();
}

void HidDevice::Close() {
  isOpen_.store(0);
  info_.reset();
}

int HidDevice::Read(std::span<uint8_t> destination, int timeoutMs) {
  HidDeviceInfo* info = info_.get();
  if (!info || info->caps.input < kIdBytes) return 0;
  if (!info->handle->Read(info->inputReport, timeoutMs)) return 0;
  if (isOpen_.load() != 1) return 0;  // completed after an abort
  const std::size_t n =
      std::min(static_cast<std::size_t>(info->caps.input - kIdBytes), destination.size());
  std::memcpy(destination.data(), info->inputReport.data() + kIdBytes, n);
  return 1;
}

int HidDevice::Write(std::span<const uint8_t> source, int timeoutMs) {
  HidDeviceInfo* info = info_.get();
  if (isOpen_.load() != 1 || !info || info->caps.output < kIdBytes) return 0;
  std::vector<uint8_t>& out = info->outputReport;
  out[0] = info->caps.outputReportId;
  uint8_t* data = out.data() + kIdBytes;
  const std::size_t room = out.size() - kIdBytes;
  const std::size_t n = std::min(room, source.size());
  std::memcpy(data, source.data(), n);
  std::memset(data + n, 0, room - n);
  return info->handle->Write(out, timeoutMs) ? 1 : 0;
}

void HidDevice::AbortRead() {
  isOpen_.store(0);
  if (HidDeviceInfo* info = info_.get()) info->handle->AbortRead();
}

}  // namespace tarvik
