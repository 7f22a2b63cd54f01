#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "commands/command_id.h"
#include "commands/operation_fields.h"
#include "commands/operation_table.h"
#include "session/hid_dev_comm_app.h"
#include "link/link_errors.h"
#include "support/session_fixture.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"

namespace tarvik {
namespace {

using sim::FaultKind;
using testing::Bytes;
using testing::MakeReport;

class OperationTemplateTest : public testing::SessionOnStandIn {
 protected:
  using SessionOnStandIn::RunWithReply;
  // Answers the next request with one scripted report.
  int RunWithReply(CommandId id, const testing::Report& reply) {
    device.InjectFault({FaultKind::NoReply});
    const std::size_t before = device.RequestCount();
    std::thread script([&] {
      device.WaitForRequests(before + 1, 5000);
      device.SendReport(reply);
    });
    const int result = Run(id);
    script.join();
    return result;
  }
};

TEST_F(OperationTemplateTest, RequestsGoOutByteForByte) {
  SetField(p(), fields::ChannelGain::target, TARGET_INPUT_L);
  SetField(p(), fields::ChannelGain::gain, int16_t{768});
  p().selector = 1;
  ASSERT_EQ(Run(CommandId::SetChannelGain), LINK_OK);
  EXPECT_EQ(LastMessage(), (Bytes{0x00, 0x03, 0x01, 0x71, 0x01, 0x00, 0x02, 0x00, 0x00, 0x03}));

  // Input mode and signal level writes always address the working set.
  SetField(p(), fields::InputMode::modeBits, uint8_t{1});
  ASSERT_EQ(Run(CommandId::SetInputMode), LINK_OK);
  EXPECT_EQ(LastMessage(), (Bytes{0x00, 0x16, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00}));
  SetField(p(), fields::SignalLevel::target, TARGET_INPUT_R);
  SetField(p(), fields::SignalLevel::level, uint8_t{1});
  ASSERT_EQ(Run(CommandId::SetSignalLevel), LINK_OK);
  EXPECT_EQ(LastMessage(), (Bytes{0x00, 0x18, 0x01, 0x72, 0x00, 0x00, 0x01, 0x00, 0x01}));
  // Their reads send the selector as it is.
  ASSERT_EQ(Run(CommandId::GetSignalLevel), LINK_OK);
  EXPECT_EQ(LastMessage(), (Bytes{0x02, 0x18, 0x01, 0x72, 0x01, 0x00, 0x00, 0x00}));

  p().selector = 0;
  SetField(p(), fields::FilterBand::target, TARGET_INPUT_L);
  SetField(p(), fields::FilterBand::band, uint8_t{0});
  SetField(p(), fields::FilterBand::filterType, uint8_t{6});
  const float lowCut[4] = {315.0f, 315.0f, 0.0f, 0.707f};
  for (int i = 0; i < 4; ++i) SetField(p(), fields::FilterBand::Coefficient(i), lowCut[i]);
  ASSERT_EQ(Run(CommandId::SetFilterBand), LINK_OK);
  EXPECT_EQ(LastMessage(),
            (Bytes{0x00, 0x06, 0x01, 0x71, 0x00, 0x00, 0x12, 0x00, 0x00, 0x06, 0x00, 0x80, 0x9D,
                   0x43, 0x00, 0x80, 0x9D, 0x43, 0x00, 0x00, 0x00, 0x00, 0xF4, 0xFD, 0x34, 0x3F}));

  SetField(p(), fields::FilterBand::band, uint8_t{2});
  ASSERT_EQ(Run(CommandId::GetFilterBand), LINK_OK);
  EXPECT_EQ(LastMessage(), (Bytes{0x02, 0x06, 0x01, 0x71, 0x00, 0x00, 0x01, 0x00, 0x02}));

  SetField(p(), fields::MicMuteSync::mode, uint8_t{1});
  SetField(p(), fields::MicMuteSync::spare, uint8_t{0});
  ASSERT_EQ(Run(CommandId::SetMicMuteSync), LINK_OK);
  EXPECT_EQ(LastMessage(), (Bytes{0x00, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00}));

  SetField(p(), fields::DeviceInfo::item, INFO_FIRMWARE_VERSION);
  ASSERT_EQ(Run(CommandId::GetDeviceInfo), LINK_OK);
  EXPECT_EQ(LastMessage(), (Bytes{0x02, 0x06, 0x00, 0x21, 0x00, 0x00, 0x00, 0x00}));
}

TEST_F(OperationTemplateTest, EverySetAndGetPairRoundTripsInBothSets) {
  struct Pair {
    CommandId set, get;
    std::size_t valueOffset, valueSize;
    uint8_t target;
  };
  const Pair pairs[] = {
      {CommandId::SetUsbSpeed, CommandId::GetUsbSpeed, 0, 1, 0},
      {CommandId::SetMicMuteSync, CommandId::GetMicMuteSync, 0, 1, 0},
      {CommandId::SetChannelGain, CommandId::GetChannelGain, 1, 2, TARGET_OUTPUT},
      {CommandId::SetFilterBand, CommandId::GetFilterBand, 2, 17, TARGET_INPUT_R},
      {CommandId::SetRoutingFlags, CommandId::GetRoutingFlags, 1, 1, 0},
      {CommandId::SetCmd0109, CommandId::GetCmd0109, 1, 1, 0x93},
      {CommandId::SetInputMode, CommandId::GetInputMode, 0, 1, 0},
      {CommandId::SetSignalLevel, CommandId::GetSignalLevel, 1, 1, TARGET_INPUT_L},
  };
  for (const Pair& pair : pairs) {
    SCOPED_TRACE(ToInt(pair.set));
    p() = {};
    p().data[0] = pair.target;
    p().data[1] = 3;  // band of the filter pair
    for (std::size_t i = 0; i < pair.valueSize; ++i)
      p().data[pair.valueOffset + i] = static_cast<uint8_t>(0x40 + i);
    if (pair.valueOffset == 0) p().data[0] = 0x02;
    const CommandParams written = p();
    ASSERT_EQ(Run(pair.set), LINK_OK);
    p() = {};
    p().data[0] = pair.target;
    p().data[1] = 3;
    ASSERT_EQ(Run(pair.get), LINK_OK);
    EXPECT_EQ(0, std::memcmp(p().data, written.data, pair.valueOffset + pair.valueSize));
  }

  // The second set holds other values than the working one.
  p() = {};
  SetField(p(), fields::ChannelGain::target, TARGET_INPUT_L);
  p().selector = 1;
  ASSERT_EQ(Run(CommandId::GetChannelGain), LINK_OK);
  EXPECT_EQ(GetField(p(), fields::ChannelGain::gain), 1536);
}

TEST_F(OperationTemplateTest, RepliesOfWrongLengthKindOrCommandLeaveTheRecordUntouched) {
  for (FaultKind fault : {FaultKind::WrongLength, FaultKind::WrongKind, FaultKind::WrongCommand}) {
    for (CommandId id : {CommandId::GetUsbSpeed, CommandId::GetChannelGain,
                         CommandId::GetDeviceInfo, CommandId::SetChannelGain}) {
      SCOPED_TRACE(::testing::Message() << int(fault) << " op " << ToInt(id));
      std::memset(p().data, 0x5C, sizeof p().data);
      p().data[0] = TARGET_INPUT_L;
      const CommandParams before = p();
      device.InjectFault({fault});
      EXPECT_EQ(Run(id), LINK_ERR_BAD_REPLY);
      EXPECT_EQ(0, std::memcmp(p().data, before.data, sizeof before.data));
    }
  }
}

TEST_F(OperationTemplateTest, DeviceRefusalIsAStatusErrorAnd0xFEASuccess) {
  SetField(p(), fields::ChannelGain::target, TARGET_INPUT_L);
  SetField(p(), fields::ChannelGain::gain, int16_t{99});
  device.InjectFault({FaultKind::BadStatus, 0, 0x22});
  EXPECT_EQ(Run(CommandId::GetChannelGain), LINK_ERR_DEVICE_STATUS);
  EXPECT_EQ(GetField(p(), fields::ChannelGain::gain), 99);
  EXPECT_EQ(session.statusPair.status, 0x22);

  device.InjectFault({FaultKind::StatusFE});
  EXPECT_EQ(Run(CommandId::GetChannelGain), LINK_OK);
  EXPECT_EQ(GetField(p(), fields::ChannelGain::gain), 0);
  EXPECT_EQ(session.statusPair.status, 0xFE);
}

TEST_F(OperationTemplateTest, NullRecordSendsNothing) {
  for (const OperationRow& row : kOperationTable) {
    if (row.id < 0) continue;
    const int expected =
        row.id == ToInt(CommandId::Reserved130) ? LINK_ERR_UNKNOWN_COMMAND : LINK_ERR_NULL_PARAM;
    EXPECT_EQ(ExecuteCommand(session.link.get(), row.id, nullptr, nullptr), expected) << row.name;
  }
  EXPECT_EQ(device.RequestCount(), 0u);
}

TEST_F(OperationTemplateTest, ValuesComeFromTheReplyAsTheLayoutSays) {
  // Header-value read: the target byte is the value; any payload is refused.
  EXPECT_EQ(
      RunWithReply(CommandId::GetInputMode, MakeReport(0x83, {3, 0x16, 0x01, 0x03, 0, 0, 0, 0})),
      LINK_OK);
  EXPECT_EQ(GetField(p(), fields::InputMode::modeBits), 3);
  EXPECT_EQ(RunWithReply(CommandId::GetUsbSpeed, MakeReport(0x83, {3, 0x1A, 0, 1, 0, 0, 1, 0, 1})),
            LINK_ERR_BAD_REPLY);

  // Signed gain, and a reply target that differs from the request's.
  SetField(p(), fields::ChannelGain::target, TARGET_OUTPUT);
  EXPECT_EQ(RunWithReply(CommandId::GetChannelGain,
                         MakeReport(0x83, {3, 0x03, 0x01, 0x55, 0, 0, 2, 0, 0x00, 0xF4})),
            LINK_OK);
  EXPECT_EQ(GetField(p(), fields::ChannelGain::gain), -3072);
  EXPECT_EQ(GetField(p(), fields::ChannelGain::target), TARGET_OUTPUT);

  // The filter band read keeps whatever band the device echoes.
  SetField(p(), fields::FilterBand::target, TARGET_INPUT_L);
  SetField(p(), fields::FilterBand::band, uint8_t{2});
  EXPECT_EQ(RunWithReply(CommandId::GetFilterBand,
                         MakeReport(0x83, {3, 0x06, 0x01, 0x71, 0, 0, 18, 0, 3, 10, 1, 2, 3, 4})),
            LINK_OK);
  EXPECT_EQ(GetField(p(), fields::FilterBand::band), 3);
  EXPECT_EQ(GetField(p(), fields::FilterBand::filterType), 10);
  EXPECT_EQ(p().data[fields::FilterBand::Coefficient(0).offset + 3], 4);
}

TEST_F(OperationTemplateTest, DeviceInfoTextIsAlwaysTerminated) {
  device.SetFirmwareVersion("2.10ABCDEFGHIJKL");
  std::memset(p().data, 0xFF, sizeof p().data);
  SetField(p(), fields::DeviceInfo::item, INFO_FIRMWARE_VERSION);
  ASSERT_EQ(Run(CommandId::GetDeviceInfo), LINK_OK);
  const char* text = reinterpret_cast<const char*>(p().data + fields::DeviceInfo::text.offset);
  EXPECT_STREQ(text, "2.10ABCDEFGHIJKL");
}

}  // namespace
}  // namespace tarvik
