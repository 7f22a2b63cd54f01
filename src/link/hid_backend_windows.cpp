#include "link/hid_backend_windows.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

#include "link/report_descriptor.h"
#include "link/windows_usb_location.h"

namespace tarvik {

namespace {

// The longest path Windows accepts, in UTF-16 units.
constexpr DWORD kMaxPathChars = 32768;

// Device paths as UTF-8. A lone surrogate is coded like any other code point
// (3 bytes), so that every path comes back unchanged from its id.
std::string ToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint16_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      const uint32_t low = static_cast<uint16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    const int tail = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    static constexpr uint8_t kLead[] = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[tail] | (c >> (6 * tail)));
    for (int k = tail - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
  }
  return out;
}

// The reverse of ToUtf8. Fails on malformed input and on NUL, which would cut
// the path short and open another one.
bool FromUtf8(std::string_view text, std::wstring* out) {
  static constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  out->clear();
  for (std::size_t i = 0; i < text.size();) {
    const uint8_t lead = static_cast<uint8_t>(text[i]);
    const int tail = lead < 0x80             ? 0
                     : (lead & 0xE0) == 0xC0 ? 1
                     : (lead & 0xF0) == 0xE0 ? 2
                     : (lead & 0xF8) == 0xF0 ? 3
                                             : -1;
    if (tail < 0 || text.size() - i <= static_cast<std::size_t>(tail)) return false;
    uint32_t c = tail == 0 ? lead : lead & (0x3F >> tail);
    for (int k = 1; k <= tail; ++k) {
      const uint8_t next = static_cast<uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3F);
    }
    if (c == 0 || c < kSmallest[tail] || c > 0x10FFFF) return false;
    if (c >= 0x10000) {
      out->push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
      out->push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out->push_back(static_cast<wchar_t>(c));
    }
    i += static_cast<std::size_t>(tail) + 1;
  }
  return true;
}

// A kernel handle (file or event), closed with the table's CloseHandle.
class UniqueHandle {
 public:
  UniqueHandle(const WindowsHidApi& api, HANDLE handle)
      : api_(&api), handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~UniqueHandle() {
    if (handle_ != nullptr) api_->CloseHandle(handle_);
  }
  UniqueHandle(UniqueHandle&& other) noexcept
      : api_(other.api_), handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&&) = delete;
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  const WindowsHidApi* api_;
  HANDLE handle_;
};

class DeviceInfoList {
 public:
  DeviceInfoList(const WindowsHidApi& api, HDEVINFO list) : api_(api), list_(list) {}
  ~DeviceInfoList() {
    if (list_ != INVALID_HANDLE_VALUE) api_.SetupDiDestroyDeviceInfoList(list_);
  }
  DeviceInfoList(const DeviceInfoList&) = delete;
  DeviceInfoList& operator=(const DeviceInfoList&) = delete;

  HDEVINFO get() const { return list_; }
  explicit operator bool() const { return list_ != INVALID_HANDLE_VALUE; }

 private:
  const WindowsHidApi& api_;
  HDEVINFO list_;
};

class PreparsedData {
 public:
  PreparsedData(const WindowsHidApi& api, HANDLE file) : api_(api) {
    if (!api_.HidD_GetPreparsedData(file, &data_)) data_ = nullptr;
  }
  ~PreparsedData() {
    if (data_ != nullptr) api_.HidD_FreePreparsedData(data_);
  }
  PreparsedData(const PreparsedData&) = delete;
  PreparsedData& operator=(const PreparsedData&) = delete;

  PHIDP_PREPARSED_DATA get() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  const WindowsHidApi& api_;
  PHIDP_PREPARSED_DATA data_ = nullptr;
};

// The path of one listed interface and its device node: a size query, then
// the detail record.
bool DevicePath(const WindowsHidApi& api, HDEVINFO list, SP_DEVICE_INTERFACE_DATA* iface,
                std::wstring* path, DEVINST* node) {
  constexpr DWORD kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
  DWORD size = 0;
  // Fails by design (ERROR_INSUFFICIENT_BUFFER), having set the size.
  api.SetupDiGetDeviceInterfaceDetailW(list, iface, nullptr, 0, &size, nullptr);
  if (size < kPathOffset + sizeof(WCHAR) || size > kPathOffset + kMaxPathChars * sizeof(WCHAR))
    return false;
  std::vector<DWORD> storage(size / sizeof(DWORD) + 1);  // aligned as the record needs
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  if (!api.SetupDiGetDeviceInterfaceDetailW(list, iface, detail, size, nullptr, &device))
    return false;
  *node = device.DevInst;
  // Bounded by the buffer, terminated or not.
  const std::wstring_view chars(detail->DevicePath, (size - kPathOffset) / sizeof(WCHAR));
  path->assign(chars.substr(0, chars.find(L'\0')));
  return !path->empty();
}

UniqueHandle OpenPath(const WindowsHidApi& api, const std::string& id) {
  std::wstring path;
  if (!FromUtf8(id, &path) || path.empty()) return UniqueHandle(api, nullptr);
  return UniqueHandle(api, api.CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
}

bool QueryIdentity(const WindowsHidApi& api, HANDLE file, HidIdentity* out) {
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof attributes;
  if (!api.HidD_GetAttributes(file, &attributes)) return false;
  out->vendorId = attributes.VendorID;
  out->productId = attributes.ProductID;
  return true;
}

// Output bits of one button item: one per usage. Newer headers carry the
// item's report count, older ones only the usage range.
template <typename ButtonCaps>
uint64_t OutputBits(const ButtonCaps& item) {
  if constexpr (requires { item.ReportCount; }) {
    return item.ReportCount;
  } else {
    if (!item.IsRange) return 1;
    const USAGE first = item.Range.UsageMin;
    const USAGE last = item.Range.UsageMax;
    return last >= first ? uint64_t{last} - first + 1 : 0;
  }
}

uint64_t OutputBits(const HIDP_VALUE_CAPS& item) {
  return uint64_t{item.BitSize} * item.ReportCount;
}

// Adds the output items of one kind to their reports' tallies. False when the
// items are declared but cannot be read.
template <typename Caps, typename Get>
bool TallyOutputs(Get get, PHIDP_PREPARSED_DATA data, USHORT declared, OutputReportTally* tally) {
  if (declared == 0) return true;
  std::vector<Caps> caps(declared);
  USHORT count = declared;
  if (get(HidP_Output, caps.data(), &count, data) != HIDP_STATUS_SUCCESS) return false;
  for (const Caps& item : std::span(caps).first(std::min(count, declared))) {
    // An alias names the same field as the item after it.
    if (item.IsAlias) continue;
    tally->Declare(item.ReportID);
    tally->bits[item.ReportID] += OutputBits(item);  // at most 2^16 items of 2^32 bits
  }
  return true;
}

bool QueryLengths(const WindowsHidApi& api, HANDLE file, HidReportLengths* out) {
  const PreparsedData data(api, file);
  HIDP_CAPS caps{};
  if (!data || api.HidP_GetCaps(data.get(), &caps) != HIDP_STATUS_SUCCESS) return false;
  // Buttons first: of two equally long reports, the first seen is written.
  OutputReportTally outputs;
  if (!TallyOutputs<HIDP_BUTTON_CAPS>(api.HidP_GetButtonCaps, data.get(),
                                      caps.NumberOutputButtonCaps, &outputs) ||
      !TallyOutputs<HIDP_VALUE_CAPS>(api.HidP_GetValueCaps, data.get(), caps.NumberOutputValueCaps,
                                     &outputs))
    return false;
  out->input = caps.InputReportByteLength;
  out->output = caps.OutputReportByteLength;
  out->outputReportId = outputs.LongestId();
  return true;
}

// One overlapped transfer slot: its event, record and buffer. The buffer is
// the handle's own, so a caller's span is never left with the system.
struct Transfer {
  Transfer(UniqueHandle event, std::size_t size) : event(std::move(event)), buffer(size) {}
  UniqueHandle event;
  OVERLAPPED overlapped{};
  std::vector<uint8_t> buffer;
  bool running = false;  // started and not yet seen to end
};

class WindowsHidHandle final : public HidHandle {
 public:
  WindowsHidHandle(const WindowsHidApi& api, UniqueHandle file, UniqueHandle readEvent,
                   UniqueHandle writeEvent, HidIdentity identity, HidReportLengths lengths)
      : api_(api),
        file_(std::move(file)),
        read_(std::move(readEvent), static_cast<std::size_t>(lengths.input)),
        write_(std::move(writeEvent), static_cast<std::size_t>(lengths.output)),
        identity_(identity),
        lengths_(lengths) {}
  ~WindowsHidHandle() override;

  bool Read(std::span<uint8_t> report, int timeoutMs) override;
  bool Write(std::span<const uint8_t> report, int timeoutMs) override;
  void AbortRead() override;
  bool Describe(HidIdentity* identity, HidReportLengths* lengths) const override {
    return DescribeAsOpened(identity_, lengths_, identity, lengths);
  }

 private:
  bool Start(Transfer& transfer, bool isRead);
  bool Finish(Transfer& transfer, int timeoutMs, const std::atomic<bool>* stop, DWORD* bytes);
  void Drain(Transfer& transfer);

  const WindowsHidApi& api_;
  // Declared first so that it is closed last, after the events.
  const UniqueHandle file_;
  Transfer read_;
  Transfer write_;
  const HidIdentity identity_;
  const HidReportLengths lengths_;
  std::atomic<bool> aborted_{false};
};

WindowsHidHandle::~WindowsHidHandle() {
  // Read and Write wait for their own transfers; this only guards against one
  // left running, so that the system never writes into freed memory.
  if (read_.running || write_.running) api_.CancelIo(file_.get());
  Drain(read_);
  Drain(write_);
}

bool WindowsHidHandle::Start(Transfer& transfer, bool isRead) {
  transfer.overlapped = OVERLAPPED{};
  transfer.overlapped.hEvent = transfer.event.get();
  const DWORD size = static_cast<DWORD>(transfer.buffer.size());
  const BOOL done = isRead ? api_.ReadFile(file_.get(), transfer.buffer.data(), size, nullptr,
                                           &transfer.overlapped)
                           : api_.WriteFile(file_.get(), transfer.buffer.data(), size, nullptr,
                                            &transfer.overlapped);
  // After any other failure nothing runs, whatever the record says.
  transfer.running = done || api_.GetLastError() == ERROR_IO_PENDING;
  return transfer.running;
}

// Waits until a running transfer has ended, whatever becomes of it.
void WindowsHidHandle::Drain(Transfer& transfer) {
  if (!transfer.running) return;
  DWORD bytes = 0;
  while (!HasOverlappedIoCompleted(&transfer.overlapped)) {
    // An abort may have set the event while the transfer still runs: a wait on
    // it would end at once. The completion sets it again.
    api_.ResetEvent(transfer.event.get());
    api_.GetOverlappedResult(file_.get(), &transfer.overlapped, &bytes, TRUE);
  }
  transfer.running = false;
}

// Waits for a started transfer: without limit (timeoutMs < 0), or polling for
// timeoutMs. One still running when the wait ends, by time-out or by `stop`,
// is cancelled and waited for, so that the system has let go of the buffer
// and the record on return. True if the transfer succeeded.
bool WindowsHidHandle::Finish(Transfer& transfer, int timeoutMs, const std::atomic<bool>* stop,
                              DWORD* bytes) {
  OVERLAPPED* overlapped = &transfer.overlapped;
  const auto stopped = [stop] { return stop != nullptr && stop->load(); };
  if (timeoutMs < 0) {
    // Its result is not trusted: a wait ended by the abort's signal can report
    // success (as Wine does) for a transfer that still runs.
    if (!stopped()) api_.GetOverlappedResult(file_.get(), overlapped, bytes, TRUE);
  } else {
    const DWORD start = api_.GetTickCount();
    while (!api_.GetOverlappedResult(file_.get(), overlapped, bytes, FALSE) &&
           api_.GetLastError() == ERROR_IO_INCOMPLETE && !stopped() &&
           api_.GetTickCount() - start < static_cast<DWORD>(timeoutMs))
      api_.Sleep(0);
  }
  // CancelIo only reaches transfers this thread started, which this one is.
  if (!HasOverlappedIoCompleted(overlapped)) api_.CancelIo(file_.get());
  Drain(transfer);
  return api_.GetOverlappedResult(file_.get(), overlapped, bytes, FALSE) != FALSE;
}

bool WindowsHidHandle::Read(std::span<uint8_t> report, int timeoutMs) {
  if (aborted_.load() || report.empty() || read_.buffer.empty()) return false;
  if (!Start(read_, true)) return false;
  // ReadFile has cleared the event, so an abort from just before it shows
  // only in the flag, which Finish checks before it waits.
  DWORD bytes = 0;
  if (!Finish(read_, timeoutMs, &aborted_, &bytes)) return false;
  // A report that came in after an abort is not handed on.
  if (aborted_.load()) return false;
  const std::size_t n = std::min<std::size_t>({bytes, read_.buffer.size(), report.size()});
  std::copy_n(read_.buffer.begin(), n, report.begin());
  std::fill(report.begin() + static_cast<std::ptrdiff_t>(n), report.end(), 0);
  return true;
}

bool WindowsHidHandle::Write(std::span<const uint8_t> report, int timeoutMs) {
  // The HID driver takes whole output reports only.
  if (report.empty() || report.size() != write_.buffer.size()) return false;
  std::copy(report.begin(), report.end(), write_.buffer.begin());
  if (!Start(write_, false)) return false;
  DWORD bytes = 0;
  return Finish(write_, timeoutMs, nullptr, &bytes);
}

void WindowsHidHandle::AbortRead() {
  aborted_.store(true);
  api_.SetEvent(read_.event.get());
}

// Calls `visit` with the id and device node of each present HID interface,
// in the system's order, until it returns false.
template <typename Visit>
void ForEachInterface(const WindowsHidApi& api, Visit visit) {
  GUID hidClass;
  api.HidD_GetHidGuid(&hidClass);
  const DeviceInfoList list(api, api.SetupDiGetClassDevsW(&hidClass, nullptr, nullptr,
                                                          DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (!list) return;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof iface;
    // Past the end this fails with ERROR_NO_MORE_ITEMS; any other failure
    // ends the list as well.
    if (!api.SetupDiEnumDeviceInterfaces(list.get(), nullptr, &hidClass, index, &iface)) break;
    // An interface whose path cannot be had is passed over, not the rest.
    std::wstring path;
    DEVINST node = 0;
    if (DevicePath(api, list.get(), &iface, &path, &node) && !visit(ToUtf8(path), node)) break;
  }
}

}  // namespace

WindowsHidBackend::WindowsHidBackend(const WindowsHidApi& api) : api_(api) {}

std::vector<std::string> WindowsHidBackend::ListInterfaces() {
  std::vector<std::string> ids;
  ForEachInterface(api_, [&ids](std::string id, DEVINST) {
    ids.push_back(std::move(id));
    return true;
  });
  return ids;
}

std::string WindowsHidBackend::TopologyPath(const std::string& id) {
  std::string location;
  ForEachInterface(api_, [&](const std::string& listed, DEVINST node) {
    if (listed != id) return true;
    location = ToUtf8(UsbLocationOf(api_, node));
    return false;
  });
  return location;
}

bool WindowsHidBackend::ReadIdentity(const std::string& id, HidIdentity* out) {
  if (out == nullptr) return false;
  const UniqueHandle file = OpenPath(api_, id);
  return file && QueryIdentity(api_, file.get(), out);
}

bool WindowsHidBackend::ReadReportLengths(const std::string& id, HidReportLengths* out) {
  if (out == nullptr) return false;
  const UniqueHandle file = OpenPath(api_, id);
  return file && QueryLengths(api_, file.get(), out);
}

std::unique_ptr<HidHandle> WindowsHidBackend::OpenInterface(const std::string& id) {
  UniqueHandle file = OpenPath(api_, id);
  HidIdentity identity;
  HidReportLengths lengths;
  if (!file || !QueryIdentity(api_, file.get(), &identity) ||
      !QueryLengths(api_, file.get(), &lengths))
    return nullptr;
  // Manual-reset, not signalled.
  UniqueHandle readEvent(api_, api_.CreateEventW(nullptr, TRUE, FALSE, nullptr));
  UniqueHandle writeEvent(api_, api_.CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!readEvent || !writeEvent) return nullptr;
  return std::make_unique<WindowsHidHandle>(api_, std::move(file), std::move(readEvent),
                                            std::move(writeEvent), identity, lengths);
}

HidBackend& SystemHidBackend() {
  static WindowsHidBackend backend;
  return backend;
}

}  // namespace tarvik
