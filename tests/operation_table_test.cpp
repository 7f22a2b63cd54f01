#include "commands/operation_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "commands/operation_codec.h"

namespace tarvik {
namespace {

TEST(OperationTableTest, RowsSitAtTheirNumbersWithUniqueNames) {
  std::set<std::string> names;
  for (std::size_t i = 0; i < kOperationTable.size(); ++i) {
    const OperationRow& row = kOperationTable[i];
    if (row.id < 0) continue;
    EXPECT_EQ(row.id, static_cast<int>(i));
    EXPECT_TRUE(names.insert(row.name).second) << row.name;
    EXPECT_EQ(FindOperation(row.id), &row);
    EXPECT_EQ(FindOperation(row.name), &row);
    EXPECT_LE(StorageSize(row.fields), kCommandDataSize) << row.name;
  }
  EXPECT_EQ(FindOperation(167), nullptr);
  EXPECT_EQ(FindOperation("NoSuchOperation"), nullptr);
}

TEST(OperationTableTest, NamesKindsAndReplyLengthsAgreeWithLayouts) {
  for (const OperationRow& row : kOperationTable) {
    if (row.id < 0) continue;
    SCOPED_TRACE(row.name);
    const std::string name = row.name;
    if (name.rfind("Get", 0) == 0) {
      EXPECT_EQ(row.kind, 2);
    } else {
      EXPECT_TRUE(name.rfind("Set", 0) == 0 || name.rfind("Run", 0) == 0 || name == "RestartDevice");
      EXPECT_EQ(row.kind, 0);
      EXPECT_EQ(row.replyLength, 0);
    }
    if (row.kind == 2) {
      switch (row.layout) {
        case Layout::H: EXPECT_EQ(row.replyLength, 0); EXPECT_GE(row.replyTargetField, 0); break;
        case Layout::T8: EXPECT_EQ(row.replyLength, 1); break;
        case Layout::T16: EXPECT_EQ(row.replyLength, 2); break;
        default: break;
      }
    }
    // A Set and its Get share a command and their fields.
    if (name.rfind("Set", 0) == 0) {
      const OperationRow* get = FindOperation("Get" + name.substr(3));
      ASSERT_NE(get, nullptr);
      EXPECT_EQ(get->command, row.command);
      EXPECT_EQ(get->fields.data(), row.fields.data());
    }
  }
}

TEST(OperationTableTest, FieldDirectionsFollowFromTheWireForm) {
  const OperationRow& getBand = *FindOperation("GetFilterBand");
  EXPECT_EQ(DirectionOf(getBand, 0), FieldDirection::In);
  EXPECT_EQ(DirectionOf(getBand, 1), FieldDirection::InOut);
  EXPECT_EQ(DirectionOf(getBand, 3), FieldDirection::Out);
  const OperationRow& setMute = *FindOperation("SetMicMuteSync");
  EXPECT_EQ(DirectionOf(setMute, 1), FieldDirection::In);
  EXPECT_EQ(DirectionOf(*FindOperation("GetUsbSpeed"), 0), FieldDirection::Out);
}

}  // namespace
}  // namespace tarvik
