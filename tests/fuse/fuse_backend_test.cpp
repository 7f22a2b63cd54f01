// HidrawBackend on its own against the FUSE-served sysfs entries and node.
#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include "fake_hidraw/fake_hidraw_tree.h"
#include "fuse/fuse_fixture.h"
#include "link/hid_device.h"

namespace tarvik::fusetest {
namespace {

using namespace std::chrono_literals;
using tarvik::testing::Eventually;

sim::SimOptions WithProduct(uint16_t productId) {
  sim::SimOptions options;
  options.productId = productId;
  return options;
}

Bytes Pattern(std::size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + 3 * i);
  return bytes;
}

std::chrono::milliseconds Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start);
}

using FuseHidrawBackendTest = FuseFixture;

// sysfs shows every attribute as 4096 bytes long; the backend has to read to
// the end of what is there, not by the size.
TEST_F(FuseHidrawBackendTest, EnumeratesAndProbesAsDevicesComeAndGo) {
  device_.Unplug();  // a SimDevice starts plugged in
  EXPECT_TRUE(backend_->ListInterfaces().empty());
  EXPECT_EQ(ProbeDevice(*backend_), Presence::kAbsent);

  device_.Plug();
  ASSERT_EQ(backend_->ListInterfaces(), (std::vector<std::string>{"hidraw0"}));
  HidIdentity identity;
  ASSERT_TRUE(backend_->ReadIdentity("hidraw0", &identity));
  EXPECT_EQ(identity, (HidIdentity{0x2F3A, 0x4021}));
  HidReportLengths lengths;
  ASSERT_TRUE(backend_->ReadReportLengths("hidraw0", &lengths));
  EXPECT_EQ(lengths, (HidReportLengths{65, 65, 0}));
  EXPECT_EQ(ProbeDevice(*backend_), Presence::kPresent);
  // The probe closes the node it opened (the release reaches the device
  // shortly after close() returns).
  EXPECT_TRUE(Eventually([&] { return device_.OpenHandleCount() == 0; }));

  sim::SimDevice restarting(WithProduct(0x4022));
  restarting.Plug();
  EXPECT_EQ(backend_->ListInterfaces(), (std::vector<std::string>{"hidraw0", "hidraw1"}));
  ASSERT_TRUE(backend_->ReadIdentity("hidraw1", &identity));
  EXPECT_EQ(identity, (HidIdentity{0x2F3A, 0x4022}));

  device_.Unplug();
  EXPECT_EQ(backend_->ListInterfaces(), (std::vector<std::string>{"hidraw1"}));
  EXPECT_FALSE(backend_->ReadIdentity("hidraw0", &identity));
  EXPECT_EQ(backend_->OpenInterface("hidraw0"), nullptr);
  EXPECT_EQ(ProbeDevice(*backend_), Presence::kRestarting);

  restarting.Unplug();
  EXPECT_TRUE(backend_->ListInterfaces().empty());
  EXPECT_EQ(ProbeDevice(*backend_), Presence::kAbsent);

  const NodeStats stats = fuse_.Stats();
  EXPECT_GE(stats.opens, 2);
  EXPECT_TRUE(Eventually([&] { return fuse_.Stats().releases == fuse_.Stats().opens; }));
}

// The handle sleeps in poll() until the device sends, and reads each report
// whole in one read() without the ID byte.
TEST_F(FuseHidrawBackendTest, ReadSleepsInPollUntilAReportArrives) {
  device_.Plug();
  const std::unique_ptr<HidHandle> handle = backend_->OpenInterface("hidraw0");
  ASSERT_NE(handle, nullptr);
  Bytes report(65, 0xEE);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(handle->Read(report, 200));
  EXPECT_GE(Since(start), 190ms);
  // Nothing was queued, so poll() must not have claimed otherwise.
  EXPECT_TRUE(fuse_.Stats().readSizes.empty());
  EXPECT_EQ(fuse_.Stats().readsAgain, 0);

  const Bytes sent = Pattern(64, 0x90);
  std::thread sender([&] {
    std::this_thread::sleep_for(100ms);
    device_.SendReport(sent);
  });
  const bool received = handle->Read(report, 5000);
  sender.join();
  ASSERT_TRUE(received);
  EXPECT_EQ(report[0], 0);
  EXPECT_TRUE(std::equal(sent.begin(), sent.end(), report.begin() + 1));
  const NodeStats stats = fuse_.Stats();
  EXPECT_EQ(stats.readSizes, (std::vector<std::size_t>{64}));
  EXPECT_GE(stats.pollWakeups, 1);

  // Reports queued back to back come out one per Read, in order.
  for (uint8_t seed : {0x10, 0x20, 0x30}) device_.SendReport(Pattern(64, seed));
  for (uint8_t seed : {0x10, 0x20, 0x30}) {
    ASSERT_TRUE(handle->Read(report, 5000));
    const Bytes expected = Pattern(64, seed);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), report.begin() + 1)) << int{seed};
  }
  EXPECT_FALSE(handle->Read(report, 50));
}

TEST_F(FuseHidrawBackendTest, AbortAndUnplugEndAWaitingRead) {
  device_.Plug();
  const std::unique_ptr<HidHandle> first = backend_->OpenInterface("hidraw0");
  const std::unique_ptr<HidHandle> second = backend_->OpenInterface("hidraw0");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);

  // Long time-outs: a Read still waiting when they run out has missed its wake-up.
  auto waitingRead = [](HidHandle& handle) {
    return std::async(std::launch::async, [&handle] {
      Bytes report(65);
      const auto start = std::chrono::steady_clock::now();
      const bool ok = handle.Read(report, 10000);
      return std::make_pair(ok, Since(start));
    });
  };

  auto aborted = waitingRead(*first);
  std::this_thread::sleep_for(100ms);
  first->AbortRead();
  const auto [abortedOk, abortedAfter] = aborted.get();
  EXPECT_FALSE(abortedOk);
  EXPECT_LT(abortedAfter, 5000ms);

  auto lost = waitingRead(*second);
  std::this_thread::sleep_for(100ms);
  device_.Unplug();
  const auto [lostOk, lostAfter] = lost.get();
  EXPECT_FALSE(lostOk);
  EXPECT_LT(lostAfter, 5000ms);
  EXPECT_FALSE(second->Write(Bytes(65), 500));
  Bytes report(65);
  EXPECT_FALSE(second->Read(report, 0));

  // The node is gone with the device; a new one comes with the next plug, and
  // the handle opened before stays dead.
  EXPECT_TRUE(backend_->ListInterfaces().empty());
  device_.Plug();
  const std::unique_ptr<HidHandle> fresh = backend_->OpenInterface("hidraw0");
  ASSERT_NE(fresh, nullptr);
  device_.SendReport(Pattern(64, 1));
  EXPECT_TRUE(fresh->Read(report, 5000));
  EXPECT_FALSE(second->Read(report, 0));
}

// The opened node is asked what it is. One that answers as another device
// than sysfs names under its number is closed again, and a descriptor size
// past the largest there is never asked for.
TEST_F(FuseHidrawBackendTest, NodeThatIsNotTheDeviceSysfsNamesIsRefused) {
  device_.Plug();
  {
    const std::unique_ptr<HidHandle> handle = backend_->OpenInterface("hidraw0");
    ASSERT_NE(handle, nullptr);
    HidIdentity identity;
    HidReportLengths lengths;
    ASSERT_TRUE(handle->Describe(&identity, &lengths));
    EXPECT_EQ(identity, (HidIdentity{0x2F3A, 0x4021}));
    EXPECT_EQ(lengths, (HidReportLengths{65, 65, 0}));
  }
  // Its release comes after close() returns; the counts below start after it.
  ASSERT_TRUE(Eventually([&] { return fuse_.Stats().releases == 1; }));

  struct Case {
    const char* what;
    NodeAnswers answers;
  };
  const Case cases[] = {
      {"another product", {.productId = 0x4099}},
      {"other lengths", {.descriptor = sim::FakeHidrawTree::VendorDescriptor(32, 64, 0)}},
      {"numbered reports", {.descriptor = sim::FakeHidrawTree::VendorDescriptor(64, 64, 2)}},
      {"descriptor too large", {.descriptorSize = 4097}},
      {"no hidraw ioctls", {.refused = true}},
  };
  HidDevice device(*backend_);
  for (const Case& c : cases) {
    fuse_.SetNodeAnswers(c.answers);
    fuse_.ClearStats();
    HidIdentity identity;
    ASSERT_TRUE(backend_->ReadIdentity("hidraw0", &identity));
    EXPECT_EQ(identity, (HidIdentity{0x2F3A, 0x4021})) << c.what;
    EXPECT_EQ(device.Open(0x2F3A, 0x4021, 64, 64, 0), nullptr) << c.what;
    EXPECT_EQ(fuse_.Stats().opens, 1) << c.what;
    EXPECT_TRUE(Eventually([&] { return fuse_.Stats().releases == 1; })) << c.what;
    if (c.answers.descriptorSize) {
      EXPECT_EQ(fuse_.Stats().descriptorReads, 0) << c.what;
    }
  }

  fuse_.SetNodeAnswers({});
  EXPECT_NE(device.Open(0x2F3A, 0x4021, 64, 64, 0), nullptr);
}

}  // namespace
}  // namespace tarvik::fusetest
