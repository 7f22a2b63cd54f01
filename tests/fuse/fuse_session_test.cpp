// The device session over the FUSE-served hidraw node: exchanges, the
// receive thread's notifications, long replies and the loss of the device.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <numeric>
#include <thread>

#include "commands/operation_fields.h"
#include "fuse/fuse_fixture.h"
#include "link/link_errors.h"

namespace tarvik::fusetest {
namespace {

using namespace std::chrono_literals;
using tarvik::testing::Eventually;

constexpr uint16_t kCommandChannelGain = 0x0103;

// Every report went out as one write() of the whole output report.
void ExpectWholeReports(const NodeStats& stats) {
  EXPECT_FALSE(stats.writeSizes.empty());
  EXPECT_TRUE(std::all_of(stats.writeSizes.begin(), stats.writeSizes.end(),
                          [](std::size_t n) { return n == 65; }));
  EXPECT_TRUE(std::all_of(stats.readSizes.begin(), stats.readSizes.end(),
                          [](std::size_t n) { return n == 64; }));
}

using FuseSessionTest = FuseFixture;

TEST_F(FuseSessionTest, RunsExchangesOnBothSettingSets) {
  device_.Plug();
  ASSERT_TRUE(OpenSession());
  EXPECT_EQ(session_->productId, 0x4021);

  SetField(p(), fields::DeviceInfo::item, INFO_FIRMWARE_VERSION);
  ASSERT_EQ(Run(CommandId::GetDeviceInfo), LINK_OK);
  EXPECT_EQ(
      std::string(reinterpret_cast<const char*>(p().data + fields::DeviceInfo::text.offset), 4),
      "2.10");

  SetField(p(), fields::ChannelGain::target, TARGET_INPUT_L);
  SetField(p(), fields::ChannelGain::gain, int16_t{-1234});
  ASSERT_EQ(Run(CommandId::SetChannelGain), LINK_OK);
  EXPECT_EQ(device_.Setting(0, kCommandChannelGain, TARGET_INPUT_L), (Bytes{0x2E, 0xFB}));
  SetField(p(), fields::ChannelGain::gain, int16_t{0});
  ASSERT_EQ(Run(CommandId::GetChannelGain), LINK_OK);
  EXPECT_EQ(GetField(p(), fields::ChannelGain::gain), -1234);

  // Selector 1 reads the second set, which the write above left alone.
  p().selector = 1;
  ASSERT_EQ(Run(CommandId::GetChannelGain), LINK_OK);
  EXPECT_EQ(GetField(p(), fields::ChannelGain::gain), 0x0600);
  p().selector = 0;
  ASSERT_EQ(device_.RequestCount(), 4u);
  EXPECT_EQ(device_.Requests().back().selector, 1);

  ExpectWholeReports(fuse_.Stats());
}

// Block transfers of thousands of bytes: about 64 reports each way, every
// one through its own write() or poll()/read() on the node.
TEST_F(FuseSessionTest, LongRequestsAndRepliesArriveWhole) {
  device_.Plug();
  ASSERT_TRUE(OpenSession());
  fuse_.ClearStats();

  Bytes data(4000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 256);
  SetField(p(), fields::Block::target, uint8_t{1});
  SetField(p(), fields::Block::address, uint32_t{0x1000});
  SetField(p(), fields::Block::count, uint16_t{4000});
  SetField(p(), fields::Block::buffer, data.data());
  ASSERT_EQ(Run(CommandId::SetCmd0800), LINK_OK);
  const std::size_t requestReports = fuse_.Stats().writeSizes.size();
  EXPECT_GE(requestReports, 4000u / 64);

  Bytes readBack(4000, 0);
  SetField(p(), fields::Block::buffer, readBack.data());
  ASSERT_EQ(Run(CommandId::GetCmd0800), LINK_OK);
  EXPECT_EQ(readBack, data);
  EXPECT_GE(fuse_.Stats().readSizes.size(), 4000u / 64 + 1);

  // The same reply with its reports arriving apart, so that the receive
  // thread goes back to sleep in poll() between them.
  std::fill(readBack.begin(), readBack.end(), 0);
  const int wakeupsBefore = fuse_.Stats().pollWakeups;
  device_.InjectFault({sim::FaultKind::SplitReply, 3});
  ASSERT_EQ(Run(CommandId::GetCmd0800), LINK_OK);
  EXPECT_EQ(readBack, data);
  EXPECT_GE(fuse_.Stats().pollWakeups - wakeupsBefore, 2);

  ExpectWholeReports(fuse_.Stats());
}

// Notifications come in while exchanges are under way: each reaches the
// callback once and in order, and no reply is lost among them.
TEST_F(FuseSessionTest, NotificationsInterleaveWithExchanges) {
  device_.Plug();
  ASSERT_TRUE(OpenSession());
  constexpr int kNotifications = 100;
  // Like hidraw, the node keeps at most 64 unread reports; the sender stays
  // well within that however slowly the receive thread runs.
  constexpr std::size_t kInFlight = 16;
  std::thread sender([&] {
    for (int i = 0; i < kNotifications; ++i) {
      const std::size_t sent = static_cast<std::size_t>(i);
      if (!Eventually([&] { return sent - NotifyRecorder::Instance().Calls().size() < kInFlight; }))
        return;
      device_.SendNotification(2, i);
      if (i % 8 == 0) std::this_thread::sleep_for(1ms);
    }
  });
  int failedAt = -1;
  for (int i = 0; i < 40 && failedAt < 0; ++i)
    if (Run(CommandId::GetUsbSpeed) != LINK_OK) failedAt = i;
  sender.join();
  EXPECT_EQ(failedAt, -1) << "exchange " << failedAt << " failed";
  ASSERT_TRUE(NotifyRecorder::Instance().WaitFor(kNotifications));
  std::vector<std::pair<int, int>> expected;
  for (int i = 0; i < kNotifications; ++i) expected.emplace_back(2, i);
  EXPECT_EQ(NotifyRecorder::Instance().Calls(), expected);
  EXPECT_EQ(fuse_.Stats().reportsDropped, 0);
}

TEST_F(FuseSessionTest, UnplugIsReportedAsLinkLostAndReplugReconnects) {
  device_.Plug();
  ASSERT_TRUE(OpenSession());
  device_.SendNotification(2, 5);
  ASSERT_TRUE(NotifyRecorder::Instance().WaitFor(1));

  const auto unplugged = std::chrono::steady_clock::now();
  device_.Unplug();
  ASSERT_TRUE(NotifyRecorder::Instance().WaitFor(2));
  EXPECT_LT(std::chrono::steady_clock::now() - unplugged, 2s) << "the loss was only noticed late";
  EXPECT_EQ(NotifyRecorder::Instance().Calls(),
            (std::vector<std::pair<int, int>>{{2, 5}, {NOTIFY_LINK_LOST, 0}}));

  {
    std::lock_guard<std::recursive_mutex> guard(session_->lock);
    EXPECT_TRUE(session_->isOpen);
    EXPECT_NE(session_->Execute(ToInt(CommandId::GetUsbSpeed)), LINK_OK);
    EXPECT_EQ(session_->Close(), 0);
  }
  EXPECT_EQ(ProbeDevice(*backend_), Presence::kAbsent);
  EXPECT_TRUE(Eventually([&] { return fuse_.Stats().releases == fuse_.Stats().opens; }));

  device_.Plug();
  EXPECT_EQ(ProbeDevice(*backend_), Presence::kPresent);
  ASSERT_TRUE(session_->Open());
  EXPECT_EQ(Run(CommandId::GetUsbSpeed), LINK_OK);
  EXPECT_EQ(NotifyRecorder::Instance().Calls().size(), 2u);
}

}  // namespace
}  // namespace tarvik::fusetest
