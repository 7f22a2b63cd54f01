#include "link/device_link.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "link/link_errors.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"
#include "test_support.h"

namespace tarvik {
namespace {

using sim::Fault;
using sim::FaultKind;
using testing::MakeReport;
using testing::NotifyRecorder;
using Clock = std::chrono::steady_clock;

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

  // Answers the next request with the given reports instead of the device.
  std::thread Script(std::vector<testing::Report> reports, int pauseMs = 0) {
    device.InjectFault({FaultKind::NoReply});
    const std::size_t before = device.RequestCount();
    return std::thread([this, reports, pauseMs, before] {
      device.WaitForRequests(before + 1, 5000);
      for (const auto& report : reports) {
        if (pauseMs) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        device.SendReport(report);
      }
    });
  }

  sim::SimDevice device;
  DeviceLink link{sim::DefaultSimBackend()};
};

TEST_F(DeviceLinkTest, ReplyCompletesOnFirstReportOrOnlyAfterItsLast) {
  std::thread script = Script({MakeReport(0x83, {3, 0x1A, 0, 7, 0, 0, 10, 0, 0xA1})});
  EXPECT_EQ(SendUsbSpeedRead(5000), LINK_OK);
  script.join();
  EXPECT_EQ(link.ReplyBuffer()[3], 7);
  EXPECT_EQ(link.ReplyBuffer()[8], 0xA1);

  // A 60-byte payload needs the 0x85 report; completing on the 0x83 would
  // leave byte 63 of the reply unfilled.
  script = Script({MakeReport(0x83, {3, 0x1A, 0, 0, 0, 0, 60, 0}), MakeReport(0x85, {0x5A})}, 30);
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
  device.InjectFault({FaultKind::NoReply});
  EXPECT_EQ(SendUsbSpeedRead(50), LINK_ERR_TIMEOUT);
  EXPECT_EQ(link.LastStatus(), 0xFE);

  EXPECT_EQ(link.Send(link.RequestBuffer(), 0, 5000), LINK_ERR_EMPTY);
}

TEST_F(DeviceLinkTest, LateReplyIsDiscardedOrSeenByTheNextRequest) {
  // Arrives before the next request resets the event: discarded.
  device.InjectFault({FaultKind::LateReply, 100});
  EXPECT_EQ(SendUsbSpeedRead(20), LINK_ERR_TIMEOUT);
  ASSERT_TRUE(device.WaitForRequests(1, 5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  device.InjectFault({FaultKind::NoReply});
  EXPECT_EQ(SendUsbSpeedRead(50), LINK_ERR_TIMEOUT);

  // Arrives while the next request waits: that request takes it.
  EncodeHeader(link.RequestBuffer(), kKindRead, 0x0006, 0x21, 0, 0);
  device.InjectFault({FaultKind::LateReply, 500});
  EXPECT_EQ(link.Send(link.RequestBuffer(), kHeaderSize, 20), LINK_ERR_TIMEOUT);
  device.InjectFault({FaultKind::NoReply});
  EXPECT_EQ(SendUsbSpeedRead(5000), LINK_OK);
  EXPECT_EQ(DecodeHeader(link.ReplyBuffer()).command, 0x0006);
}

TEST_F(DeviceLinkTest, UnplugWhileWaitingEndsTheRequestAndPostsLinkLostOnce) {
  device.InjectFault({FaultKind::NoReply});
  std::thread unplug([this] {
    device.WaitForRequests(1, 5000);
    device.Unplug();
  });
  const auto start = Clock::now();
  EXPECT_EQ(SendUsbSpeedRead(30000), LINK_ERR_STOPPED);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
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
  std::thread script = Script({MakeReport(0x83, {3, 0x1A, 0, 0, 0, 0, 100, 0}),
                               MakeReport(0x90, {4, 0}), MakeReport(0x85, {})},
                              10);
  EXPECT_EQ(SendUsbSpeedRead(5000), LINK_OK);
  script.join();
  EXPECT_EQ(link.ReplyBuffer()[0], 4);
  EXPECT_EQ(link.ReplyBuffer()[1], 0);

  // The unfinished reply was dropped, so its stray last fragment completed
  // nothing: the next request waits for its own reply.
  device.InjectFault({FaultKind::NoReply});
  EXPECT_EQ(SendUsbSpeedRead(50), LINK_ERR_TIMEOUT);
}

TEST_F(DeviceLinkTest, NoticeWithoutWaiterIsClearedByTheNextSend) {
  device.SendReport(MakeReport(0x90, {4, 1}));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  device.InjectFault({FaultKind::NoReply});
  EXPECT_EQ(SendUsbSpeedRead(50), LINK_ERR_TIMEOUT);
}

TEST_F(DeviceLinkTest, MultiReportRequestReachesTheDeviceWhole) {
  uint8_t* request = link.RequestBuffer();
  EncodeHeader(request, kKindWrite, 0x0119, 0x71, 0, 181);
  for (int i = 0; i < 181; ++i) request[kHeaderSize + i] = static_cast<uint8_t>(i);
  device.InjectFault({FaultKind::NoReply});
  EXPECT_EQ(link.Send(request, kHeaderSize + 181, 20), LINK_ERR_TIMEOUT);
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
