#include "fake_hidraw/fake_hidraw_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tarvik::sim {

namespace {

constexpr std::size_t kMaxNodeReadSize = 1 << 20;

bool WriteFile(const std::string& path, const void* data, std::size_t size) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  file.close();
  return !file.fail();
}

void AppendReportCount(std::vector<uint8_t>& d, int count) {
  if (count <= 0xFF) {
    d.insert(d.end(), {0x95, static_cast<uint8_t>(count)});
  } else if (count <= 0xFFFF) {
    d.insert(d.end(),
             {0x96, static_cast<uint8_t>(count & 0xFF), static_cast<uint8_t>((count >> 8) & 0xFF)});
  } else {
    d.insert(
        d.end(),
        {0x97, static_cast<uint8_t>(count & 0xFF), static_cast<uint8_t>((count >> 8) & 0xFF),
         static_cast<uint8_t>((count >> 16) & 0xFF), static_cast<uint8_t>((count >> 24) & 0xFF)});
  }
}

}  // namespace

FakeHidrawTree::FakeHidrawTree() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tarvik-hidraw-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return;
  std::error_code ec;
  std::filesystem::create_directories(pattern + "/sys/class/hidraw", ec);
  if (!ec) std::filesystem::create_directories(pattern + "/dev", ec);
  if (ec) {
    std::filesystem::remove_all(pattern, ec);
    return;
  }
  root_ = pattern;
  sysRoot_ = root_ + "/sys";
  devRoot_ = root_ + "/dev";
}

FakeHidrawTree::~FakeHidrawTree() {
  if (root_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

std::string FakeHidrawTree::DeviceDir(int number) const {
  return sysRoot_ + "/class/hidraw/hidraw" + std::to_string(number) + "/device";
}

std::string FakeHidrawTree::NodePath(int number) const {
  return devRoot_ + "/hidraw" + std::to_string(number);
}

int FakeHidrawTree::AddInterface(uint16_t vendorId, uint16_t productId,
                                 std::span<const uint8_t> descriptor, NodeKind kind) {
  const int number = nextNumber_;
  return AddInterfaceAt(number, vendorId, productId, descriptor, kind) ? number : -1;
}

bool FakeHidrawTree::AddInterfaceAt(int number, uint16_t vendorId, uint16_t productId,
                                    std::span<const uint8_t> descriptor, NodeKind kind) {
  if (!IsValid() || number < 0) return false;
  std::error_code ec;
  // create_directories reports false when the directory was already there.
  if (!std::filesystem::create_directories(DeviceDir(number), ec) || ec) return false;
  nextNumber_ = std::max(nextNumber_, number + 1);

  char uevent[256];
  std::snprintf(uevent, sizeof uevent,
                "DRIVER=hid-generic\nHID_ID=0003:%08X:%08X\nHID_NAME=Fake %04X:%04X\n"
                "HID_PHYS=usb-fake-1/input0\nHID_UNIQ=\nMODALIAS=hid:b0003g0001v%08Xp%08X\n",
                vendorId, productId, vendorId, productId, vendorId, productId);
  if (!SetUevent(number, uevent) || !SetDescriptor(number, descriptor) ||
      !SetNodeDescription(number, vendorId, productId, descriptor))
    return false;

  const std::string node = NodePath(number);
  switch (kind) {
    case NodeKind::kFifo:
      return mkfifo(node.c_str(), 0600) == 0;
    case NodeKind::kRegularFile:
      return WriteFile(node, "", 0);
    case NodeKind::kMissing:
      return true;
    case NodeKind::kUnopenable:
      return std::filesystem::create_directory(node, ec) && !ec;
  }
  return false;
}

bool FakeHidrawTree::SetUevent(int number, std::string_view text) const {
  return WriteFile(DeviceDir(number) + "/uevent", text.data(), text.size());
}

bool FakeHidrawTree::SetDescriptor(int number, std::span<const uint8_t> descriptor) const {
  return WriteFile(DeviceDir(number) + "/report_descriptor", descriptor.data(), descriptor.size());
}

bool FakeHidrawTree::SetNodeDescription(int number, uint16_t vendorId, uint16_t productId,
                                        std::span<const uint8_t> descriptor) {
  if (!IsValid() || number < 0) return false;
  nodes_[number] = {{vendorId, productId}, {descriptor.begin(), descriptor.end()}};
  return true;
}

bool FakeHidrawTree::DescribeOpenNode(int fd, HidIdentity* identity,
                                      std::vector<uint8_t>* descriptor) const {
  struct stat opened {};
  if (fstat(fd, &opened) != 0) return false;
  for (const auto& [number, node] : nodes_) {
    struct stat named {};
    if (stat(NodePath(number).c_str(), &named) != 0) continue;
    if (named.st_dev != opened.st_dev || named.st_ino != opened.st_ino) continue;
    *identity = node.identity;
    *descriptor = node.descriptor;
    return true;
  }
  return false;
}

bool FakeHidrawTree::WriteToNode(int number, std::span<const uint8_t> bytes) const {
  // Non-blocking open fails at once when no handle holds the FIFO open.
  const int fd = open(NodePath(number).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  close(fd);
  return done == bytes.size();
}

std::vector<uint8_t> FakeHidrawTree::ReadNode(int number) const {
  std::ifstream file(NodePath(number), std::ios::binary);
  std::vector<uint8_t> data;
  char byte = 0;
  while (data.size() < kMaxNodeReadSize && file.get(byte))
    data.push_back(static_cast<uint8_t>(byte));
  return data;
}

std::vector<uint8_t> FakeHidrawTree::VendorDescriptor(int inputBytes, int outputBytes,
                                                      int reportId) {
  std::vector<uint8_t> d = {
      0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
      0x09, 0x01,        // Usage (1)
      0xA1, 0x01,        // Collection (Application)
  };
  if (reportId > 0) d.insert(d.end(), {0x85, static_cast<uint8_t>(reportId)});
  d.insert(d.end(), {
                        0x15, 0x00,        // Logical Minimum (0)
                        0x26, 0xFF, 0x00,  // Logical Maximum (255)
                        0x75, 0x08,        // Report Size (8)
                    });
  if (inputBytes > 0) {
    AppendReportCount(d, inputBytes);
    d.insert(d.end(), {0x09, 0x02, 0x81, 0x02});  // Usage (2), Input (Data, Var, Abs)
  }
  if (outputBytes > 0) {
    AppendReportCount(d, outputBytes);
    d.insert(d.end(), {0x09, 0x03, 0x91, 0x02});  // Usage (3), Output (Data, Var, Abs)
  }
  d.push_back(0xC0);  // End Collection
  return d;
}

std::vector<uint8_t> FakeHidrawTree::LedDescriptor(uint8_t reportId) {
  // clang-format off
  return {0x05, 0x0B, 0x09, 0x05, 0xA1, 0x01,  // Telephony page, Headset: Collection (Application)
          0x85, reportId, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x02,  // 2 bits of 0 to 1
          0x09, 0x20, 0x09, 0x2F, 0x81, 0x02, 0x95, 0x06, 0x81, 0x01,  // hook switch, mute in; pad
          0x05, 0x08, 0x95, 0x03, 0x09, 0x17, 0x09, 0x09, 0x09, 0x18,  // LEDs off-hook, mute, ring
          0x91, 0x02, 0x95, 0x05, 0x91, 0x01, 0xC0};                    // out; pad; End Collection
  // clang-format on
}

}  // namespace tarvik::sim
