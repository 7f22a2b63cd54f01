// Every operation against the stand-in device: the exact request bytes, the
// values stored from the reply, the reply checks and the round trip of each
// Set and Get pair.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>

#include "commands/operation_codec.h"
#include "commands/operation_fields.h"
#include "commands/operation_table.h"
#include "link/link_errors.h"
#include "support/session_fixture.h"

namespace tarvik {
namespace {

using testing::Bytes;
using testing::ReplyMessage;

class CommandCatalogueTest : public testing::SessionOnStandIn {
 protected:
  // Byte-exact request for a scripted reply, with the outputs it stored.
  void ExpectRequest(const Bytes& expected) { EXPECT_EQ(LastMessage(), expected); }
};

TEST_F(CommandCatalogueTest, PlainLayoutsOfGroup0x00ByteForByte) {
  p().selector = 1;
  SetField(p(), fields::Value::value, uint8_t{1});
  ASSERT_EQ(Run(CommandId::SetUsbSpeed), LINK_OK);
  ExpectRequest({0x00, 0x1A, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00});
  ASSERT_EQ(RunWithReply(CommandId::GetUsbSpeed, ReplyMessage(3, 0x001A, 0x01, {})), LINK_OK);
  ExpectRequest({0x02, 0x1A, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00});
  EXPECT_EQ(GetField(p(), fields::Value::value), 1);

  p().selector = 0;
  SetField(p(), fields::TargetValue::target, uint8_t{0x33});
  SetField(p(), fields::TargetValue::value, uint8_t{0x44});
  ASSERT_EQ(Run(CommandId::SetCmd0013), LINK_OK);
  ExpectRequest({0x00, 0x13, 0x00, 0x33, 0x00, 0x00, 0x01, 0x00, 0x44});
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0013, ReplyMessage(3, 0x0013, 0x99, {0x55})), LINK_OK);
  ExpectRequest({0x02, 0x13, 0x00, 0x33, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(GetField(p(), fields::TargetValue::value), 0x55);
  EXPECT_EQ(GetField(p(), fields::TargetValue::target), 0x33);

  SetField(p(), fields::TargetValueU16::value, uint16_t{0xBEEF});
  ASSERT_EQ(Run(CommandId::SetCmd0017), LINK_OK);
  ExpectRequest({0x00, 0x17, 0x00, 0x33, 0x00, 0x00, 0x02, 0x00, 0xEF, 0xBE});
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0017, ReplyMessage(3, 0x0017, 0, {0x34, 0x12})), LINK_OK);
  EXPECT_EQ(GetField(p(), fields::TargetValueU16::value), 0x1234);

  ASSERT_EQ(RunWithReply(CommandId::GetMicMuteSync, ReplyMessage(3, 0x001D, 0, {0x01, 0x07})),
            LINK_OK);
  ExpectRequest({0x02, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(GetField(p(), fields::MicMuteSync::mode), 1);
  EXPECT_EQ(GetField(p(), fields::MicMuteSync::spare), 7);
}

TEST_F(CommandCatalogueTest, OwnFormsOfGroup0x00) {
  SetField(p(), fields::Cmd0000::target, uint8_t{9});
  SetField(p(), fields::Cmd0000::argument, uint16_t{0x0201});
  SetField(p(), fields::Cmd0000::argument2, uint8_t{3});
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0000, ReplyMessage(3, 0, 0, {0xCD, 0xAB, 0xEF})),
            LINK_OK);
  ExpectRequest({0x02, 0x00, 0x00, 0x09, 0x00, 0x00, 0x03, 0x00, 0x01, 0x02, 0x03});
  EXPECT_EQ(GetField(p(), fields::Cmd0000::result), 0xABCD);
  EXPECT_EQ(GetField(p(), fields::Cmd0000::result2), 0xEF);

  // Four texts, each stored with a zero after it.
  Bytes texts(76, 'x');
  std::memcpy(texts.data(), "NAME", 4);
  std::memcpy(texts.data() + 40, "2.10", 4);
  std::memset(p().data, 0xFF, sizeof p().data);
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0005, ReplyMessage(3, 0x0005, 0, texts)), LINK_OK);
  const auto text = [&](BytesRef ref) {
    return std::string(reinterpret_cast<char*>(p().data + ref.offset));
  };
  EXPECT_EQ(text(fields::Cmd0005::text1), "NAME" + std::string(36, 'x'));
  EXPECT_EQ(text(fields::Cmd0005::text2), "2.10");
  EXPECT_EQ(text(fields::Cmd0005::text4), std::string(16, 'x'));

  ASSERT_EQ(
      RunWithReply(CommandId::GetCmd0007, ReplyMessage(3, 0x0007, 0, {1, 0, 0, 0, 0, 0, 0, 0x80})),
      LINK_OK);
  EXPECT_EQ(GetField(p(), fields::FirstSecondU32::first), 1u);
  EXPECT_EQ(GetField(p(), fields::FirstSecondU32::second), 0x80000000u);

  // GetCmd000B stores the echoed index; GetCmd0009 keeps its target.
  SetField(p(), fields::TargetIndexValue::target, uint8_t{0x10});
  SetField(p(), fields::TargetIndexValue::index, uint8_t{1});
  ASSERT_EQ(RunWithReply(CommandId::GetCmd000B, ReplyMessage(3, 0x000B, 0x77, {6, 0x60})), LINK_OK);
  ExpectRequest({0x02, 0x0B, 0x00, 0x10, 0x00, 0x00, 0x01, 0x00, 0x01});
  EXPECT_EQ(GetField(p(), fields::TargetIndexValue::index), 6);
  EXPECT_EQ(GetField(p(), fields::TargetIndexValue::value), 0x60);
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0009, ReplyMessage(3, 0x0009, 0x77, {0x61})), LINK_OK);
  EXPECT_EQ(GetField(p(), fields::TargetValue::target), 0x10);
  EXPECT_EQ(GetField(p(), fields::TargetValue::value), 0x61);

  Bytes data(181);
  std::iota(data.begin(), data.end(), uint8_t{0});
  std::memset(p().data, 0xEE, sizeof p().data);
  SetField(p(), fields::TargetData::target, uint8_t{4});
  ASSERT_EQ(RunWithReply(CommandId::GetCmd001B, ReplyMessage(3, 0x001B, 0, data)), LINK_OK);
  EXPECT_EQ(0, std::memcmp(p().data + fields::TargetData::data.offset, data.data(), 181));
  EXPECT_EQ(p().data[fields::TargetData::data.offset + 181], 0xEE);  // no terminator added
}

TEST_F(CommandCatalogueTest, StatusGroupsByteForByte) {
  std::vector<uint8_t> buffer(1024, 0);
  Bytes block(1024);
  std::iota(block.begin(), block.end(), uint8_t{7});
  SetField(p(), fields::TargetBuffer::target, uint8_t{5});
  SetField(p(), fields::TargetBuffer::buffer, buffer.data());
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0204, ReplyMessage(3, 0x0204, 0, block)), LINK_OK);
  ExpectRequest({0x02, 0x04, 0x02, 0x05, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(buffer, block);

  p().selector = 1;  // this read addresses the working set whatever the record says
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0207, ReplyMessage(3, 0x0207, 0, {4, 3, 2, 1, 9})),
            LINK_OK);
  ExpectRequest({0x02, 0x07, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(GetField(p(), fields::Cmd0207::value), 0x01020304u);
  EXPECT_EQ(GetField(p(), fields::Cmd0207::value2), 9);
  p().selector = 0;

  const uint8_t key[4] = {0xA0, 0xA1, 0xA2, 0xA3};
  std::memcpy(p().data + fields::Cmd0301::key.offset, key, 4);
  Bytes reply(180, 'T');
  std::memcpy(reply.data(), "SKIP", 4);
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0301, ReplyMessage(3, 0x0301, 0, reply)), LINK_OK);
  ExpectRequest({0x02, 0x01, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0xA0, 0xA1, 0xA2, 0xA3});
  EXPECT_EQ(std::string(reinterpret_cast<char*>(p().data + fields::Cmd0301::text.offset)),
            std::string(176, 'T'));

  ASSERT_EQ(Run(CommandId::RunCmd0302), LINK_OK);
  ExpectRequest({0x00, 0x02, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(LastTimeoutMs(), 60000);

  Bytes record(59, 0);
  record[0] = 0x42;
  record[58] = 0x43;
  SetField(p(), fields::Cmd0402::buffer, buffer.data());
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0402, ReplyMessage(3, 0x0402, 0x41, record)), LINK_OK);
  EXPECT_EQ(GetField(p(), fields::Cmd0402::value), 0x41);
  EXPECT_EQ(GetField(p(), fields::Cmd0402::value2), 0x42);
  EXPECT_EQ(buffer[57], 0x43);
  EXPECT_EQ(buffer[58], block[58]);  // 58 bytes and no more

  Bytes status(160, 0xCC);
  status[80] = 0x11;   // number1
  status[104] = 0x22;  // number3
  status[110] = 0x33;  // number5
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0700, ReplyMessage(3, 0x0700, 0, status)), LINK_OK);
  EXPECT_EQ(GetField(p(), fields::Cmd0700::number1), 0xCCCCCC11u);
  EXPECT_EQ(GetField(p(), fields::Cmd0700::number3), 0xCC22);
  EXPECT_EQ(GetField(p(), fields::Cmd0700::number5), 0xCCCCCC33u);
}

TEST_F(CommandCatalogueTest, BlockAndExtendedGroupsByteForByte) {
  Bytes data(32);
  std::iota(data.begin(), data.end(), uint8_t{0x40});
  SetField(p(), fields::Block::target, uint8_t{1});
  SetField(p(), fields::Block::address, uint32_t{0x1000});
  SetField(p(), fields::Block::count, uint16_t{32});
  SetField(p(), fields::Block::buffer, data.data());
  ASSERT_EQ(Run(CommandId::SetCmd0800), LINK_OK);
  Bytes expected = {0x00, 0x00, 0x08, 0x01, 0x00, 0x00, 0x26,
                    0x00, 0x00, 0x10, 0x00, 0x00, 0x20, 0x00};
  expected.insert(expected.end(), data.begin(), data.end());
  ExpectRequest(expected);
  EXPECT_EQ(LastTimeoutMs(), 120000);

  Bytes readBack(32, 0);
  SetField(p(), fields::Block::buffer, readBack.data());
  ASSERT_EQ(Run(CommandId::GetCmd0800), LINK_OK);
  ExpectRequest(
      {0x02, 0x00, 0x08, 0x01, 0x00, 0x00, 0x06, 0x00, 0x00, 0x10, 0x00, 0x00, 0x20, 0x00});
  EXPECT_EQ(LastTimeoutMs(), 30000);
  EXPECT_EQ(readBack, data);

  // A reply of count + 5 or count + 7 bytes leaves the buffer alone.
  for (std::size_t size : {37u, 39u}) {
    Bytes wrong(size, 0x99);
    std::fill(readBack.begin(), readBack.end(), 0);
    EXPECT_EQ(RunWithReply(CommandId::GetCmd0800, ReplyMessage(3, 0x0800, 1, wrong)),
              LINK_ERR_BAD_REPLY);
    EXPECT_EQ(readBack, Bytes(32, 0));
  }

  // count 0: six payload bytes out and in, the buffer never touched.
  SetField(p(), fields::Block::count, uint16_t{0});
  SetField(p(), fields::Block::buffer, static_cast<uint8_t*>(nullptr));
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0802, ReplyMessage(3, 0x0802, 1, Bytes(6))), LINK_OK);
  ExpectRequest(
      {0x02, 0x02, 0x08, 0x01, 0x00, 0x00, 0x06, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00});

  SetField(p(), fields::ValueResult::value, uint8_t{2});
  ASSERT_EQ(RunWithReply(CommandId::RunCmd0B04, ReplyMessage(1, 0x0B04, 0, {0x5D})), LINK_OK);
  ExpectRequest({0x00, 0x04, 0x0B, 0x02, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(GetField(p(), fields::ValueResult::result), 0x5D);
  EXPECT_EQ(LastTimeoutMs(), 20000);
  EXPECT_EQ(RunWithReply(CommandId::RunCmd0B04, ReplyMessage(1, 0x0B04, 0, {})),
            LINK_ERR_BAD_REPLY);

  // GetCmd0801 does not store the echoed index.
  SetField(p(), fields::TargetIndexValue::index, uint8_t{3});
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0801, ReplyMessage(3, 0x0801, 0, {9, 0x77})), LINK_OK);
  EXPECT_EQ(GetField(p(), fields::TargetIndexValue::index), 3);
  EXPECT_EQ(GetField(p(), fields::TargetIndexValue::value), 0x77);

  // GetCmd0A05 leaves `spare`; GetCmd0B06 fills `result` and leaves `value`.
  SetField(p(), fields::Cmd0A05::spare, uint8_t{0xAB});
  Bytes a05(16);
  std::iota(a05.begin(), a05.end(), uint8_t{1});
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0A05, ReplyMessage(3, 0x0A05, 0, a05)), LINK_OK);
  EXPECT_EQ(GetField(p(), fields::Cmd0A05::spare), 0xAB);
  EXPECT_EQ(GetField(p(), fields::Cmd0A05::value), 0x0A09);
  EXPECT_EQ(GetField(p(), fields::Cmd0A05::value2), 0x0E0D0C0Bu);
  EXPECT_EQ(GetField(p(), fields::Cmd0A05::value3), 0x100F);
  SetField(p(), fields::ValueResult::value, uint8_t{0x12});
  ASSERT_EQ(RunWithReply(CommandId::GetCmd0B06, ReplyMessage(3, 0x0B06, 0x34, {})), LINK_OK);
  EXPECT_EQ(GetField(p(), fields::ValueResult::value), 0x12);
  EXPECT_EQ(GetField(p(), fields::ValueResult::result), 0x34);
}

TEST_F(CommandCatalogueTest, WorkingSetOnlyWritesSendSelectorZero) {
  for (const char* name :
       {"SetCmd0114", "SetCmd0115", "SetInputMode", "SetCmd0117", "SetSignalLevel"}) {
    p().selector = 1;
    ASSERT_EQ(Run(FindOperation(name)->id), LINK_OK) << name;
    EXPECT_EQ(LastMessage()[4], 0) << name;
  }
  for (const char* name : {"GetCmd0114", "GetInputMode", "SetCmd0119", "SetCmd0112"}) {
    p().selector = 1;
    ASSERT_EQ(Run(FindOperation(name)->id), LINK_OK) << name;
    EXPECT_EQ(LastMessage()[4], 1) << name;
  }
}

TEST_F(CommandCatalogueTest, PlaceholderAndRawMessage) {
  EXPECT_EQ(Run(CommandId::Reserved130), LINK_ERR_UNKNOWN_COMMAND);
  EXPECT_EQ(ExecuteCommand(session.link.get(), 130, nullptr, nullptr), LINK_ERR_UNKNOWN_COMMAND);
  EXPECT_EQ(device.RequestCount(), 0u);

  // The caller's header goes out as it is; the reply comes back whole, cut
  // to the caller's size, whatever command it answers.
  Bytes message = {0x02, 0x1A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  SetField(p(), fields::RawMessage::message, message.data());
  SetField(p(), fields::RawMessage::size, uint32_t{8});
  ASSERT_EQ(RunWithReply(CommandId::SendRawMessage, ReplyMessage(3, 0x0999, 5, {1, 2, 3})),
            LINK_OK);
  ExpectRequest({0x02, 0x1A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(message, (Bytes{0x03, 0x99, 0x09, 0x05, 0x00, 0x00, 0x03, 0x00}));
  EXPECT_EQ(LastTimeoutMs(), 60000);

  Bytes big(kMaxMessageSize + 1, 0);
  SetField(p(), fields::RawMessage::message, big.data());
  SetField(p(), fields::RawMessage::size, uint32_t{65543});
  EXPECT_EQ(RunWithReply(CommandId::SendRawMessage, ReplyMessage(1, 0, 0, {})), LINK_OK);
  SetField(p(), fields::RawMessage::size, uint32_t{65544});
  EXPECT_EQ(Run(CommandId::SendRawMessage), LINK_ERR_NULL_PARAM);
}

// Refused before anything is sent: requests that would carry stale buffer
// bytes, blocks the 16-bit length cannot describe, buffers that are missing.
TEST_F(CommandCatalogueTest, UnsendableRecordsAreRefused) {
  Bytes message = {0x02, 0x1A, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 1, 2, 3};
  SetField(p(), fields::RawMessage::message, message.data());
  for (uint32_t size : {0u, 7u, 11u}) {
    SetField(p(), fields::RawMessage::size, size);
    EXPECT_EQ(Run(CommandId::SendRawMessage), LINK_ERR_NULL_PARAM) << size;
  }
  SetField(p(), fields::RawMessage::message, static_cast<uint8_t*>(nullptr));
  SetField(p(), fields::RawMessage::size, uint32_t{8});
  EXPECT_EQ(Run(CommandId::SendRawMessage), LINK_ERR_NULL_PARAM);

  Bytes buffer(65535);
  for (CommandId id : {CommandId::SetCmd0800, CommandId::GetCmd0800, CommandId::SetCmd0802,
                       CommandId::GetCmd0802}) {
    p() = {};
    SetField(p(), fields::Block::buffer, buffer.data());
    SetField(p(), fields::Block::count, uint16_t{65530});
    EXPECT_EQ(Run(id), LINK_ERR_NULL_PARAM) << ToInt(id);
    SetField(p(), fields::Block::buffer, static_cast<uint8_t*>(nullptr));
    SetField(p(), fields::Block::count, uint16_t{1});
    EXPECT_EQ(Run(id), LINK_ERR_NULL_PARAM) << ToInt(id);
  }
  p() = {};
  for (CommandId id : {CommandId::GetCmd0204, CommandId::GetCmd0205, CommandId::GetCmd0402})
    EXPECT_EQ(Run(id), LINK_ERR_NULL_PARAM) << ToInt(id);
  EXPECT_EQ(device.RequestCount(), 0u);
}

}  // namespace
}  // namespace tarvik
