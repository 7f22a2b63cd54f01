#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "fake_hidraw/fake_hidraw_tree.h"
#include "link/hid_backend_linux.h"
#include "link/hid_device.h"

namespace tarvik {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using NodeKind = sim::FakeHidrawTree::NodeKind;

constexpr uint16_t kVendor = 0x2F3A;
constexpr uint16_t kProduct = 0x4021;
// Bound for "returns promptly": generous so that slow machines never fail.
constexpr auto kPrompt = 5s;

Bytes Pattern(std::size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i);
  return bytes;
}

Bytes WithId(uint8_t id, const Bytes& data) {
  Bytes report(data.size() + 1, id);
  std::copy(data.begin(), data.end(), report.begin() + 1);
  return report;
}

class HidrawTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(tree_.IsValid()); }

  int Add(int inputBytes, int outputBytes, int reportId, NodeKind kind, uint16_t vendor = kVendor,
          uint16_t product = kProduct) {
    const int n = tree_.AddInterface(
        vendor, product, sim::FakeHidrawTree::VendorDescriptor(inputBytes, outputBytes, reportId),
        kind);
    EXPECT_GE(n, 0);
    return n;
  }

  sim::FakeHidrawTree tree_;
  sim::FakeHidrawBackend backend_{tree_};
};

// ---- The backend on its own -------------------------------------------------

using HidrawBackendTest = HidrawTest;

TEST_F(HidrawBackendTest, ListsHidrawEntriesInNumericOrder) {
  const Bytes descriptor = sim::FakeHidrawTree::VendorDescriptor(64, 64, 0);
  for (int n : {10, 2, 0})
    ASSERT_TRUE(tree_.AddInterfaceAt(n, kVendor, kProduct, descriptor, NodeKind::kFifo));
  for (const char* stray : {"hidraw", "hidrawX", "hidraw-1", "hidraw1234567890", "event3"})
    std::filesystem::create_directory(tree_.SysRoot() + "/class/hidraw/" + stray);

  EXPECT_EQ(backend_.ListInterfaces(),
            (std::vector<std::string>{"hidraw0", "hidraw2", "hidraw10"}));
  EXPECT_TRUE(HidrawBackend("/nonexistent-sys", "/nonexistent-dev").ListInterfaces().empty());
}

TEST_F(HidrawBackendTest, ReadsIdentityFromUevent) {
  const int n = Add(64, 64, 0, NodeKind::kFifo, 0xABCD, 0x0102);
  HidIdentity identity;
  ASSERT_TRUE(backend_.ReadIdentity("hidraw" + std::to_string(n), &identity));
  EXPECT_EQ(identity, (HidIdentity{0xABCD, 0x0102}));

  ASSERT_TRUE(tree_.SetUevent(n, "HID_NAME=x\nHID_ID=0005:00002f3a:00004021"));
  ASSERT_TRUE(backend_.ReadIdentity("hidraw" + std::to_string(n), &identity));
  EXPECT_EQ(identity, (HidIdentity{kVendor, kProduct}));
}

TEST_F(HidrawBackendTest, RejectsMalformedUevents) {
  const int n = Add(64, 64, 0, NodeKind::kFifo);
  const std::string id = "hidraw" + std::to_string(n);
  const std::string bad[] = {
      "",
      "DRIVER=hid-generic\n",
      "HID_ID=0003:2F3A:4021\n",
      "HID_ID=0003:00002F3A\n",
      "HID_ID=0003:00012F3A:00004021\n",  // vendor wider than 16 bits
      "HID_ID=0003:00002F3G:00004021\n",
      "HID_ID=0003:00002F3A:00004021 \n",
      "HID_ID= 0003:00002F3A:00004021\n",
      "HID_ID=0003-00002F3A-00004021\n",
      "HID_ID=0003:00002F3A:00004021\nHID_ID=0003:00002F3A:00004022\n",
      // Too long to be a uevent, though it starts well.
      "HID_ID=0003:00002F3A:00004021\n" + std::string(5000, 'x') + "\n",
  };
  for (const std::string& text : bad) {
    ASSERT_TRUE(tree_.SetUevent(n, text));
    HidIdentity identity;
    EXPECT_FALSE(backend_.ReadIdentity(id, &identity)) << text.substr(0, 60);
  }
}

TEST_F(HidrawBackendTest, ReadsReportLengthsFromDescriptorFile) {
  const int n = Add(32, 64, 4, NodeKind::kFifo);
  const std::string id = "hidraw" + std::to_string(n);
  HidReportLengths lengths;
  ASSERT_TRUE(backend_.ReadReportLengths(id, &lengths));
  EXPECT_EQ(lengths, (HidReportLengths{33, 65, 4}));

  Bytes oversized = sim::FakeHidrawTree::VendorDescriptor(64, 64, 0);
  oversized.resize(5000, 0x08);  // data-less Usage items
  ASSERT_TRUE(tree_.SetDescriptor(n, oversized));
  EXPECT_FALSE(backend_.ReadReportLengths(id, &lengths));

  ASSERT_TRUE(tree_.SetDescriptor(n, Bytes{0x75, 0x08, 0x96, 0x40}));
  EXPECT_FALSE(backend_.ReadReportLengths(id, &lengths));
  EXPECT_FALSE(backend_.ReadReportLengths("hidraw99", &lengths));
}

TEST_F(HidrawBackendTest, IdsOutsideTheClassDirectoryAreRefused) {
  const int n = Add(64, 64, 0, NodeKind::kFifo);
  ASSERT_EQ(n, 0);
  HidIdentity identity;
  HidReportLengths lengths;
  for (const char* id : {"../hidraw/hidraw0", "hidraw0/..", "hidraw0/../hidraw0", "", "hidraw"}) {
    EXPECT_FALSE(backend_.ReadIdentity(id, &identity)) << id;
    EXPECT_FALSE(backend_.ReadReportLengths(id, &lengths)) << id;
    EXPECT_EQ(backend_.OpenInterface(id), nullptr) << id;
  }
}

TEST_F(HidrawBackendTest, OpensOnlyNodesThatOpenReadWrite) {
  const int fifo = Add(64, 64, 0, NodeKind::kFifo);
  const int missing = Add(64, 64, 0, NodeKind::kMissing);
  const int directory = Add(64, 64, 0, NodeKind::kUnopenable);
  EXPECT_NE(backend_.OpenInterface("hidraw" + std::to_string(fifo)), nullptr);
  EXPECT_EQ(backend_.OpenInterface("hidraw" + std::to_string(missing)), nullptr);
  EXPECT_EQ(backend_.OpenInterface("hidraw" + std::to_string(directory)), nullptr);
}

// The handle takes identity, lengths and numbering from the node it opened,
// whatever sysfs says under the node's name.
TEST_F(HidrawBackendTest, HandleDescribesTheNodeOpenedNotItsSysfsEntry) {
  const int n = Add(64, 64, 0, NodeKind::kFifo);
  ASSERT_TRUE(tree_.SetNodeDescription(n, kVendor, 0x4022,
                                       sim::FakeHidrawTree::VendorDescriptor(32, 64, 3)));
  const std::string id = "hidraw" + std::to_string(n);
  const auto handle = backend_.OpenInterface(id);
  ASSERT_NE(handle, nullptr);
  HidIdentity identity;
  HidReportLengths lengths;
  ASSERT_TRUE(handle->Describe(&identity, &lengths));
  EXPECT_EQ(identity, (HidIdentity{kVendor, 0x4022}));
  EXPECT_EQ(lengths, (HidReportLengths{33, 65, 3}));
  // Numbered reports come in with their ID byte, not after a 0.
  ASSERT_TRUE(tree_.WriteToNode(n, WithId(3, Pattern(32, 9))));
  Bytes report(33);
  ASSERT_TRUE(handle->Read(report, 1000));
  EXPECT_EQ(report, WithId(3, Pattern(32, 9)));

  // A node whose own descriptor does not parse is not opened.
  ASSERT_TRUE(tree_.SetNodeDescription(n, kVendor, kProduct, Bytes{0x75, 0x08, 0x96, 0x40}));
  EXPECT_EQ(backend_.OpenInterface(id), nullptr);
}

TEST_F(HidrawBackendTest, AbortedHandleKeepsFailingWithReportsWaiting) {
  const int n = Add(64, 64, 0, NodeKind::kFifo);
  const auto handle = backend_.OpenInterface("hidraw" + std::to_string(n));
  ASSERT_NE(handle, nullptr);
  handle->AbortRead();
  ASSERT_TRUE(tree_.WriteToNode(n, Pattern(128, 1)));  // two reports waiting
  Bytes report(65);
  EXPECT_FALSE(handle->Read(report, -1));
  EXPECT_FALSE(handle->Read(report, -1));
}

TEST_F(HidrawBackendTest, WriteRejectsReportsOfTheWrongLength) {
  const int n = Add(64, 64, 0, NodeKind::kRegularFile);
  const auto handle = backend_.OpenInterface("hidraw" + std::to_string(n));
  ASSERT_NE(handle, nullptr);
  EXPECT_FALSE(handle->Write(Bytes(64), 100));
  EXPECT_FALSE(handle->Write(Bytes(66), 100));
  EXPECT_TRUE(tree_.ReadNode(n).empty());
}

// ---- HidDevice on top of the backend ----------------------------------------

using HidrawDeviceTest = HidrawTest;

TEST_F(HidrawDeviceTest, OpensTheInterfaceWhoseLengthsMatch) {
  const int small = Add(32, 32, 0, NodeKind::kRegularFile);
  const int otherVendor = Add(64, 64, 0, NodeKind::kRegularFile, 0x1234);
  const int right = Add(64, 64, 0, NodeKind::kRegularFile);

  HidDevice dev(backend_);
  const HidDeviceInfo* info = dev.Open(kVendor, kProduct, 64, 64, 0);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->caps, (HidReportLengths{65, 65, 0}));
  ASSERT_EQ(dev.Write(Pattern(64, 0), 1000), 1);
  EXPECT_TRUE(tree_.ReadNode(small).empty());
  EXPECT_TRUE(tree_.ReadNode(otherVendor).empty());
  EXPECT_EQ(tree_.ReadNode(right).size(), 65u);

  EXPECT_EQ(dev.Open(kVendor, kProduct, 64, 64, 1), nullptr);
  EXPECT_EQ(dev.Open(kVendor, kProduct, 32, 64, 0), nullptr);
}

TEST_F(HidrawDeviceTest, MatchIndexCountsInNumericNodeOrder) {
  const Bytes descriptor = sim::FakeHidrawTree::VendorDescriptor(64, 64, 0);
  ASSERT_TRUE(tree_.AddInterfaceAt(10, kVendor, kProduct, descriptor, NodeKind::kRegularFile));
  ASSERT_TRUE(tree_.AddInterfaceAt(2, kVendor, kProduct, descriptor, NodeKind::kRegularFile));

  HidDevice dev(backend_);
  ASSERT_NE(dev.Open(kVendor, kProduct, 64, 64, 0), nullptr);
  ASSERT_EQ(dev.Write(Pattern(64, 0), 1000), 1);
  EXPECT_EQ(tree_.ReadNode(2).size(), 65u);
  EXPECT_TRUE(tree_.ReadNode(10).empty());

  ASSERT_NE(dev.Open(kVendor, kProduct, 64, 64, 1), nullptr);
  ASSERT_EQ(dev.Write(Pattern(64, 0), 1000), 1);
  EXPECT_EQ(tree_.ReadNode(10).size(), 65u);
  EXPECT_EQ(tree_.ReadNode(2).size(), 65u);

  EXPECT_EQ(dev.Open(kVendor, kProduct, 64, 64, 2), nullptr);
}

TEST_F(HidrawDeviceTest, ZeroIdsMatchEveryInterfaceThatOpens) {
  Add(64, 64, 0, NodeKind::kUnopenable);
  Add(64, 64, 0, NodeKind::kMissing);
  Add(8, 0, 0, NodeKind::kRegularFile, 0x1234, 0x0001);
  Add(64, 64, 0, NodeKind::kRegularFile);

  HidDevice dev(backend_);
  const HidDeviceInfo* info = dev.Open(0, 0, 64, 64, 0);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->attributes, (HidIdentity{0x1234, 0x0001}));
  EXPECT_EQ(info->caps, (HidReportLengths{9, 0, 0}));

  info = dev.Open(0, 0, 0, 0, 1);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->attributes, (HidIdentity{kVendor, kProduct}));
  EXPECT_EQ(info->caps, (HidReportLengths{65, 65, 0}));

  EXPECT_EQ(dev.Open(0, 0, 0, 0, 2), nullptr);
}

TEST_F(HidrawDeviceTest, ReportSizesPastTheMaximumFail) {
  Add(257, 257, 0, NodeKind::kRegularFile);
  Add(64, 64, 0, NodeKind::kRegularFile);
  HidDevice dev(backend_);
  EXPECT_EQ(dev.Open(kVendor, kProduct, 257, 257, 0), nullptr);
  EXPECT_EQ(dev.Open(kVendor, kProduct, 64, 257, 0), nullptr);
  EXPECT_EQ(dev.Write(Pattern(64, 0), 1000), 0);
}

TEST_F(HidrawDeviceTest, WritePutsTheReportIdFirst) {
  const int unnumbered = Add(64, 64, 0, NodeKind::kRegularFile);
  const int numbered = Add(64, 64, 5, NodeKind::kRegularFile, kVendor, 0x4022);
  const Bytes data = Pattern(64, 0x40);

  HidDevice dev(backend_);
  ASSERT_NE(dev.Open(kVendor, kProduct, 64, 64, 0), nullptr);
  ASSERT_EQ(dev.Write(data, 1000), 1);
  EXPECT_EQ(tree_.ReadNode(unnumbered), WithId(0, data));

  const HidDeviceInfo* info = dev.Open(kVendor, 0x4022, 64, 64, 0);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->caps, (HidReportLengths{65, 65, 5}));
  ASSERT_EQ(dev.Write(data, 1000), 1);
  EXPECT_EQ(tree_.ReadNode(numbered), WithId(5, data));

  // An LED output report (ID 2) declared first: the 64-byte report still goes as ID 5.
  Bytes descriptor = sim::FakeHidrawTree::LedDescriptor(2);
  const Bytes vendor = sim::FakeHidrawTree::VendorDescriptor(64, 64, 5);
  descriptor.insert(descriptor.end(), vendor.begin(), vendor.end());
  const int withLeds = tree_.AddInterface(kVendor, 0x4023, descriptor, NodeKind::kRegularFile);
  ASSERT_NE(dev.Open(kVendor, 0x4023, 64, 64, 0), nullptr);
  ASSERT_EQ(dev.Write(data, 1000), 1);
  EXPECT_EQ(tree_.ReadNode(withLeds), WithId(5, data));
}

TEST_F(HidrawDeviceTest, ReadsUnnumberedAndNumberedReports) {
  const int unnumbered = Add(64, 64, 0, NodeKind::kFifo);
  const int numbered = Add(64, 64, 3, NodeKind::kFifo, kVendor, 0x4022);
  const Bytes data = Pattern(64, 0x80);
  Bytes received(64);

  HidDevice dev(backend_);
  const HidDeviceInfo* info = dev.Open(kVendor, kProduct, 64, 64, 0);
  ASSERT_NE(info, nullptr);
  ASSERT_TRUE(tree_.WriteToNode(unnumbered, data));  // hidraw leaves out ID 0
  ASSERT_EQ(dev.Read(received, 1000), 1);
  EXPECT_EQ(received, data);
  EXPECT_EQ(info->inputReport, WithId(0, data));

  info = dev.Open(kVendor, 0x4022, 64, 64, 0);
  ASSERT_NE(info, nullptr);
  ASSERT_TRUE(tree_.WriteToNode(numbered, WithId(3, data)));
  ASSERT_EQ(dev.Read(received, 1000), 1);
  EXPECT_EQ(received, data);
  EXPECT_EQ(info->inputReport, WithId(3, data));
}

TEST_F(HidrawDeviceTest, ShortReportIsZeroFilled) {
  const int n = Add(64, 64, 0, NodeKind::kFifo);
  HidDevice dev(backend_);
  ASSERT_NE(dev.Open(kVendor, kProduct, 64, 64, 0), nullptr);
  Bytes received(64);
  ASSERT_TRUE(tree_.WriteToNode(n, Bytes(64, 0xAA)));
  ASSERT_EQ(dev.Read(received, 1000), 1);
  ASSERT_TRUE(tree_.WriteToNode(n, Bytes(10, 0x55)));
  ASSERT_EQ(dev.Read(received, 1000), 1);
  Bytes expected(64, 0);
  std::fill(expected.begin(), expected.begin() + 10, 0x55);
  EXPECT_EQ(received, expected);
}

TEST_F(HidrawDeviceTest, ReadWaitsForALateReportAndTimesOutOnSilence) {
  const int n = Add(64, 64, 0, NodeKind::kFifo);
  HidDevice dev(backend_);
  ASSERT_NE(dev.Open(kVendor, kProduct, 64, 64, 0), nullptr);
  Bytes received(64);
  EXPECT_EQ(dev.Read(received, 50), 0);
  EXPECT_EQ(dev.Read(received, 0), 0);

  std::thread sender([&] {
    std::this_thread::sleep_for(100ms);
    tree_.WriteToNode(n, Pattern(64, 7));
  });
  EXPECT_EQ(dev.Read(received, 10000), 1);
  sender.join();
  EXPECT_EQ(received, Pattern(64, 7));
}

TEST_F(HidrawDeviceTest, AbortReadEndsAWaitWithoutLimit) {
  const int n = Add(64, 64, 0, NodeKind::kFifo);
  HidDevice dev(backend_);
  ASSERT_NE(dev.Open(kVendor, kProduct, 64, 64, 0), nullptr);

  std::promise<int> result;
  std::future<int> done = result.get_future();
  std::thread reader([&] {
    Bytes received(64);
    result.set_value(dev.Read(received, -1));
  });
  std::this_thread::sleep_for(50ms);  // usually lets the reader reach poll()
  dev.AbortRead();
  const bool returned = done.wait_for(kPrompt) == std::future_status::ready;
  if (!returned) tree_.WriteToNode(n, Bytes(64));  // free the reader so the test can end
  reader.join();
  ASSERT_TRUE(returned);
  EXPECT_EQ(done.get(), 0);
  EXPECT_EQ(dev.Write(Pattern(64, 0), 1000), 0);
}

TEST_F(HidrawDeviceTest, WriteTimesOutWhenTheNodeNeverDrains) {
  const int n = Add(64, 64, 0, NodeKind::kFifo);
  HidDevice dev(backend_);
  ASSERT_NE(dev.Open(kVendor, kProduct, 64, 64, 0), nullptr);

  // Fill the FIFO to the brim, as a device that stops taking reports.
  const int fd = open(tree_.NodePath(n).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  const Bytes chunk(4096);
  while (write(fd, chunk.data(), chunk.size()) > 0) {
  }
  while (write(fd, chunk.data(), 1) > 0) {
  }
  const int fillError = errno;
  close(fd);
  ASSERT_EQ(fillError, EAGAIN);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(dev.Write(Pattern(64, 0), 50), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, kPrompt);
}

}  // namespace
}  // namespace tarvik
