// The Windows backend on the system's own HID stack (Wine's when the tests run
// under it). What is present differs by machine: none at all is fine.
#include "link/hid_backend_windows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "link/hid_device.h"

namespace tarvik {
namespace {

TEST(SystemWindowsHid, EveryInterfaceThatOpensDescribesItselfAsItWasLookedUp) {
  WindowsHidBackend backend;
  int opened = 0;
  for (const std::string& id : backend.ListInterfaces()) {
    EXPECT_FALSE(id.empty());
    std::unique_ptr<HidHandle> handle = backend.OpenInterface(id);
    if (!handle) continue;  // e.g. one the system keeps to itself
    ++opened;
    HidIdentity identity, described;
    HidReportLengths lengths, describedLengths;
    EXPECT_TRUE(backend.ReadIdentity(id, &identity)) << id;
    EXPECT_TRUE(backend.ReadReportLengths(id, &lengths)) << id;
    ASSERT_TRUE(handle->Describe(&described, &describedLengths)) << id;
    EXPECT_EQ(described, identity) << id;
    EXPECT_EQ(describedLengths, lengths) << id;
  }
  RecordProperty("opened", opened);
  HidDevice device(backend);
  EXPECT_EQ(device.Open(0x2F3A, 0x4021, 64, 64, 0), nullptr);
}

TEST(SystemWindowsHid, AbortEndsAReadWaitingOnARealInterface) {
  WindowsHidBackend backend;
  std::unique_ptr<HidHandle> handle;
  HidReportLengths lengths;
  for (const std::string& id : backend.ListInterfaces()) {
    if (!backend.ReadReportLengths(id, &lengths) || lengths.input < 1) continue;
    if ((handle = backend.OpenInterface(id))) break;
  }
  if (!handle) GTEST_SKIP() << "no interface with input reports opens here";
  std::vector<uint8_t> report(static_cast<std::size_t>(lengths.input));
  handle->Read(report, 20);  // whether or not a report came, it returns
  // Reports the interface may send end a read too: only the abort ends them all.
  auto reads = std::async(std::launch::async, [&] {
    while (handle->Read(report, -1)) {
    }
  });
  EXPECT_EQ(reads.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  handle->AbortRead();
  EXPECT_EQ(reads.wait_for(std::chrono::seconds(5)), std::future_status::ready);
}

}  // namespace
}  // namespace tarvik
