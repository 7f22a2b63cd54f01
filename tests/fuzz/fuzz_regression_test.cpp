// Replays the fuzz inputs kept in the repository, the seed corpora and the
// inputs of past findings (fuzz/regressions/), through the same checks the
// fuzz targets run, so the normal and sanitizer test builds catch a return
// of anything the fuzzers found.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "../fuzz/firm_file_check.h"
#include "../fuzz/fuzz_images.h"
#include "../fuzz/reassembly_check.h"
#include "../fuzz/scripted_device.h"
#include "commands/command_id.h"
#include "commands/operation_fields.h"
#include "session/hid_dev_comm_app.h"
#include "link/link_errors.h"
#include "link/report_framing.h"
#include "support/test_support.h"
#include "fuzz/fuzz_inputs.h"

namespace tarvik::testing {
namespace {

TEST(FuzzRegression, ReportSequencesReassembleIntact) {
  ReplayFuzzInputs("reassembly", fuzzing::CheckReportSequence);
}

TEST(FuzzRegression, FirmwareFilesLoadOrRefuseCleanly) {
  ReplayFuzzInputs("firm_file", fuzzing::CheckFirmFile);
}

// Every operation input runs on one session, as in the fuzzer; the stand-in
// recordings among them must still succeed. Replies get a quarter of a
// second rather than the fuzzer's few milliseconds, so a busy machine cannot
// turn an answer into a time-out.
TEST(FuzzRegression, OperationRepliesRunThroughTheSession) {
  const std::vector<Input> inputs = FuzzInputs("operation_replies");
  ASSERT_FALSE(inputs.empty());
  // Seeds named opNNN_<Operation>_<knob> are the stand-in's own answers.
  const std::regex kRecorded("corpus/op[0-9]{3}_[A-Z][A-Za-z0-9]*_[0-9]+");
  fuzzing::OperationHarness harness(fuzzing::PackageImages(), fuzzing::SectionImages(),
                                    /*waitCapMs=*/250);
  for (const auto& [name, bytes] : inputs) {
    SCOPED_TRACE(name);
    const int result = harness.Run(bytes.data(), bytes.size());
    if (std::regex_match(name, kRecorded)) {
      EXPECT_EQ(result, LINK_OK) << LinkErrorName(result);
    }
  }
}

// A raw message answered by a completion notice gets the notice's 63 bytes
// and no more, though the notice's length field names 300: the rest of the
// reply buffer holds an older message (here block reads of 0xAB bytes).
TEST(FuzzRegression, RawMessageAnsweredByNoticeGetsOnlyTheNotice) {
  fuzzing::ScriptedBackend backend;
  CHidDevCommApp session(backend, /*waitCapMs=*/250);
  ASSERT_TRUE(session.Open());
  const std::shared_ptr<fuzzing::ScriptedChannel> channel = backend.Channel();
  std::lock_guard<std::recursive_mutex> guard(session.lock);

  std::vector<uint8_t> reply(kHeaderSize + 6 + 300, 0xAB);
  EncodeHeader(reply.data(), kKindReadReply, 0x0800, 0, 0, 6 + 300);
  std::vector<fuzzing::ReplyGroup> blockReply(1);
  for (const Report& report : ReplyReports(reply)) blockReply[0].runs.push_back({report, 1});
  std::vector<uint8_t> block(300);
  // Three times, so every buffer the link rotates through has held one.
  for (int i = 0; i < 3; ++i) {
    channel->Load(&blockReply);
    session.params = {};
    SetField(session.params, fields::Block::count, uint16_t{300});
    SetField(session.params, fields::Block::buffer, block.data());
    ASSERT_EQ(session.Execute(ToInt(CommandId::GetCmd0800)), LINK_OK);
    channel->Quiesce();
  }

  Report notice =
      MakeReport(kMarkerNotify, {kNoticeCompletion, 0, 0, 0, 0, 0, 300 & 0xFF, 300 >> 8});
  std::vector<fuzzing::ReplyGroup> noticeReply(1);
  noticeReply[0].runs.push_back({notice, 1});
  channel->Load(&noticeReply);
  std::vector<uint8_t> message(kHeaderSize + 300, 0);
  EncodeHeader(message.data(), kKindWrite, 0x0001, 0, 0, 0);
  session.params = {};
  SetField(session.params, fields::RawMessage::message, message.data());
  SetField(session.params, fields::RawMessage::size, uint32_t{kHeaderSize + 300});
  ASSERT_EQ(session.Execute(ToInt(CommandId::SendRawMessage)), LINK_OK);
  channel->Quiesce();

  EXPECT_TRUE(std::equal(notice.begin() + 1, notice.end(), message.begin()));
  EXPECT_EQ(std::count(message.begin() + kReportPayloadSize, message.end(), 0xAB), 0);
}

}  // namespace
}  // namespace tarvik::testing
