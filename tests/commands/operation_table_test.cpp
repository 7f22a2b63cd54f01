#include "commands/operation_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "commands/operation_codec.h"

namespace tarvik {
namespace {

bool StartsWith(const std::string& name, const char* prefix) { return name.rfind(prefix, 0) == 0; }

TEST(OperationTableTest, EveryNumberStandsOnce) {
  std::set<std::string> names;
  for (int id = 0; id < kOperationCount; ++id) {
    const OperationRow* row = FindOperation(id);
    ASSERT_NE(row, nullptr) << id;
    EXPECT_EQ(row->id, id);
    EXPECT_TRUE(names.insert(row->name).second) << row->name;
    EXPECT_EQ(FindOperation(row->name), row);
    EXPECT_LE(StorageSize(row->fields), kCommandDataSize) << row->name;
  }
  EXPECT_EQ(names.size(), 167u);
  EXPECT_EQ(FindOperation(167), nullptr);
  EXPECT_EQ(FindOperation(-1), nullptr);
  EXPECT_EQ(FindOperation("NoSuchOperation"), nullptr);
}

TEST(OperationTableTest, NamesFollowTheNamingRuleAndCommandNumbers) {
  for (const OperationRow& row : kOperationTable) {
    if (row.id < 0) continue;
    SCOPED_TRACE(row.name);
    const std::string name = row.name;
    if (StartsWith(name, "Get")) {
      EXPECT_EQ(row.kind, 2);
    } else {
      EXPECT_TRUE(StartsWith(name, "Set") || StartsWith(name, "Run") || name == "RestartDevice" ||
                  name == "Reserved130" || name == "SendRawMessage" ||
                  StartsWith(name, "UpdateFirmware"));
      EXPECT_EQ(row.kind, 0);
    }
    // "Cmd" names carry their command number.
    const std::size_t cmd = name.find("Cmd");
    if (cmd != std::string::npos && StartsWith(name.substr(3), "Cmd")) {
      EXPECT_EQ(std::stoi(name.substr(cmd + 3), nullptr, 16), row.command);
    }
  }
}

TEST(OperationTableTest, ReplyLengthsAgreeWithLayouts) {
  for (const OperationRow& row : kOperationTable) {
    if (row.id < 0) continue;
    SCOPED_TRACE(row.name);
    const std::string name = row.name;
    if (row.kind == 0) {
      // Only two actions are acknowledged with a result byte.
      const bool withResult = name == "RunCmd0B04" || name == "RunCmd0B05";
      EXPECT_EQ(row.replyLength, withResult ? 1 : 0);
      continue;
    }
    std::size_t values = 0;
    for (std::size_t i = 0; i < row.fields.size(); ++i)
      if (DirectionOf(row, i) == FieldDirection::Out) values += WireSize(row.fields[i]);
    switch (row.layout) {
      case Layout::H:
        EXPECT_EQ(row.replyLength, 0);
        EXPECT_GE(row.replyTargetField, 0);
        break;
      case Layout::T8:
        EXPECT_EQ(row.replyLength, 1);
        break;
      case Layout::T16:
        EXPECT_EQ(row.replyLength, 2);
        break;
      case Layout::P:
        EXPECT_EQ(row.replyLength, values);
        break;
      case Layout::TI:
        EXPECT_EQ(row.replyLength, 1 + values);
        break;  // the index echoed first
      case Layout::Own:
        break;
    }
  }
}

TEST(OperationTableTest, SetsAndGetsOfOneCommandShareTheirFields) {
  int pairs = 0;
  for (const OperationRow& row : kOperationTable) {
    const std::string name = row.id >= 0 ? row.name : "";
    if (!StartsWith(name, "Set")) continue;
    const OperationRow* get = FindOperation("Get" + name.substr(3));
    if (!get) continue;
    ++pairs;
    EXPECT_EQ(get->command, row.command) << name;
    EXPECT_EQ(get->fields.data(), row.fields.data()) << name;
  }
  EXPECT_EQ(pairs, 62);
}

TEST(OperationTableTest, LongOperationsWaitLonger) {
  const std::pair<const char*, uint32_t> longOnes[] = {
      {"RunCmd0004", 60000},     {"RunCmd0302", 60000},  {"RunCmd0701", 60000},
      {"SendRawMessage", 60000}, {"GetCmd0800", 30000},  {"GetCmd0802", 30000},
      {"SetCmd0800", 120000},    {"SetCmd0802", 120000}, {"RunCmd0B04", 20000},
      {"RunCmd0B05", 20000}};
  std::set<std::string> named;
  for (const auto& [name, timeout] : longOnes) {
    EXPECT_EQ(FindOperation(name)->timeoutMs, timeout) << name;
    named.insert(name);
  }
  for (const OperationRow& row : kOperationTable) {
    if (row.id >= 0 && !named.count(row.name)) {
      EXPECT_EQ(row.timeoutMs, 5000u) << row.name;
    }
  }
}

TEST(OperationTableTest, FieldDirectionsFollowFromTheWireForm) {
  const OperationRow& getBand = *FindOperation("GetFilterBand");
  EXPECT_EQ(DirectionOf(getBand, 0), FieldDirection::In);
  EXPECT_EQ(DirectionOf(getBand, 1), FieldDirection::InOut);
  EXPECT_EQ(DirectionOf(getBand, 3), FieldDirection::Out);
  EXPECT_EQ(DirectionOf(*FindOperation("GetCmd0801"), 1), FieldDirection::In);
  EXPECT_EQ(DirectionOf(*FindOperation("GetCmd0A05"), 2), FieldDirection::Untouched);
  EXPECT_EQ(DirectionOf(*FindOperation("GetCmd0B06"), 0), FieldDirection::Untouched);
  EXPECT_EQ(DirectionOf(*FindOperation("GetCmd0B06"), 1), FieldDirection::Out);
  EXPECT_EQ(DirectionOf(*FindOperation("SetMicMuteSync"), 1), FieldDirection::In);
  EXPECT_EQ(DirectionOf(*FindOperation("GetUsbSpeed"), 0), FieldDirection::Out);
}

}  // namespace
}  // namespace tarvik
