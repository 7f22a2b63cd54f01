#include "link/report_descriptor.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "fake_hidraw/fake_hidraw_tree.h"

namespace tarvik {
namespace {

using Bytes = std::vector<uint8_t>;

struct Parsed {
  HidReportLengths lengths;
  bool numbered = false;
};

std::optional<Parsed> Parse(const Bytes& descriptor) {
  Parsed parsed;
  if (!ParseReportLengths(descriptor, &parsed.lengths, &parsed.numbered)) return std::nullopt;
  return parsed;
}

Bytes VendorDescriptor(int inputBytes, int outputBytes, int reportId) {
  return sim::FakeHidrawTree::VendorDescriptor(inputBytes, outputBytes, reportId);
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Collection (Application) on the vendor page, opened and closed around `body`.
Bytes InCollection(const Bytes& body) {
  return Concat(Concat({0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01}, body), {0xC0});
}

TEST(ReportDescriptorTest, LengthsCountTheReportIdByte) {
  const auto unnumbered = Parse(VendorDescriptor(64, 64, 0));
  ASSERT_TRUE(unnumbered);
  EXPECT_EQ(unnumbered->lengths, (HidReportLengths{65, 65, 0}));
  EXPECT_FALSE(unnumbered->numbered);

  const auto numbered = Parse(VendorDescriptor(32, 64, 7));
  ASSERT_TRUE(numbered);
  EXPECT_EQ(numbered->lengths, (HidReportLengths{33, 65, 7}));
  EXPECT_TRUE(numbered->numbered);

  const auto inputOnly = Parse(VendorDescriptor(8, 0, 0));
  ASSERT_TRUE(inputOnly);
  EXPECT_EQ(inputOnly->lengths, (HidReportLengths{9, 0, 0}));
}

TEST(ReportDescriptorTest, BitFieldsRoundUpToWholeBytes) {
  // 3 bits and 5 bits of input, then 9 bits: 17 bits make 3 bytes.
  const auto parsed = Parse(InCollection({0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x95, 0x05, 0x81,
                                          0x03, 0x75, 0x09, 0x95, 0x01, 0x81, 0x02}));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->lengths, (HidReportLengths{4, 0, 0}));
}

TEST(ReportDescriptorTest, ItemDataIsLittleEndianOfEveryWidth) {
  const auto parsed = Parse(InCollection({
      0x74,                          // Report Size with no data: 0 bits
      0x95, 0x10, 0x81, 0x02,        // 16 fields of 0 bits add nothing
      0x77, 0x08, 0x00, 0x00, 0x00,  // Report Size (8), four data bytes
      0x86, 0x09, 0x00,              // Report ID (9), two data bytes
      0x96, 0x40, 0x00, 0x81, 0x02,  // 64-byte input
      0x97, 0x00, 0x01, 0x00, 0x00,  // Report Count (256), four data bytes
      0x91, 0x02,                    // 256-byte output
  }));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->lengths, (HidReportLengths{65, 257, 9}));
  EXPECT_TRUE(parsed->numbered);
}

TEST(ReportDescriptorTest, LargestReportOfEachKindWins) {
  const auto parsed = Parse(InCollection({
      0x75, 0x08,                                      // Report Size (8)
      0x85, 0x01, 0x95, 0x08, 0x81, 0x02,              // ID 1: 8 bytes in
      0x85, 0x02, 0x95, 0x10, 0x81, 0x02,              // ID 2: 16 bytes in
      0x85, 0x03, 0x95, 0x04, 0x91, 0x02,              // ID 3: 4 bytes out
      0x85, 0x04, 0x95, 0x20, 0x91, 0x02,              // ID 4: 32 bytes out
      0x85, 0x05, 0x95, 0xC8, 0xB1, 0x02,              // ID 5: 200-byte feature
      0x85, 0x01, 0x95, 0x0C, 0x81, 0x02,              // ID 1 again: 8 + 12 = 20 bytes in
      0x85, 0x02, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02,  // ID 2: 3 more bits
  }));
  ASSERT_TRUE(parsed);
  // Inputs: ID 1 has 20 bytes, ID 2 17 after rounding. Output: ID 4's 32
  // bytes, and its ID. Features do not count.
  EXPECT_EQ(parsed->lengths, (HidReportLengths{21, 33, 4}));
}

TEST(ReportDescriptorTest, OutputReportIdIsTheLongestOutputReports) {
  // A 1-byte LED report (ID 2) before and after the 64-byte vendor report (ID 5).
  const Bytes leds = sim::FakeHidrawTree::LedDescriptor(2);
  const Bytes vendor = VendorDescriptor(64, 64, 5);
  for (const Bytes& descriptor : {Concat(leds, vendor), Concat(vendor, leds)})
    EXPECT_EQ(Parse(descriptor).value().lengths, (HidReportLengths{65, 65, 5}));
  // Of equally long reports the first declared, whatever its ID.
  const Bytes ties = Concat(Concat(VendorDescriptor(8, 64, 6), VendorDescriptor(8, 64, 9)), vendor);
  EXPECT_EQ(Parse(ties).value().lengths.outputReportId, 6);
}

TEST(ReportDescriptorTest, PushAndPopRestoreGlobalState) {
  const auto parsed = Parse(InCollection({
      0x85, 0x01, 0x75, 0x08, 0x95, 0x10,  // ID 1, 16 bytes
      0xA4,                                // Push
      0x85, 0x02, 0x75, 0x01, 0x95, 0x03,  // ID 2, 3 bits
      0xA4, 0xB4,                          // nested Push, Pop
      0x81, 0x02,                          // ID 2: 3 bits in
      0xB4,                                // Pop: ID 1, 16 bytes again
      0x81, 0x02, 0x91, 0x02,              // ID 1: 16 bytes in and out
  }));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->lengths, (HidReportLengths{17, 17, 1}));
}

TEST(ReportDescriptorTest, GlobalStackIsBounded) {
  EXPECT_FALSE(Parse(InCollection({0xB4})));  // Pop with nothing pushed
  EXPECT_FALSE(Parse(InCollection(Bytes(1000, 0xA4))));
  EXPECT_TRUE(Parse(InCollection(Concat(Bytes(4, 0xA4), Bytes(4, 0xB4)))));
}

TEST(ReportDescriptorTest, LongItemsAreSkippedWhole) {
  // The long item's data would read as a 255-byte input if parsed as items.
  const Bytes longItem = {0xFE, 0x06, 0x10, 0x75, 0x08, 0x95, 0xFF, 0x81, 0x02};
  const auto parsed =
      Parse(Concat(Concat(longItem, VendorDescriptor(64, 64, 0)), {0xFE, 0x00, 0x11}));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->lengths, (HidReportLengths{65, 65, 0}));
}

TEST(ReportDescriptorTest, TruncatedItemsAreRejected) {
  const Bytes good = VendorDescriptor(64, 64, 0);
  const Bytes tails[] = {
      {0x95},                    // one data byte missing
      {0x96, 0x40},              // two announced, one present
      {0x97, 0x01, 0x02, 0x03},  // four announced, three present
      {0xFE},                    // long item without its header
      {0xFE, 0x05, 0x10, 0x01},  // long item with 1 of 5 data bytes
  };
  for (const Bytes& tail : tails) {
    EXPECT_FALSE(Parse(Concat(good, tail)))
        << "tail starting 0x" << std::hex << +tail[0] << ", " << tail.size() << " bytes";
  }
}

TEST(ReportDescriptorTest, InvalidReportIdsAreRejected) {
  EXPECT_FALSE(Parse(InCollection({0x85, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02})));
  EXPECT_FALSE(Parse(InCollection({0x86, 0x00, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02})));
  EXPECT_TRUE(Parse(InCollection({0x85, 0xFF, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02})));
}

TEST(ReportDescriptorTest, OversizedReportsAreRejected) {
  const auto largest = Parse(VendorDescriptor(4096, 4096, 0));
  ASSERT_TRUE(largest);
  EXPECT_EQ(largest->lengths, (HidReportLengths{4097, 4097, 0}));

  EXPECT_FALSE(Parse(VendorDescriptor(4097, 8, 0)));
  EXPECT_FALSE(Parse(VendorDescriptor(8, 4097, 0)));
  // A 4-byte size and count whose product would wrap in 32 bits.
  EXPECT_FALSE(Parse(
      InCollection({0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02})));
  EXPECT_FALSE(Parse(
      InCollection({0x77, 0x00, 0x00, 0x00, 0x80, 0x97, 0x00, 0x00, 0x00, 0x80, 0x91, 0x02})));
  // Items each within bounds whose sum is not: 17 × 255 bytes in one report.
  Bytes manyItems = {0x75, 0x08, 0x95, 0xFF};
  for (int i = 0; i < 17; ++i) manyItems.insert(manyItems.end(), {0x81, 0x02});
  EXPECT_FALSE(Parse(InCollection(manyItems)));
  EXPECT_FALSE(Parse(InCollection({0x75, 0x08, 0x96, 0x01, 0x10, 0xB1, 0x02})));  // feature
}

TEST(ReportDescriptorTest, DescriptorSizeIsBounded) {
  // Padding with data-less Usage items keeps the reports the same.
  Bytes descriptor = VendorDescriptor(64, 64, 0);
  descriptor.resize(kMaxReportDescriptorSize, 0x08);
  EXPECT_TRUE(Parse(descriptor));
  descriptor.push_back(0x08);
  EXPECT_FALSE(Parse(descriptor));
  EXPECT_FALSE(Parse({}));
}

TEST(ReportDescriptorTest, DescriptorWithoutReportsHasZeroLengths) {
  const auto parsed = Parse(InCollection({0x75, 0x08, 0x95, 0x04, 0xB1, 0x02}));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->lengths, (HidReportLengths{0, 0, 0}));
}

TEST(ReportDescriptorTest, FailureLeavesOutputsUntouched) {
  HidReportLengths lengths{1, 2, 3};
  bool numbered = true;
  EXPECT_FALSE(ParseReportLengths(Bytes{0x75, 0x08, 0x96}, &lengths, &numbered));
  EXPECT_EQ(lengths, (HidReportLengths{1, 2, 3}));
  EXPECT_TRUE(numbered);
}

}  // namespace
}  // namespace tarvik
