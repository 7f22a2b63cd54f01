// Both firmware transfers through the link, against the stand-in device.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "commands/operation_fields.h"
#include "support/firmware_images.h"
#include "link/crc16.h"
#include "session/firmware_transfer.h"
#include "link/link_errors.h"
#include "support/session_fixture.h"

namespace tarvik {
namespace {

using sim::Fault;
using sim::FaultKind;
using testing::Image;
using testing::NotifyRecorder;

std::mutex progressMutex;
std::vector<int> progressSeen;
void RecordProgress(int percent, int user) {
  std::lock_guard<std::mutex> guard(progressMutex);
  progressSeen.push_back(percent + 1000 * user);
}

class FirmwareTransferTest : public testing::SessionOnStandIn {
 protected:
  void SetUp() override {
    SessionOnStandIn::SetUp();
    progressSeen.clear();
    NotifyRecorder::Instance().Clear();
    session.link->SetNotifyCallback(&NotifyRecorder::Callback);
  }

  int Package(const Image& file, std::vector<uint8_t> targets = {0x01, 0x02}) {
    using F = fields::UpdateFirmware;
    p() = {};
    SetField(p(), F::image, file.data());
    SetField(p(), F::imageSize, static_cast<uint32_t>(file.size()));
    std::copy_n(targets.begin(), std::min<std::size_t>(targets.size(), 8),
                p().data + F::targets.offset);
    SetField(p(), F::targetCount, static_cast<uint32_t>(targets.size()));
    SetField(p(), F::progress, &RecordProgress);
    return Run(CommandId::UpdateFirmware);
  }
  int Section(const Image& file) {
    using F = fields::UpdateFirmwareSection;
    p() = {};
    SetField(p(), F::image, file.data());
    SetField(p(), F::imageSize, static_cast<uint32_t>(file.size()));
    SetField(p(), F::progress, &RecordProgress);
    return Run(CommandId::UpdateFirmwareSection);
  }
  // (offset, size) of every block request the device received.
  std::vector<std::pair<uint32_t, std::size_t>> Blocks(uint16_t command) const {
    std::vector<std::pair<uint32_t, std::size_t>> blocks;
    for (const sim::RequestRecord& r : device.Requests()) {
      if (r.command != command || r.payload.size() < 6) continue;
      const uint32_t offset =
          r.payload[0] | r.payload[1] << 8 | r.payload[2] << 16 | r.payload[3] << 24;
      blocks.emplace_back(offset, r.payload.size() - 6);
    }
    return blocks;
  }
};

TEST_F(FirmwareTransferTest, PackageGoesOutInBlocksAndIsProgrammedPerTarget) {
  const Image payload = testing::Payload(10000);
  ASSERT_EQ(Package(testing::Package(payload)), LINK_OK);
  EXPECT_EQ(Blocks(0x0D09),
            (std::vector<std::pair<uint32_t, std::size_t>>{{0, 4096}, {4096, 4096}, {8192, 1808}}));
  EXPECT_EQ(progressSeen, (std::vector<int>{21, 52, 84, 98, 100}));
  const sim::FirmwareRecord record = device.Firmware();
  EXPECT_EQ(record.image, payload);
  EXPECT_EQ(record.programmed, (std::vector<uint8_t>{0x01, 0x02}));
  const auto start = device.Requests().front();
  EXPECT_EQ(start.command, 0x0D08);
  const uint16_t crc = Crc16(payload.data(), payload.size());
  EXPECT_EQ(start.payload, (std::vector<uint8_t>{0x10, 0x27, 0, 0, static_cast<uint8_t>(crc),
                                                 static_cast<uint8_t>(crc >> 8)}));
  EXPECT_TRUE(NotifyRecorder::Instance().Calls().empty());

  // Link loss is expected only during the transfer.
  device.Unplug();
  EXPECT_TRUE(NotifyRecorder::Instance().WaitFor(1));
}

TEST_F(FirmwareTransferTest, BlockSplitAtExactMultiplesAndShortPayloads) {
  ASSERT_EQ(Package(testing::Package(testing::Payload(8192)), {}), LINK_OK);
  EXPECT_EQ(Blocks(0x0D09),
            (std::vector<std::pair<uint32_t, std::size_t>>{{0, 4096}, {4096, 4096}}));
  EXPECT_TRUE(device.Firmware().programmed.empty());
  EXPECT_EQ(progressSeen.back(), 100);

  device.ClearRequests();
  ASSERT_EQ(Package(testing::Package(testing::Payload(100)), {7}), LINK_OK);
  EXPECT_EQ(Blocks(0x0D09), (std::vector<std::pair<uint32_t, std::size_t>>{{0, 100}}));
}

TEST_F(FirmwareTransferTest, MalformedInputIsRefusedBeforeAnythingIsSent) {
  Image shortFile = testing::Package(testing::Payload(10));
  shortFile.pop_back();
  EXPECT_EQ(Package(shortFile), LINK_ERR_BAD_IMAGE);
  EXPECT_EQ(Package(testing::Package({})), LINK_ERR_BAD_IMAGE);
  EXPECT_EQ(Package(Image(10, 0)), LINK_ERR_BAD_IMAGE);
  EXPECT_EQ(Package(testing::Package(testing::Payload(10)), std::vector<uint8_t>(9, 1)),
            LINK_ERR_NULL_PARAM);
  EXPECT_EQ(Section(testing::Trailing("NONE")), LINK_ERR_BAD_IMAGE);
  EXPECT_EQ(Section(testing::Trailing("FWUP", 0x80001)), LINK_ERR_BAD_IMAGE);
  Image broken = testing::Sealed("UAMC");
  broken[0x210] ^= 0x40;
  const Image before = broken;
  EXPECT_EQ(Section(broken), LINK_ERR_IMAGE_CRC);
  EXPECT_EQ(broken, before);
  Image wrongWord = testing::Sealed("UAMC");
  testing::PutLe32(wrongWord, 0x100, 3);
  EXPECT_EQ(Section(wrongWord), LINK_ERR_BAD_IMAGE);
  for (int id : {ToInt(CommandId::UpdateFirmware), ToInt(CommandId::UpdateFirmwareSection)}) {
    EXPECT_EQ(ExecuteCommand(session.link.get(), id, nullptr, nullptr), LINK_ERR_NULL_PARAM);
    p() = {};
    EXPECT_EQ(Run(id), LINK_ERR_NULL_PARAM);  // no image
  }
  EXPECT_EQ(device.RequestCount(), 0u);
  EXPECT_TRUE(progressSeen.empty());
}

TEST_F(FirmwareTransferTest, TriesAreCountedPerStep) {
  const Image file = testing::Package(testing::Payload(5000));
  struct Case {
    int after, times, result;
  };
  // Requests: start (1), blocks (2), program (1 per target).
  for (const Case& c :
       {Case{0, 2, LINK_OK}, Case{0, 3, LINK_ERR_TRANSFER}, Case{1, 4, LINK_OK},
        Case{1, 5, LINK_ERR_TRANSFER}, Case{3, 1, LINK_OK}, Case{3, 2, LINK_ERR_PROGRAM}}) {
    SCOPED_TRACE(::testing::Message() << c.after << " " << c.times);
    device.ClearRequests();
    progressSeen.clear();
    device.InjectFault({FaultKind::BadStatus}, c.after, c.times);
    EXPECT_EQ(Package(file, {0x05}), c.result);
    if (c.result != LINK_OK) {
      EXPECT_NE(progressSeen.empty() ? 0 : progressSeen.back(), 100);
    }
  }
}

TEST_F(FirmwareTransferTest, DeviceResultsDecide) {
  const Image file = testing::Package(testing::Payload(5000));
  sim::FirmwareBehaviour lastBlockFails;
  lastBlockFails.lastBlockResult = 1;
  device.SetFirmwareBehaviour(lastBlockFails);
  EXPECT_EQ(Package(file), LINK_ERR_TRANSFER);
  EXPECT_TRUE(device.Firmware().programmed.empty());

  sim::FirmwareBehaviour noticeFails;
  noticeFails.noticeResult = 3;
  device.SetFirmwareBehaviour(noticeFails);
  EXPECT_EQ(Package(file), LINK_ERR_PROGRAM);

  // A notice that comes at once, right behind the acknowledgement, still counts.
  sim::FirmwareBehaviour quickNotice;
  quickNotice.noticeDelayMs = 0;
  device.SetFirmwareBehaviour(quickNotice);
  EXPECT_EQ(Package(file, {1, 2, 3}), LINK_OK);
}

TEST_F(FirmwareTransferTest, ProgrammingWaitsItsFullTimeForTheNoticeThenGivesUp) {
  sim::FirmwareBehaviour silent;
  silent.sendNotice = false;
  device.SetFirmwareBehaviour(silent);
  // Start, the one block, programming the first target, then its notice.
  const std::size_t noticeWait = clock.Waits() + 4;
  clock.ExpireWait(noticeWait);
  EXPECT_EQ(Package(testing::Package(testing::Payload(100))), LINK_ERR_TIMEOUT);
  EXPECT_EQ(clock.NowMs(), kProgrammingTimeoutMs);
  EXPECT_EQ(clock.Waits(), noticeWait);
  EXPECT_EQ(device.Firmware().programmed, (std::vector<uint8_t>{0x01}));
  EXPECT_EQ(device.RequestCount(), 3u);
  EXPECT_NE(progressSeen.back(), 100);
}

TEST_F(FirmwareTransferTest, AnUnansweredRequestCostsItsStepsFullWaitBeforeTheNextTry) {
  // The first block's reply is lost; its second try goes through.
  device.InjectFault({FaultKind::NoReply}, 1);
  clock.ExpireWait(clock.Waits() + 2);
  ASSERT_EQ(Package(testing::Package(testing::Payload(100)), {}), LINK_OK);
  EXPECT_EQ(clock.NowMs(), 5000);
  EXPECT_EQ(Blocks(0x0D09), (std::vector<std::pair<uint32_t, std::size_t>>{{0, 100}, {0, 100}}));

  // Every finish of a section goes unanswered: five tries, each waiting the
  // section's own time.
  const long long start = clock.NowMs();
  const std::size_t firstFinish = clock.Waits() + 4;  // after the start and two blocks
  device.InjectFault({FaultKind::NoReply}, 3, 5);
  for (std::size_t wait = firstFinish; wait < firstFinish + 5; ++wait) clock.ExpireWait(wait);
  EXPECT_EQ(Section(testing::Trailing("FWUP", 5000)), LINK_ERR_PROGRAM);
  EXPECT_EQ(clock.NowMs() - start, 5 * 78480);
  EXPECT_EQ(clock.Waits(), firstFinish + 4);
}

TEST_F(FirmwareTransferTest, DropOffMidTransferStopsWithoutPosting) {
  sim::FirmwareBehaviour dropOff;
  dropOff.dropOffAfterBlocks = 1;
  device.SetFirmwareBehaviour(dropOff);
  EXPECT_EQ(Package(testing::Package(testing::Payload(10000))), LINK_ERR_STOPPED);
  EXPECT_TRUE(NotifyRecorder::Instance().Calls().empty());
}

TEST_F(FirmwareTransferTest, SectionImageStartsBlocksAndFinishes) {
  const Image image = testing::Trailing("FWUP", 5000);
  ASSERT_EQ(Section(image), LINK_OK);
  const auto requests = device.Requests();
  ASSERT_GE(requests.size(), 4u);
  const uint16_t crc = Crc16(image.data(), image.size());
  EXPECT_EQ(requests.front().command, 0x0900);
  EXPECT_EQ(requests.front().payload,
            (std::vector<uint8_t>{2, 0x88, 0x13, 0, 0, static_cast<uint8_t>(crc),
                                  static_cast<uint8_t>(crc >> 8)}));
  EXPECT_EQ(Blocks(0x0901),
            (std::vector<std::pair<uint32_t, std::size_t>>{{0, 4096}, {4096, 904}}));
  EXPECT_EQ(requests.back().command, 0x0903);
  EXPECT_EQ(LastTimeoutMs(), 78480);
  EXPECT_EQ(device.Firmware().image, image);
  EXPECT_EQ(progressSeen.front(), 21);
  EXPECT_EQ(progressSeen.back(), 100);

  // A sealed image goes out exactly as given.
  const Image sealed = testing::Sealed("UAMC");
  ASSERT_EQ(Section(sealed), LINK_OK);
  EXPECT_EQ(device.Firmware().image, sealed);
  EXPECT_EQ(LastTimeoutMs(), 391500);

  device.InjectFault({FaultKind::BadStatus}, 3, 5);  // start, two blocks, then every finish
  EXPECT_EQ(Section(image), LINK_ERR_PROGRAM);
}

}  // namespace
}  // namespace tarvik
