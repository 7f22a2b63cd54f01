#include "link/report_framing.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <vector>

#include "support/test_support.h"

namespace tarvik {
namespace {

using testing::MakeReport;
using testing::Report;

std::vector<Report> Fragment(const std::vector<uint8_t>& message) {
  std::vector<Report> reports;
  Fragmenter fragmenter(message.data(), message.size());
  Report report;
  report.fill(0xEE);  // every byte must be written by the fragmenter
  while (fragmenter.Next(report.data())) reports.push_back(report);
  return reports;
}

std::vector<uint8_t> Counting(std::size_t n) {
  std::vector<uint8_t> message(n);
  std::iota(message.begin(), message.end(), uint8_t{1});
  return message;
}

TEST(ReportFramingTest, FragmentsCarry63BytesWithMarkersAndZeroFill) {
  struct Case {
    std::size_t size;
    std::vector<uint8_t> markers;
    std::size_t lastBytes;
  };
  for (const Case& c : {Case{1, {0x80}, 1}, Case{63, {0x80}, 63}, Case{64, {0x80, 0x82}, 1},
                        Case{126, {0x80, 0x82}, 63}, Case{127, {0x80, 0x81, 0x82}, 1},
                        Case{189, {0x80, 0x81, 0x82}, 63}}) {
    SCOPED_TRACE(c.size);
    const std::vector<uint8_t> message = Counting(c.size);
    const std::vector<Report> reports = Fragment(message);
    ASSERT_EQ(reports.size(), c.markers.size());
    EXPECT_EQ(FragmentCount(c.size), c.markers.size());
    std::vector<uint8_t> joined;
    for (std::size_t i = 0; i < reports.size(); ++i) {
      EXPECT_EQ(reports[i][0], c.markers[i]);
      joined.insert(joined.end(), reports[i].begin() + 1, reports[i].end());
    }
    EXPECT_TRUE(std::equal(message.begin(), message.end(), joined.begin()));
    for (std::size_t i = c.size; i < joined.size(); ++i) EXPECT_EQ(joined[i], 0) << i;
    EXPECT_EQ(c.lastBytes, c.size - (reports.size() - 1) * 63);
  }
  EXPECT_TRUE(Fragment({}).empty());
}

TEST(ReportFramingTest, FirmwareVersionReadIsOneReport) {
  uint8_t message[8];
  EncodeHeader(message, kKindRead, 0x0006, 0x21, 0, 0);
  const std::vector<Report> reports = Fragment({message, message + 8});
  ASSERT_EQ(reports.size(), 1u);
  const Report expected = MakeReport(0x80, {0x02, 0x06, 0x00, 0x21, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(reports[0], expected);
}

TEST(ReportFramingTest, HeaderRoundTripsLittleEndian) {
  uint8_t bytes[8];
  EncodeHeader(bytes, kKindWrite, 0x0103, 0x71, 1, 0x1234);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 8),
            (std::vector<uint8_t>{0x00, 0x03, 0x01, 0x71, 0x01, 0x00, 0x34, 0x12}));
  bytes[5] = 0x9A;
  const MessageHeader h = DecodeHeader(bytes);
  EXPECT_EQ(h.kind, 0);
  EXPECT_EQ(h.command, 0x0103);
  EXPECT_EQ(h.target, 0x71);
  EXPECT_EQ(h.status, 1);
  EXPECT_EQ(h.detail, 0x9A);
  EXPECT_EQ(h.length, 0x1234);
}

class ReassemblyTest : public ::testing::Test {
 protected:
  std::vector<uint8_t> buffer = std::vector<uint8_t>(kReassemblyBufferSize, 0xCC);
  Reassembler replies{Reassembler::Channel::Reply};
  Reassembler streams{Reassembler::Channel::Stream};

  Reassembler::Result Reply(const Report& r) { return replies.Feed(r.data(), buffer.data()); }
  Reassembler::Result Stream(const Report& r) { return streams.Feed(r.data(), buffer.data()); }
  static Report ReplyFirst(uint16_t length) {
    return MakeReport(0x83, {0x03, 0x05, 0x00, 0x00, 0x00, 0x00, static_cast<uint8_t>(length),
                             static_cast<uint8_t>(length >> 8)});
  }
  static Report StreamFirst(uint16_t length) {
    return MakeReport(0xA0,
                      {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8), 'x', 'y'});
  }
};

TEST_F(ReassemblyTest, ShortReplyCompletesWithFirstReportLongOneWaitsForLast) {
  EXPECT_EQ(Reply(ReplyFirst(55)), Reassembler::Result::Complete);
  EXPECT_EQ(replies.MessageSize(), 63u);

  EXPECT_EQ(Reply(ReplyFirst(56)), Reassembler::Result::Pending);
  EXPECT_EQ(Reply(MakeReport(0x85, {0xAB})), Reassembler::Result::Complete);
  EXPECT_EQ(buffer[63], 0xAB);

  // 189-byte reply: first, middle, last.
  EXPECT_EQ(Reply(ReplyFirst(181)), Reassembler::Result::Pending);
  EXPECT_EQ(Reply(MakeReport(0x84, {1})), Reassembler::Result::Pending);
  EXPECT_EQ(Reply(MakeReport(0x85, {2})), Reassembler::Result::Complete);
  EXPECT_EQ(buffer[63], 1);
  EXPECT_EQ(buffer[126], 2);
}

TEST_F(ReassemblyTest, StrayFragmentsAndRequestMarkersAreIgnored) {
  EXPECT_EQ(Reply(MakeReport(0x85, {})), Reassembler::Result::Ignored);
  EXPECT_EQ(Reply(MakeReport(0x84, {})), Reassembler::Result::Ignored);
  // A short first report leaves nothing in progress for a later 0x85.
  EXPECT_EQ(Reply(ReplyFirst(10)), Reassembler::Result::Complete);
  EXPECT_EQ(Reply(MakeReport(0x85, {})), Reassembler::Result::Ignored);
  for (uint8_t marker : {0x80, 0x81, 0x82, 0x86})
    EXPECT_EQ(Reply(MakeReport(marker, {})), Reassembler::Result::Ignored) << int(marker);
}

TEST_F(ReassemblyTest, LastFragmentBeforeAnnouncedLengthIsDropped) {
  // 8 + 200 bytes announced, but only 126 arrive before the last marker:
  // completing would hand on stale buffer bytes as payload.
  EXPECT_EQ(Reply(ReplyFirst(200)), Reassembler::Result::Pending);
  EXPECT_EQ(Reply(MakeReport(0x85, {})), Reassembler::Result::Dropped);
  EXPECT_FALSE(replies.InProgress());
  // The next reply starts afresh.
  EXPECT_EQ(Reply(ReplyFirst(3)), Reassembler::Result::Complete);

  EXPECT_EQ(Stream(StreamFirst(200)), Reassembler::Result::Pending);
  EXPECT_EQ(Stream(MakeReport(0xA2, {})), Reassembler::Result::Dropped);
}

TEST_F(ReassemblyTest, NewFirstFragmentDiscardsUnfinishedReply) {
  EXPECT_EQ(Reply(ReplyFirst(100)), Reassembler::Result::Pending);
  EXPECT_EQ(Reply(ReplyFirst(4)), Reassembler::Result::Complete);
  EXPECT_EQ(Reply(MakeReport(0x85, {})), Reassembler::Result::Ignored);
}

TEST_F(ReassemblyTest, MessageBeyond1041FragmentsIsDroppedAndNextStartsAfresh) {
  EXPECT_EQ(Reply(ReplyFirst(0xFFFF)), Reassembler::Result::Pending);
  for (int i = 0; i < 1039; ++i)
    ASSERT_EQ(Reply(MakeReport(0x84, {})), Reassembler::Result::Pending) << i;
  // Fragment 1041 fits exactly (the largest message needs all of it).
  EXPECT_EQ(Reply(MakeReport(0x84, {})), Reassembler::Result::Pending);
  EXPECT_EQ(Reply(MakeReport(0x85, {})), Reassembler::Result::Dropped);
  EXPECT_FALSE(replies.InProgress());
  EXPECT_EQ(Reply(MakeReport(0x85, {})), Reassembler::Result::Ignored);

  // The largest message, 65543 bytes, completes in 1041 fragments.
  EXPECT_EQ(Reply(ReplyFirst(0xFFFF)), Reassembler::Result::Pending);
  for (int i = 0; i < 1039; ++i)
    ASSERT_EQ(Reply(MakeReport(0x84, {})), Reassembler::Result::Pending);
  EXPECT_EQ(Reply(MakeReport(0x85, {})), Reassembler::Result::Complete);
  EXPECT_EQ(replies.MessageSize(), kMaxMessageSize);
}

TEST_F(ReassemblyTest, StreamThresholdAndTermination) {
  EXPECT_EQ(Stream(StreamFirst(61)), Reassembler::Result::Complete);
  EXPECT_EQ(Stream(StreamFirst(62)), Reassembler::Result::Pending);
  EXPECT_EQ(Stream(MakeReport(0xA2, {'z'})), Reassembler::Result::Complete);
  const StreamMessage message = FinishStreamMessage(buffer.data());
  EXPECT_EQ(message.lead, 'x');
  EXPECT_EQ(message.length, 62);
  EXPECT_EQ(message.text, buffer.data() + 3);
  EXPECT_EQ(buffer[63], 'z');
  EXPECT_EQ(buffer[64], 0);

  // The two channels keep separate state.
  EXPECT_EQ(Stream(StreamFirst(100)), Reassembler::Result::Pending);
  EXPECT_EQ(Reply(MakeReport(0xA2, {})), Reassembler::Result::Ignored);
  EXPECT_TRUE(streams.InProgress());
}

TEST_F(ReassemblyTest, EmptyStreamMessageStillYieldsTerminatedText) {
  EXPECT_EQ(Stream(StreamFirst(0)), Reassembler::Result::Complete);
  const StreamMessage message = FinishStreamMessage(buffer.data());
  EXPECT_EQ(message.length, 0);
  EXPECT_EQ(message.text[0], 0);
}

TEST(NotificationTest, DecodesTypesAndValues) {
  Notification n;
  EXPECT_EQ(DecodeNotification(MakeReport(0x93, {0x03, 0x12, 0x34}).data(), &n),
            NotificationKind::Event);
  EXPECT_EQ(n.type, 3);
  EXPECT_EQ(n.value, 0x1234);
  for (uint8_t type : {1, 2, 5, 7}) {
    EXPECT_EQ(DecodeNotification(MakeReport(0x9F, {type, 0xC8, 0x77}).data(), &n),
              NotificationKind::Event);
    EXPECT_EQ(n.type, type);
    EXPECT_EQ(n.value, 0xC8);
  }
  for (uint8_t type : {0, 6, 8, 0xFF})
    EXPECT_EQ(DecodeNotification(MakeReport(0x90, {type, 1}).data(), &n), NotificationKind::None);
  EXPECT_EQ(DecodeNotification(MakeReport(0x90, {0x04, 0x00}).data(), &n),
            NotificationKind::CompletionNotice);
}

}  // namespace
}  // namespace tarvik
