#include "link/device_link.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "link/link_errors.h"
#include "support/manual_clock.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

using sim::Fault;
using sim::FaultKind;
using testing::MakeReport;
using testing::NotifyRecorder;

class DeviceLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    NotifyRecorder::Instance().Clear();
    device.Plug();
    ASSERT_NE(link.Device().Open(0x2F3A, 0x4021, 64, 64, 0), nullptr);
    link.SetNotifyCallback(&NotifyRecorder::Callback);
    ASSERT_TRUE(link.StartReceiver());
  }

  // Sends a GetUsbSpeed request with the given time-out.
  int SendUsbSpeedRead(int timeoutMs) {
    EncodeHeader(link.RequestBuffer(), kKindRead, 0x001A, 0, 0, 0);
    return link.Send(link.RequestBuffer(), kHeaderSize, timeoutMs);
  }

  // Sends the request in the request buffer, which the device swallows, and
  // expects the link to give up after exactly `timeoutMs`.
  void ExpectTimeOut(std::size_t length, int timeoutMs) {
    device.InjectFault({FaultKind::NoReply});
    clock.ExpireWait(clock.Waits() + 1);
    const long long start = clock.NowMs();
    EXPECT_EQ(link.Send(link.RequestBuffer(), length, timeoutMs), LINK_ERR_TIMEOUT);
    EXPECT_EQ(clock.NowMs() - start, timeoutMs);
  }
  void ExpectUsbSpeedReadTimeOut(int timeoutMs) {
    EncodeHeader(link.RequestBuffer(), kKindRead, 0x001A, 0, 0, 0);
    ExpectTimeOut(kHeaderSize, timeoutMs);
  }

  // Answers the next request with the given reports instead of the device.
  std::thread Script(std::vector<testing::Report> reports) {
    device.InjectFault({FaultKind::NoReply});
    const std::size_t before = device.RequestCount();
    return std::thread([this, reports, before] {
      device.WaitForRequests(before + 1, 5000);
      for (const auto& report : reports) device.SendReport(report);
    });
  }

  // Returns once the receive thread has handled every report sent before:
  // it handles them in order, and this notification comes last.
  void AwaitReportsHandled() {
    const std::size_t seen = NotifyRecorder::Instance().Calls().size();
    device.SendNotification(1, 0);
    ASSERT_TRUE(NotifyRecorder::Instance().WaitFor(seen + 1));
  }

  testing::ManualClock clock;
  sim::SimDevice device;
  DeviceLink link{sim::DefaultSimBackend(), 0, clock};
};

TEST_F(DeviceLinkTest, ReplyCompletesOnFirstReportOrOnlyAfterItsLast) {
  std::thread script = Script({MakeReport(0x83, {3, 0x1A, 0, 7, 0, 0, 10, 0, 0xA1})});
  EXPECT_EQ(SendUsbSpeedRead(5000), LINK_OK);
  script.join();
  EXPECT_EQ(link.ReplyBuffer()[3], 7);
  EXPECT_EQ(link.ReplyBuffer()[8], 0xA1);

  // A 60-byte payload needs the 0x85 report; completing on the 0x83 would
  // leave byte 63 of the reply unfilled.
  script = Script({MakeReport(0x83, {3, 0x1A, 0, 0, 0, 0, 60, 0}), MakeReport(0x85, {0x5A})});
  EXPECT_EQ(SendUsbSpeedRead(5000), LINK_OK);
  script.join();
  EXPECT_EQ(link.ReplyBuffer()[63], 0x5A);
}

TEST_F(DeviceLinkTest, StatusByteDecidesAndStatusPairIsKept) {
  device.InjectFault({FaultKind::BadStatus, 0, 0x07});
  EXPECT_EQ(SendUsbSpeedRead(5000), LINK_ERR_DEVICE_STATUS);
  EXPECT_EQ(link.LastStatus(), 0x07);

  device.InjectFault({FaultKind::StatusFE});
  EXPECT_EQ(SendUsbSpeedRead(5000), LINK_OK);
  EXPECT_EQ(link.LastStatus(), 0xFE);

  // A failed exchange leaves the pair of the last completed reply.
  ExpectUsbSpeedReadTimeOut(50);
  EXPECT_EQ(link.LastStatus(), 0xFE);

  EXPECT_EQ(link.Send(link.RequestBuffer(), 0, 5000), LINK_ERR_EMPTY);
}

TEST_F(DeviceLinkTest, LateReplyIsDiscardedOrSeenByTheNextRequest) {
  const std::vector<testing::Report> speedReply =
      testing::ReplyReports(testing::ReplyMessage(kKindReadReply, 0x001A, 0, {2}));
  const std::vector<testing::Report> infoReply =
      testing::ReplyReports(testing::ReplyMessage(kKindReadReply, 0x0006, 0x21, {1, 2, 3}));

  // Arrives before the next request resets the event: discarded.
  ExpectUsbSpeedReadTimeOut(20);
  for (const auto& report : speedReply) device.SendReport(report);
  AwaitReportsHandled();
  ExpectUsbSpeedReadTimeOut(50);

  // Arrives while the next request waits: that request takes it.
  EncodeHeader(link.RequestBuffer(), kKindRead, 0x0006, 0x21, 0, 0);
  ExpectTimeOut(kHeaderSize, 20);
  std::thread late = Script(infoReply);
  EXPECT_EQ(SendUsbSpeedRead(5000), LINK_OK);
  late.join();
  EXPECT_EQ(DecodeHeader(link.ReplyBuffer()).command, 0x0006);
}

TEST_F(DeviceLinkTest, UnplugWhileWaitingEndsTheRequestAndPostsLinkLostOnce) {
  device.InjectFault({FaultKind::NoReply});
  std::thread unplug([this] {
    device.WaitForRequests(1, 5000);
    device.Unplug();
  });
  EXPECT_EQ(SendUsbSpeedRead(30000), LINK_ERR_STOPPED);
  EXPECT_EQ(clock.NowMs(), 0);  // the unplug ended the wait, not its time
  unplug.join();

  ASSERT_TRUE(NotifyRecorder::Instance().WaitFor(1));
  EXPECT_TRUE(link.Stopped());
  // Every later request fails: its write has no device.
  EXPECT_EQ(SendUsbSpeedRead(100), LINK_ERR_TIMEOUT);
  link.Stop();
  EXPECT_EQ(NotifyRecorder::Instance().Calls(), (std::vector<std::pair<int, int>>{{255, 0}}));
}

TEST_F(DeviceLinkTest, StopWhileIdleAndLossDuringTransferPostNothing) {
  link.Stop();
  EXPECT_TRUE(NotifyRecorder::Instance().Calls().empty());

  DeviceLink transfer{sim::DefaultSimBackend()};
  ASSERT_NE(transfer.Device().Open(0x2F3A, 0x4021, 64, 64, 0), nullptr);
  transfer.SetNotifyCallback(&NotifyRecorder::Callback);
  transfer.SetExpectLinkLoss(true);
  ASSERT_TRUE(transfer.StartReceiver());
  device.Unplug();
  ASSERT_TRUE(testing::Eventually([&] { return transfer.Stopped(); }));
  transfer.Stop();
  EXPECT_TRUE(NotifyRecorder::Instance().Calls().empty());
}

TEST_F(DeviceLinkTest, NotificationsReachTheCallbackInOrder) {
  device.SendNotification(3, 300);
  device.SendReport(MakeReport(0x9C, {6, 1}));  // unknown type: nothing
  device.SendNotification(1, 9);
  device.SendReport(MakeReport(0x80, {1, 2, 3}));  // request marker from the device: ignored
  device.SendNotification(7, 0xFF);
  ASSERT_TRUE(NotifyRecorder::Instance().WaitFor(3));
  EXPECT_EQ(NotifyRecorder::Instance().Calls(),
            (std::vector<std::pair<int, int>>{{3, 300}, {1, 9}, {7, 255}}));
  // The link still answers after all that.
  EXPECT_EQ(SendUsbSpeedRead(5000), LINK_OK);
}

TEST_F(DeviceLinkTest, CompletionNoticeReplacesAnUnfinishedReply) {
  std::thread script =
      Script({MakeReport(0x83, {3, 0x1A, 0, 0, 0, 0, 100, 0}), MakeReport(0x90, {4, 0})});
  EXPECT_EQ(SendUsbSpeedRead(5000), LINK_OK);
  script.join();
  EXPECT_EQ(link.ReplyBuffer()[0], 4);
  EXPECT_EQ(link.ReplyBuffer()[1], 0);

  // The unfinished reply was dropped, so its stray last fragment, arriving
  // while the next request waits, completes nothing.
  device.InjectFault({FaultKind::NoReply});
  const std::size_t wait = clock.Waits() + 1;
  std::future<int> sent = std::async(std::launch::async, [this] { return SendUsbSpeedRead(50); });
  ASSERT_TRUE(clock.AwaitWaiting(wait));
  device.SendReport(MakeReport(0x85, {}));
  AwaitReportsHandled();
  clock.Advance(50);
  EXPECT_EQ(sent.get(), LINK_ERR_TIMEOUT);
}

TEST_F(DeviceLinkTest, NoticeWithoutWaiterIsClearedByTheNextSend) {
  device.SendReport(MakeReport(0x90, {4, 1}));
  AwaitReportsHandled();
  ExpectUsbSpeedReadTimeOut(50);
}

TEST_F(DeviceLinkTest, MultiReportRequestReachesTheDeviceWhole) {
  uint8_t* request = link.RequestBuffer();
  EncodeHeader(request, kKindWrite, 0x0119, 0x71, 0, 181);
  for (int i = 0; i < 181; ++i) request[kHeaderSize + i] = static_cast<uint8_t>(i);
  ExpectTimeOut(kHeaderSize + 181, 20);
  ASSERT_EQ(device.RequestCount(), 1u);
  const sim::RequestRecord record = device.Requests()[0];
  EXPECT_EQ(record.command, 0x0119);
  ASSERT_EQ(record.payload.size(), 181u);
  EXPECT_EQ(record.payload[180], 180);
}

TEST_F(DeviceLinkTest, FailedWriteIsATimeout) {
  device.InjectFault({FaultKind::FailedWrite});
  EXPECT_EQ(SendUsbSpeedRead(5000), LINK_ERR_TIMEOUT);
  EXPECT_EQ(device.RequestCount(), 0u);
  EXPECT_EQ(SendUsbSpeedRead(5000), LINK_OK);
}

}  // namespace
}  // namespace tarvik
