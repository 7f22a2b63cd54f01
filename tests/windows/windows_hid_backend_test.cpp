// The Windows backend, and HidDevice over it, on the stand-in HID stack.
#include "link/hid_backend_windows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "fake_windows_hid.h"
#include "link/hid_device.h"

namespace tarvik {
namespace {

using namespace std::chrono_literals;

constexpr int kVendor = 0x2F3A;
constexpr int kProduct = 0x4021;

FakeHidInterface Tarvik(std::wstring path) {
  FakeHidInterface iface;
  iface.path = std::move(path);
  return iface;
}

std::vector<uint8_t> Report(uint8_t first) {
  std::vector<uint8_t> report(65, 0);
  report[1] = first;
  report[64] = 0x5A;
  return report;
}

class WindowsHidTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(fake.Outstanding(), 0) << "files, lists, preparsed blocks or events kept";
    EXPECT_EQ(fake.Running(), 0) << "transfers left with the system";
    EXPECT_EQ(fake.Misuses(), 0);
  }

  // A call that has to come back soon: false if it has not within 5 s, and
  // then the device is unplugged so that the call can end.
  template <typename T>
  bool ReturnsSoon(std::future<T>& result) {
    if (result.wait_for(5s) == std::future_status::ready) return true;
    fake.Unplug(0);
    return false;
  }

  // Opens the first Tarvik and starts a Read(-1) that waits on the device.
  std::future<int> PendingRead(HidDevice& device, std::vector<uint8_t>& into) {
    EXPECT_NE(device.Open(kVendor, kProduct, 64, 64, 0), nullptr);
    auto read = std::async(std::launch::async, [&] { return device.Read(into, -1); });
    EXPECT_TRUE(fake.WaitForRunningReads(0));
    return read;
  }

  FakeWindowsHid fake;
  WindowsHidBackend backend{fake.Api()};
};

TEST_F(WindowsHidTest, FindsTheRightInterfacePassingOverTheOthers) {
  FakeHidInterface other = Tarvik(L"other");
  other.identity = {0x1234, 0x0001};
  FakeHidInterface small = Tarvik(L"small");
  small.inputLength = small.outputLength = 33;
  FakeHidInterface denied = Tarvik(L"denied");
  denied.openError = ERROR_ACCESS_DENIED;
  FakeHidInterface noDetail = Tarvik(L"no-detail");
  noDetail.detailFails = true;
  FakeHidInterface longPath = Tarvik(L"long-path");
  longPath.detailSizeTooSmall = true;
  FakeHidInterface noPreparsed = Tarvik(L"no-preparsed");
  noPreparsed.preparsedFails = true;
  FakeHidInterface first = Tarvik(L"first");
  first.outputButtonIds = {3};
  first.outputValueIds = {9};
  FakeHidInterface second = Tarvik(L"second");
  second.outputValueIds = {5, 7};
  for (const auto& iface : {other, small, denied, noDetail, longPath, noPreparsed, first, second})
    fake.Add(iface);

  EXPECT_EQ(
      backend.ListInterfaces(),
      (std::vector<std::string>{"other", "small", "denied", "no-preparsed", "first", "second"}));
  HidDevice device(backend);
  const HidDeviceInfo* info = device.Open(kVendor, kProduct, 64, 64, 0);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->caps, (HidReportLengths{65, 65, 3}));  // button items before value items
  EXPECT_EQ(device.Write(std::vector<uint8_t>(64, 0xAB), 500), 1);
  ASSERT_EQ(fake.Written(6).size(), 1u);
  EXPECT_EQ(fake.Written(6)[0][0], 3);
  EXPECT_EQ(fake.Written(6)[0][64], 0xAB);

  info = device.Open(kVendor, kProduct, 64, 64, 1);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->caps.outputReportId, 5);
  // Only two have 65-byte reports: the 33-byte one is not counted.
  EXPECT_EQ(device.Open(kVendor, kProduct, 64, 64, 2), nullptr);
  EXPECT_NE(device.Open(kVendor, kProduct, 32, 32, 0), nullptr);
  info = device.Open(0, 0, 64, 64, 0);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->attributes, (HidIdentity{0x1234, 0x0001}));
}

TEST_F(WindowsHidTest, ReportIdIsTheLongestOutputReports) {
  const auto bytes = [](UCHAR id, USHORT count) {
    HIDP_VALUE_CAPS caps{};
    caps.ReportID = id;
    caps.BitSize = 8;
    caps.ReportCount = count;
    return caps;
  };
  HIDP_BUTTON_CAPS keys{};  // 16 one-bit usages
  keys.ReportID = 7;
  keys.IsRange = TRUE;
  keys.Range.UsageMax = 15;
  FakeHidInterface a = Tarvik(L"a"), b = Tarvik(L"b"), c = Tarvik(L"c");
  a.outputButtonIds = {2, 2, 2};  // three LEDs beside 64 vendor bytes
  a.outputValues = {bytes(5, 64)};
  b.outputValues = {bytes(5, 32), bytes(6, 48), bytes(5, 32)};  // one report in two items
  c.outputButtons = {keys};
  c.outputValues = {bytes(8, 1)};
  for (const auto& iface : {a, b, c}) fake.Add(iface);
  const std::pair<const char*, int> expected[] = {{"a", 5}, {"b", 5}, {"c", 7}};
  for (const auto& [id, reportId] : expected) {
    HidReportLengths lengths;
    EXPECT_TRUE(backend.ReadReportLengths(id, &lengths));
    EXPECT_EQ(lengths.outputReportId, reportId) << id;
  }
}

TEST_F(WindowsHidTest, InterfaceGoneBeforeItsOpenIsPassedOver) {
  FakeHidInterface goneAtOnce = Tarvik(L"a");
  goneAtOnce.opensBeforeUnplug = 0;
  FakeHidInterface goneAfterLook = Tarvik(L"b");
  goneAfterLook.opensBeforeUnplug = 2;  // identity and lengths, then gone
  fake.Add(goneAtOnce);
  fake.Add(goneAfterLook);
  fake.Add(Tarvik(L"c"));
  HidDevice device(backend);
  ASSERT_NE(device.Open(kVendor, kProduct, 64, 64, 0), nullptr);
  EXPECT_EQ(device.Write(std::vector<uint8_t>(64, 1), 500), 1);
  EXPECT_EQ(fake.Written(2).size(), 1u);
}

TEST_F(WindowsHidTest, OpenThatCannotMakeItsEventsReleasesWhatItHad) {
  fake.Add(Tarvik(L"a"));
  for (int made : {0, 1}) {
    fake.eventsBeforeFailure = made;
    EXPECT_EQ(backend.OpenInterface("a"), nullptr);
  }
}

TEST_F(WindowsHidTest, IdsAreThePathsInUtf8) {
  fake.Add(Tarvik(L"\\\\?\\hid#\u00E9\u4E2D\U0001F50A\xD800x"));
  fake.Add(Tarvik(L"a"));
  const std::vector<std::string> ids = backend.ListInterfaces();
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_EQ(ids[0], "\\\\?\\hid#\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x94\x8A\xED\xA0\x80x");
  HidIdentity identity;
  EXPECT_TRUE(backend.ReadIdentity(ids[0], &identity));
  // Malformed, overlong or cut short by a NUL: nothing is opened, not even "a".
  for (const std::string& bad :
       std::vector<std::string>{"\xC3", "\xC1\xA1", "\xF0\x9F\x94", std::string("a\0b", 3)})
    EXPECT_FALSE(backend.ReadIdentity(bad, &identity)) << ::testing::PrintToString(bad);
}

TEST_F(WindowsHidTest, ReadsReportsThatAreThereOrComeLater) {
  fake.Add(Tarvik(L"a"));
  HidDevice device(backend);
  ASSERT_NE(device.Open(kVendor, kProduct, 64, 64, 0), nullptr);
  std::vector<uint8_t> data(64);
  fake.Deliver(0, Report(1));  // ReadFile completes at once
  ASSERT_EQ(device.Read(data, -1), 1);
  EXPECT_EQ(data[0], 1);
  EXPECT_EQ(data[63], 0x5A);

  auto late = std::async(std::launch::async, [&] { return device.Read(data, -1); });
  ASSERT_TRUE(fake.WaitForRunningReads(0));
  fake.Deliver(0, Report(2));
  ASSERT_TRUE(ReturnsSoon(late));
  EXPECT_EQ(late.get(), 1);
  EXPECT_EQ(data[0], 2);

  // Polled: incomplete twice, then there.
  int polls = 0;
  fake.onPoll = [&] {
    if (++polls == 3) fake.Deliver(0, Report(3));
  };
  EXPECT_EQ(device.Read(data, 100), 1);
  EXPECT_EQ(data[0], 3);
}

TEST_F(WindowsHidTest, TimedReadGivesUpAcrossTheClockWrapAndLetsGoOfItsBuffer) {
  fake.Add(Tarvik(L"a"));
  HidDevice device(backend);
  ASSERT_NE(device.Open(kVendor, kProduct, 64, 64, 0), nullptr);
  std::vector<uint8_t> data(64);
  const DWORD start = fake.clock;
  EXPECT_EQ(device.Read(data, 50), 0);
  EXPECT_GE(fake.clock - start, 50u);
  EXPECT_LT(fake.clock - start, 60u);
  EXPECT_EQ(fake.Running(), 0);
  fake.Deliver(0, Report(4));
  EXPECT_EQ(device.Read(data, 50), 1);
  EXPECT_EQ(data[0], 4);
}

class WindowsHidAbortTest : public WindowsHidTest, public ::testing::WithParamInterface<bool> {};

// false: a wait ended by the abort's signal reports ERROR_IO_INCOMPLETE
// (Windows); true: it reports success (Wine).
TEST_P(WindowsHidAbortTest, AbortEndsAPendingReadAndEveryLaterOne) {
  fake.waitSucceedsWhilePending = GetParam();
  fake.Add(Tarvik(L"a"));
  HidDevice device(backend);
  std::vector<uint8_t> data(64, 0xEE);
  auto read = PendingRead(device, data);
  device.AbortRead();
  ASSERT_TRUE(ReturnsSoon(read));
  EXPECT_EQ(read.get(), 0);
  EXPECT_EQ(fake.Running(), 0);
  EXPECT_EQ(data, std::vector<uint8_t>(64, 0xEE));
  fake.Deliver(0, Report(1));
  EXPECT_EQ(device.Read(data, -1), 0);
  EXPECT_EQ(device.Write(data, 500), 0);
}

TEST_P(WindowsHidAbortTest, AbortWaitsUntilTheCancelledReadHasEnded) {
  fake.waitSucceedsWhilePending = GetParam();
  fake.cancelsLater = true;
  fake.Add(Tarvik(L"a"));
  HidDevice device(backend);
  std::vector<uint8_t> data(64);
  auto read = PendingRead(device, data);
  device.AbortRead();
  EXPECT_EQ(read.wait_for(50ms), std::future_status::timeout);
  fake.FinishCancels();
  ASSERT_TRUE(ReturnsSoon(read));
  EXPECT_EQ(read.get(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothWaitAnswers, WindowsHidAbortTest, ::testing::Bool());

TEST_F(WindowsHidTest, AbortJustBeforeReadFileIsNeitherLostNorOverruled) {
  fake.Add(Tarvik(L"a"));
  std::unique_ptr<HidHandle> handle = backend.OpenInterface("a");
  ASSERT_NE(handle, nullptr);
  // The abort's signal comes before ReadFile clears the event.
  fake.beforeReadStarts = [&] { handle->AbortRead(); };
  std::vector<uint8_t> report(65, 0xEE);
  auto pending = std::async(std::launch::async, [&] { return handle->Read(report, -1); });
  ASSERT_TRUE(ReturnsSoon(pending));
  EXPECT_FALSE(pending.get());

  // A report that completes the read at once after the abort is not handed on.
  handle = backend.OpenInterface("a");
  fake.Deliver(0, Report(1));
  EXPECT_FALSE(handle->Read(report, -1));
  EXPECT_EQ(report, std::vector<uint8_t>(65, 0xEE));
  fake.beforeReadStarts = nullptr;
}

TEST_F(WindowsHidTest, UnplugFailsAPendingReadAndLaterTransfers) {
  fake.Add(Tarvik(L"a"));
  HidDevice device(backend);
  std::vector<uint8_t> data(64);
  auto read = PendingRead(device, data);
  fake.Unplug(0);
  ASSERT_TRUE(ReturnsSoon(read));
  EXPECT_EQ(read.get(), 0);
  EXPECT_EQ(device.Write(data, 500), 0);
  EXPECT_EQ(device.Read(data, 10), 0);
}

TEST_F(WindowsHidTest, StuckWriteIsCancelledAtItsTimeOutLeavingTheReadRunning) {
  FakeHidInterface stuck = Tarvik(L"a");
  stuck.writesComplete = false;
  fake.Add(stuck);
  HidDevice device(backend);
  std::vector<uint8_t> data(64);
  auto read = PendingRead(device, data);
  const DWORD start = fake.clock;
  EXPECT_EQ(device.Write(std::vector<uint8_t>(64, 1), 500), 0);
  EXPECT_GE(fake.clock - start, 500u);
  EXPECT_TRUE(fake.Written(0).empty());
  // CancelIo reaches the writer's transfer only.
  EXPECT_EQ(fake.Running(), 1);
  fake.Deliver(0, Report(9));
  ASSERT_TRUE(ReturnsSoon(read));
  EXPECT_EQ(read.get(), 1);
  EXPECT_EQ(data[0], 9);
}

}  // namespace
}  // namespace tarvik
