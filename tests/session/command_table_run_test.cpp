// Table-driven runs of every operation against the stand-in device.
#include <gtest/gtest.h>

#include <cstring>
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

bool Runnable(const OperationRow& row) {
  return row.id >= 0 && row.handler != block_commands::Reserved &&
         row.handler != block_commands::SendRawMessage && row.handler != UpdateFirmware &&
         row.handler != UpdateFirmwareSection;
}

class CommandTableRunTest : public testing::SessionOnStandIn {
 protected:
  // A record every operation can run with: pointer fields lead to memory
  // large enough for any of them, block counts are small.
  void Prepare(const OperationRow& row, uint8_t fill) {
    std::memset(p().data, fill, sizeof p().data);
    p().selector = 0;
    std::memset(memory.data(), fill, memory.size());
    for (std::size_t i = 0; i < row.fields.size(); ++i) {
      if (row.fields[i].type != FieldType::Pointer) continue;
      uint8_t* pointer = memory.data();
      std::memcpy(p().data + FieldOffset(row.fields, i), &pointer, sizeof pointer);
    }
    if (row.fields.data() == shapes::kBlock) {
      SetField(p(), fields::Block::count, uint16_t{16});
      SetField(p(), fields::Block::address, uint32_t{0x200});
    }
    if (row.fields.data() == shapes::kDataStream)
      SetField(p(), fields::DataStream::handler, static_cast<StreamCallback>(nullptr));
  }
  std::size_t ExpectedReplyLength(const OperationRow& row) {
    return row.fields.data() == shapes::kBlock && row.kind == 2 ? 6 + 16 : row.replyLength;
  }

  Bytes memory = Bytes(4096);
};

TEST_F(CommandTableRunTest, StandInAnswersEveryOperationWithItsTimeout) {
  for (const OperationRow& row : kOperationTable) {
    if (!Runnable(row) || row.command == 0x0003) continue;  // a restart would take the device away
    SCOPED_TRACE(row.name);
    Prepare(row, 0x01);
    EXPECT_EQ(Run(row.id), LINK_OK);
    EXPECT_EQ(LastTimeoutMs(), static_cast<int>(row.timeoutMs));
    EXPECT_EQ(DecodeHeader(LastMessage().data()).command, row.command);
  }
}

TEST_F(CommandTableRunTest, MalformedRepliesLeaveRecordAndBuffersUntouched) {
  for (const OperationRow& row : kOperationTable) {
    if (!Runnable(row)) continue;
    SCOPED_TRACE(row.name);
    const std::size_t length = ExpectedReplyLength(row);
    struct Variant {
      uint8_t kind;
      uint16_t command;
      std::size_t length;
    };
    std::vector<Variant> variants = {
        {static_cast<uint8_t>(row.kind + 1), row.command, length + 1},
        {static_cast<uint8_t>(row.kind == 0 ? 3 : 1), row.command, length},
        {static_cast<uint8_t>(row.kind + 1), static_cast<uint16_t>(row.command ^ 0x0100), length}};
    if (length > 0)
      variants.push_back({static_cast<uint8_t>(row.kind + 1), row.command, length - 1});
    for (const Variant& v : variants) {
      Prepare(row, 0x5C);
      const CommandParams before = p();
      EXPECT_EQ(RunWithReply(row.id, ReplyMessage(v.kind, v.command, 0x66, Bytes(v.length, 0xA7))),
                LINK_ERR_BAD_REPLY)
          << "kind " << int(v.kind) << " length " << v.length;
      EXPECT_EQ(0, std::memcmp(p().data, before.data, sizeof before.data));
      EXPECT_TRUE(memory == Bytes(memory.size(), 0x5C));
    }
  }
}

TEST_F(CommandTableRunTest, EverySetAndGetPairRoundTripsThroughTheStandIn) {
  int checked = 0;
  for (const OperationRow& set : kOperationTable) {
    const std::string name = set.id >= 0 ? set.name : "";
    const OperationRow* get =
        name.rfind("Set", 0) == 0 ? FindOperation("Get" + name.substr(3)) : nullptr;
    if (!get || set.fields.data() == shapes::kBlock) continue;
    SCOPED_TRACE(name);
    for (uint32_t selector : {0u, 1u}) {
      // The Set's inputs: a pattern, with small numbers where a field names a
      // target or an index so that the Get asks for the same one.
      Prepare(set, 0);
      for (std::size_t i = 0; i < set.fields.size(); ++i) {
        if (set.fields[i].type == FieldType::Pointer) continue;
        uint8_t* bytes = p().data + FieldOffset(set.fields, i);
        for (std::size_t b = 0; b < WireSize(set.fields[i]); ++b)
          bytes[b] = static_cast<uint8_t>(0x21 + 13 * i + b + selector);
      }
      p().selector = selector;
      const CommandParams written = p();
      ASSERT_EQ(Run(set.id), LINK_OK);

      // The Get starts from a record that holds only the inputs it sends.
      std::memset(p().data, 0, sizeof p().data);
      for (std::size_t i = 0; i < get->fields.size(); ++i) {
        const FieldDirection direction = DirectionOf(*get, i);
        if (direction == FieldDirection::In || direction == FieldDirection::InOut) {
          const std::size_t offset = FieldOffset(get->fields, i);
          std::memcpy(p().data + offset, written.data + offset, StorageSize(get->fields[i]));
        }
      }
      // Writes that always address the working set are read back from it.
      p().selector = set.selector == SelectorRule::Zero ? 0 : selector;
      ASSERT_EQ(Run(get->id), LINK_OK);

      for (std::size_t i = 0; i < get->fields.size(); ++i) {
        if (DirectionOf(*get, i) != FieldDirection::Out) continue;
        // The one read that does not mirror its write returns the value in its second field.
        const std::size_t from = get->command == 0x0B06 ? 0 : i;
        EXPECT_EQ(
            0, std::memcmp(p().data + FieldOffset(get->fields, i),
                           written.data + FieldOffset(set.fields, from), WireSize(get->fields[i])))
            << get->fields[i].name << " selector " << selector;
      }
    }
    ++checked;
  }
  EXPECT_EQ(checked, 60);
}

}  // namespace
}  // namespace tarvik
