#include "link/hid_backend_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "link/report_descriptor.h"

namespace tarvik {

namespace {

constexpr std::string_view kNodePrefix = "hidraw";
constexpr std::size_t kMaxNodeDigits = 9;
constexpr std::size_t kMaxUeventSize = 4096;
static_assert(kMaxReportDescriptorSize == HID_MAX_DESCRIPTOR_SIZE,
              "the descriptor bound is the one hidraw hands descriptors out with");

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) close(fd_);
  }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&&) = delete;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

// Accepts "hidrawN" only, so an id can never lead out of the class directory.
bool ParseNodeName(std::string_view name, int* number) {
  if (!name.starts_with(kNodePrefix)) return false;
  const std::string_view digits = name.substr(kNodePrefix.size());
  if (digits.empty() || digits.size() > kMaxNodeDigits) return false;
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  *number = value;
  return true;
}

bool IsNodeName(std::string_view name) {
  int number = 0;
  return ParseNodeName(name, &number);
}

// Reads a whole file of at most maxBytes; false if it is missing, unreadable or larger.
bool ReadBoundedFile(const std::string& path, std::size_t maxBytes, std::vector<uint8_t>* out) {
  const UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return false;
  std::vector<uint8_t> data(maxBytes + 1);  // one spare byte detects an oversized file
  std::size_t size = 0;
  while (size < data.size()) {
    const ssize_t n = read(fd.get(), data.data() + size, data.size() - size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    size += static_cast<std::size_t>(n);
  }
  if (size > maxBytes) return false;
  data.resize(size);
  *out = std::move(data);
  return true;
}

// Exactly `digits` hex digits.
bool ParseHex(std::string_view text, std::size_t digits, uint32_t* value) {
  if (text.size() != digits) return false;
  uint32_t result = 0;
  for (char c : text) {
    uint32_t nibble = 0;
    if (c >= '0' && c <= '9')
      nibble = static_cast<uint32_t>(c - '0');
    else if (c >= 'A' && c <= 'F')
      nibble = static_cast<uint32_t>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f')
      nibble = static_cast<uint32_t>(c - 'a' + 10);
    else
      return false;
    result = (result << 4) | nibble;
  }
  *value = result;
  return true;
}

// "BBBB:VVVVVVVV:PPPPPPPP", the value of a uevent HID_ID line.
bool ParseHidId(std::string_view text, HidIdentity* identity) {
  constexpr std::size_t kBusDigits = 4;
  constexpr std::size_t kIdDigits = 8;
  if (text.size() != kBusDigits + 1 + kIdDigits + 1 + kIdDigits) return false;
  if (text[kBusDigits] != ':' || text[kBusDigits + 1 + kIdDigits] != ':') return false;
  uint32_t bus = 0;
  uint32_t vendor = 0;
  uint32_t product = 0;
  if (!ParseHex(text.substr(0, kBusDigits), kBusDigits, &bus) ||
      !ParseHex(text.substr(kBusDigits + 1, kIdDigits), kIdDigits, &vendor) ||
      !ParseHex(text.substr(kBusDigits + 1 + kIdDigits + 1), kIdDigits, &product))
    return false;
  if (vendor > 0xFFFF || product > 0xFFFF) return false;
  identity->vendorId = static_cast<uint16_t>(vendor);
  identity->productId = static_cast<uint16_t>(product);
  return true;
}

// The identity from the single HID_ID line of a uevent file.
bool ParseUevent(std::string_view uevent, HidIdentity* identity) {
  constexpr std::string_view kKey = "HID_ID=";
  bool found = false;
  while (!uevent.empty()) {
    const std::size_t end = uevent.find('\n');
    const std::string_view line = uevent.substr(0, end);
    uevent = end == std::string_view::npos ? std::string_view() : uevent.substr(end + 1);
    if (!line.starts_with(kKey)) continue;
    if (found || !ParseHidId(line.substr(kKey.size()), identity)) return false;
    found = true;
  }
  return found;
}

// Time left for poll(): -1 without a limit, else milliseconds rounded up.
class Deadline {
 public:
  explicit Deadline(int timeoutMs)
      : unlimited_(timeoutMs < 0),
        end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0))) {
  }

  int PollTimeout() const {
    if (unlimited_) return -1;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<int64_t>(left.count(), 0, INT_MAX));
  }

 private:
  bool unlimited_;
  std::chrono::steady_clock::time_point end_;
};

int IoctlRetrying(int fd, unsigned long request, void* arg) {
  int result = 0;
  do {
    result = ioctl(fd, request, arg);
  } while (result < 0 && errno == EINTR);
  return result;
}

// Identity and lengths are those the opened node described, so that they stay
// the node's own whatever sysfs shows later.
class HidrawHandle final : public HidHandle {
 public:
  HidrawHandle(UniqueFd device, UniqueFd abortEvent, HidIdentity identity, HidReportLengths lengths,
               bool numbered)
      : device_(std::move(device)),
        abortEvent_(std::move(abortEvent)),
        identity_(identity),
        lengths_(lengths),
        numbered_(numbered) {}

  bool Read(std::span<uint8_t> report, int timeoutMs) override;
  bool Write(std::span<const uint8_t> report, int timeoutMs) override;
  void AbortRead() override;
  bool Describe(HidIdentity* identity, HidReportLengths* lengths) const override {
    return DescribeAsOpened(identity_, lengths_, identity, lengths);
  }

 private:
  const UniqueFd device_;
  const UniqueFd abortEvent_;
  const HidIdentity identity_;
  const HidReportLengths lengths_;
  const bool numbered_;
};

bool HidrawHandle::Read(std::span<uint8_t> report, int timeoutMs) {
  // hidraw leaves the ID byte out of unnumbered reports: they go in after a 0.
  const std::size_t skip = numbered_ ? 0 : 1;
  if (report.size() <= skip) return false;
  const Deadline deadline(timeoutMs);
  for (;;) {
    pollfd fds[2] = {{device_.get(), POLLIN, 0}, {abortEvent_.get(), POLLIN, 0}};
    const int ready = poll(fds, 2, deadline.PollTimeout());
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    // The event is left set so that every later read fails at once too.
    if (fds[1].revents != 0) return false;
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
    const ssize_t n = read(device_.get(), report.data() + skip, report.size() - skip);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    if (skip != 0) report[0] = 0;
    std::fill(report.begin() + static_cast<std::ptrdiff_t>(skip) + n, report.end(), 0);
    return true;
  }
}

bool HidrawHandle::Write(std::span<const uint8_t> report, int timeoutMs) {
  // hidraw takes [report ID][data], the ID byte included even when it is 0.
  if (report.empty() || report.size() != static_cast<std::size_t>(lengths_.output)) return false;
  const Deadline deadline(timeoutMs);
  for (;;) {
    pollfd fd = {device_.get(), POLLOUT, 0};
    const int ready = poll(&fd, 1, deadline.PollTimeout());
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    if (fd.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
    const ssize_t n = write(device_.get(), report.data(), report.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    return n == static_cast<ssize_t>(report.size());
  }
}

void HidrawHandle::AbortRead() {
  const uint64_t one = 1;
  // Any other failure means the counter is already set.
  while (write(abortEvent_.get(), &one, sizeof one) < 0 && errno == EINTR) {
  }
}

// How many groups of digits `text` holds, split by single dots; 0 when it
// holds anything else or an empty group.
int DotGroups(std::string_view text) {
  int groups = 1;
  bool lastWasDigit = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      lastWasDigit = true;
    } else if (c == '.' && lastWasDigit) {
      lastWasDigit = false;
      ++groups;
    } else {
      return 0;
    }
  }
  return lastWasDigit ? groups : 0;
}

// "<bus>-<port>[.<port>...]:<configuration>.<interface>".
bool IsUsbInterfaceName(std::string_view name) {
  const std::size_t colon = name.find(':');
  const std::size_t dash = name.find('-');
  if (colon == std::string_view::npos || dash == std::string_view::npos || dash > colon)
    return false;
  return DotGroups(name.substr(0, dash)) == 1 &&
         DotGroups(name.substr(dash + 1, colon - dash - 1)) >= 1 &&
         DotGroups(name.substr(colon + 1)) == 2;
}

}  // namespace

HidrawBackend::HidrawBackend(std::string sysRoot, std::string devRoot)
    : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)) {}

std::string HidrawBackend::DeviceDir(const std::string& id) const {
  return sysRoot_ + "/class/hidraw/" + id + "/device";
}

std::vector<std::string> HidrawBackend::ListInterfaces() {
  std::vector<std::pair<int, std::string>> nodes;
  DIR* dir = opendir((sysRoot_ + "/class/hidraw").c_str());
  if (dir == nullptr) return {};
  while (const dirent* entry = readdir(dir)) {
    int number = 0;
    if (ParseNodeName(entry->d_name, &number)) nodes.emplace_back(number, entry->d_name);
  }
  closedir(dir);
  std::sort(nodes.begin(), nodes.end());
  std::vector<std::string> ids;
  ids.reserve(nodes.size());
  for (auto& node : nodes) ids.push_back(std::move(node.second));
  return ids;
}

bool HidrawBackend::ReadIdentity(const std::string& id, HidIdentity* out) {
  std::vector<uint8_t> uevent;
  if (out == nullptr || !IsNodeName(id) ||
      !ReadBoundedFile(DeviceDir(id) + "/uevent", kMaxUeventSize, &uevent))
    return false;
  const std::string_view text(reinterpret_cast<const char*>(uevent.data()), uevent.size());
  return ParseUevent(text, out);
}

bool HidrawBackend::ReadReportLengths(const std::string& id, HidReportLengths* out) {
  std::vector<uint8_t> descriptor;
  if (!IsNodeName(id) ||
      !ReadBoundedFile(DeviceDir(id) + "/report_descriptor", kMaxReportDescriptorSize, &descriptor))
    return false;
  return ParseReportLengths(descriptor, out);
}

bool HidrawBackend::DescribeNode(int fd, HidIdentity* identity,
                                 std::vector<uint8_t>* descriptor) const {
  hidraw_devinfo info{};
  int size = 0;
  if (IoctlRetrying(fd, HIDIOCGRAWINFO, &info) < 0 ||
      IoctlRetrying(fd, HIDIOCGRDESCSIZE, &size) < 0)
    return false;
  // The size is the device's word: it has to fit the buffer before it is asked for.
  if (size < 0 || static_cast<std::size_t>(size) > kMaxReportDescriptorSize) return false;
  auto report = std::make_unique<hidraw_report_descriptor>();
  report->size = static_cast<uint32_t>(size);
  if (IoctlRetrying(fd, HIDIOCGRDESC, report.get()) < 0) return false;
  // hidraw hands the IDs over as signed 16-bit fields.
  identity->vendorId = static_cast<uint16_t>(info.vendor);
  identity->productId = static_cast<uint16_t>(info.product);
  descriptor->assign(report->value, report->value + size);
  return true;
}

std::string UsbTopologyOf(std::string_view sysfsPath) {
  while (!sysfsPath.empty()) {
    const std::size_t slash = sysfsPath.rfind('/');
    const std::string_view name =
        slash == std::string_view::npos ? sysfsPath : sysfsPath.substr(slash + 1);
    if (IsUsbInterfaceName(name)) return std::string(name.substr(0, name.find(':')));
    if (slash == std::string_view::npos) break;
    sysfsPath = sysfsPath.substr(0, slash);
  }
  return {};
}

std::string HidrawBackend::TopologyPath(const std::string& id) {
  if (!IsNodeName(id)) return {};
  char resolved[PATH_MAX];
  if (realpath(DeviceDir(id).c_str(), resolved) == nullptr) return {};
  return UsbTopologyOf(resolved);
}

std::string HidrawBackend::NodePath(const std::string& id) { return devRoot_ + "/" + id; }

std::unique_ptr<HidHandle> HidrawBackend::OpenInterface(const std::string& id) {
  if (!IsNodeName(id)) return nullptr;
  // Non-blocking: a read() that finds nothing after poll() goes back to poll(),
  // where an abort is seen, instead of blocking.
  UniqueFd device(open((devRoot_ + "/" + id).c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
  if (!device.valid()) return nullptr;
  // Lengths and numbering come from the node opened, not from the sysfs entry
  // of its name, which may belong to another device by now.
  HidIdentity identity;
  std::vector<uint8_t> descriptor;
  HidReportLengths lengths;
  bool numbered = false;
  if (!DescribeNode(device.get(), &identity, &descriptor) ||
      !ParseReportLengths(descriptor, &lengths, &numbered))
    return nullptr;
  UniqueFd abortEvent(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!abortEvent.valid()) return nullptr;
  return std::make_unique<HidrawHandle>(std::move(device), std::move(abortEvent), identity, lengths,
                                        numbered);
}

HidBackend& SystemHidBackend() {
  static HidrawBackend backend;
  return backend;
}

}  // namespace tarvik
