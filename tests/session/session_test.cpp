#include "session/hid_dev_comm_app.h"

#include <gtest/gtest.h>

#include "commands/command_id.h"
#include "commands/operation_fields.h"
#include "link/link_errors.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

using testing::NotifyRecorder;

sim::SimOptions WithProduct(uint16_t productId) {
  sim::SimOptions options;
  options.productId = productId;
  return options;
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { NotifyRecorder::Instance().Clear(); }
  sim::SimBackend& backend = sim::DefaultSimBackend();
};

TEST_F(SessionTest, OpenTriesProductIdsInOrder) {
  sim::SimDevice later(WithProduct(0x402F));
  sim::SimDevice earlier(WithProduct(0x4026));
  later.Plug();
  earlier.Plug();
  CHidDevCommApp session(backend);
  ASSERT_TRUE(session.Open());
  EXPECT_EQ(session.productId, 0x4026);
  EXPECT_TRUE(session.isOpen);
  EXPECT_EQ(earlier.OpenHandleCount(), 1);
  EXPECT_EQ(later.OpenHandleCount(), 0);

  // A second Open changes nothing and the first link keeps working.
  EXPECT_FALSE(session.Open());
  std::lock_guard<std::recursive_mutex> guard(session.lock);
  EXPECT_EQ(session.Execute(ToInt(CommandId::GetUsbSpeed)), LINK_OK);
  EXPECT_EQ(earlier.RequestCount(), 1u);

  EXPECT_EQ(session.Close(), 0);
  EXPECT_EQ(session.productId, 0);
  EXPECT_EQ(session.Close(), 0);
  EXPECT_EQ(earlier.OpenHandleCount(), 0);
}

TEST_F(SessionTest, ProbeSeesAcceptedAndProbeOnlyIdentities) {
  EXPECT_EQ(ProbeDevice(backend), Presence::kAbsent);
  {
    sim::SimDevice restarting(WithProduct(0x4022));
    restarting.Plug();
    EXPECT_EQ(ProbeDevice(backend), Presence::kRestarting);
    CHidDevCommApp session(backend);
    EXPECT_FALSE(session.Open());
    EXPECT_FALSE(session.isOpen);
    EXPECT_EQ(restarting.OpenHandleCount(), 0);
  }
  for (uint16_t productId : {0x4021, 0x4026, 0x402F}) {
    sim::SimDevice device(WithProduct(productId));
    device.Plug();
    EXPECT_EQ(ProbeDevice(backend), Presence::kPresent) << std::hex << productId;
    EXPECT_EQ(device.OpenHandleCount(), 0);  // the probe closes what it opened
  }
}

TEST_F(SessionTest, DeviceWithOtherReportLengthsIsNotOpened) {
  sim::SimOptions options;
  options.inputReportLength = 33;
  options.outputReportLength = 33;
  sim::SimDevice narrow(options);
  narrow.Plug();
  CHidDevCommApp session(backend);
  EXPECT_FALSE(session.Open());
  EXPECT_EQ(ProbeDevice(backend), Presence::kAbsent);
}

TEST_F(SessionTest, ExecuteCommandWithoutLinkOrUnknownNumber) {
  StatusPair pair{0x11, 0x22};
  CommandParams params;
  EXPECT_EQ(ExecuteCommand(nullptr, ToInt(CommandId::GetUsbSpeed), &params, &pair),
            LINK_ERR_NOT_OPEN);
  EXPECT_EQ(pair.status, 0x11);
  EXPECT_EQ(pair.detail, 0x22);

  sim::SimDevice device;
  device.Plug();
  CHidDevCommApp session(backend);
  std::lock_guard<std::recursive_mutex> guard(session.lock);
  EXPECT_EQ(session.Execute(ToInt(CommandId::GetUsbSpeed)), LINK_ERR_NOT_OPEN);
  ASSERT_TRUE(session.Open());
  device.InjectFault({sim::FaultKind::StatusFE});
  EXPECT_EQ(session.Execute(ToInt(CommandId::GetUsbSpeed)), LINK_OK);
  EXPECT_EQ(session.statusPair.status, 0xFE);

  // Unknown numbers send nothing; the pair of the last reply is still copied.
  session.statusPair = {};
  for (int id : {-1, 167, 1000}) {
    EXPECT_EQ(session.Execute(id), LINK_ERR_UNKNOWN_COMMAND) << id;
    EXPECT_EQ(session.statusPair.status, 0xFE);
  }
  EXPECT_EQ(device.RequestCount(), 1u);
}

TEST_F(SessionTest, NotificationsAndLinkLossReachTheOwnersCallback) {
  sim::SimDevice device;
  device.Plug();
  CHidDevCommApp session(backend);
  session.SetNotifyCallback(&NotifyRecorder::Callback);
  ASSERT_TRUE(session.Open());
  device.SendNotification(2, 5);
  ASSERT_TRUE(NotifyRecorder::Instance().WaitFor(1));
  device.Unplug();
  ASSERT_TRUE(NotifyRecorder::Instance().WaitFor(2));

  // The session stays open until its owner closes it; operations fail meanwhile.
  std::lock_guard<std::recursive_mutex> guard(session.lock);
  EXPECT_TRUE(session.isOpen);
  EXPECT_NE(session.Execute(ToInt(CommandId::GetUsbSpeed)), LINK_OK);
  EXPECT_EQ(session.Close(), 0);
  EXPECT_EQ(NotifyRecorder::Instance().Calls(),
            (std::vector<std::pair<int, int>>{{2, 5}, {255, 0}}));

  // Back on the bus: a new Open works.
  device.Plug();
  ASSERT_TRUE(session.Open());
  EXPECT_EQ(session.Execute(ToInt(CommandId::GetUsbSpeed)), LINK_OK);
}

TEST_F(SessionTest, DestructionClosesTheLinkWithoutPosting) {
  sim::SimDevice device;
  device.Plug();
  {
    CHidDevCommApp session(backend);
    session.SetNotifyCallback(&NotifyRecorder::Callback);
    ASSERT_TRUE(session.Open());
    EXPECT_EQ(device.OpenHandleCount(), 1);
  }
  EXPECT_EQ(device.OpenHandleCount(), 0);
  EXPECT_TRUE(NotifyRecorder::Instance().Calls().empty());
}

}  // namespace
}  // namespace tarvik
