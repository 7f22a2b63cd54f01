#include "session/firmware_transfer.h"

#include <algorithm>
#include <cstring>

#include "commands/operation_codec.h"
#include "commands/operation_fields.h"
#include "link/crc16.h"
#include "link/device_link.h"
#include "link/firm_file.h"
#include "link/link_errors.h"
#include "link/report_framing.h"

namespace tarvik {

namespace {

constexpr int kStartTries = 3;
constexpr int kBlockTries = 5;
constexpr int kProgramTries = 2;
constexpr int kFinishTries = 5;
constexpr int kTransferTimeoutMs = 5000;

// Progress: 21 % once the start is acknowledged, the blocks up to 98 %, 100 % when done.
constexpr int kProgressStarted = 21;
constexpr int kProgressBlocksSpan = 77;
constexpr int kProgressBlocksEnd = 98;
constexpr int kProgressDone = 100;

// A block's payload: its offset (4 bytes), its CRC (2 bytes), then the data.
constexpr std::size_t kBlockCrcAt = 4;
constexpr std::size_t kBlockDataAt = 6;
// A start's payload: the image size (4 bytes) and its CRC (2 bytes), for a
// section after the section code.
constexpr std::size_t kPackageStartCrcAt = 4;
constexpr std::size_t kPackageStartSize = 6;
constexpr std::size_t kSectionStartSizeAt = 1;
constexpr std::size_t kSectionStartCrcAt = 5;
constexpr std::size_t kSectionStartSize = 7;

// Section codes the start names each layout's section by; both AGPF kinds share one.
constexpr uint8_t kSectionCodeTipa = 0;
constexpr uint8_t kSectionCodeAgpf = 1;
constexpr uint8_t kSectionCodeFwup = 2;
constexpr uint8_t kSectionCodeUamc = 3;
constexpr uint8_t kSectionCodeFqi = 4;

struct Commands {
  uint16_t start, block, finish;
};
constexpr Commands kPackage{0x0D08, 0x0D09, 0x0D0B};
constexpr Commands kSection{0x0900, 0x0901, 0x0903};

// The link error code for a load result.
int LoadError(CFirmFile::LoadResult result) {
  switch (result) {
    case CFirmFile::LoadResult::Loaded:
      return LINK_OK;
    case CFirmFile::LoadResult::SealBroken:
      return LINK_ERR_IMAGE_CRC;
    case CFirmFile::LoadResult::NotRecognised:
      break;
  }
  return LINK_ERR_BAD_IMAGE;
}

// Sends a write built in the request buffer and says whether the device
// acknowledged it with `replyLength` payload bytes.
bool Acknowledged(DeviceLink& link, uint16_t command, std::size_t payload, uint8_t target,
                  int timeoutMs, std::size_t replyLength) {
  EncodeHeader(link.RequestBuffer(), kKindWrite, command, target, 0,
               static_cast<uint16_t>(payload));
  const int result = link.Send(link.RequestBuffer(), kHeaderSize + payload, timeoutMs);
  return result == LINK_OK && ReplyMatches(link.ReplyBuffer(), kKindWrite, command, replyLength);
}

class Progress {
 public:
  Progress(ProgressCallback callback, int user) : callback_(callback), user_(user) {}
  void Report(int percent) {
    if (percent <= last_) return;
    last_ = percent;
    if (callback_) callback_(percent, user_);
  }

 private:
  ProgressCallback callback_;
  int user_;
  int last_ = 0;
};

// Start request, retried with the same payload.
int Start(DeviceLink& link, uint16_t command, const uint8_t* payload, std::size_t size) {
  for (int attempt = 0; attempt < kStartTries; ++attempt) {
    if (link.Stopped() || link.TransferCancelled()) return LINK_ERR_STOPPED;
    std::memcpy(link.RequestBuffer() + kHeaderSize, payload, size);
    if (Acknowledged(link, command, size, 0, kTransferTimeoutMs, 0)) return LINK_OK;
  }
  return LINK_ERR_TRANSFER;
}

// Sends the image in blocks of at most 4096 bytes, each with its offset and
// CRC; the device's result byte for the last block decides.
int SendBlocks(DeviceLink& link, uint16_t command, const uint8_t* data, uint32_t size,
               Progress& progress) {
  uint32_t offset = 0;
  while (offset < size) {
    if (link.TransferCancelled()) return LINK_ERR_STOPPED;
    const uint32_t block =
        static_cast<uint32_t>(std::min<std::size_t>(kFirmwareBlockSize, size - offset));
    bool sent = false;
    for (int attempt = 0; attempt < kBlockTries && !sent; ++attempt) {
      if (link.Stopped()) return LINK_ERR_STOPPED;
      uint8_t* payload = link.RequestBuffer() + kHeaderSize;
      PutLe(payload, offset, 4);
      PutLe(payload + kBlockCrcAt, Crc16(data + offset, block), 2);
      std::memcpy(payload + kBlockDataAt, data + offset, block);
      sent = Acknowledged(link, command, block + kBlockDataAt, 0, kTransferTimeoutMs, 1);
    }
    if (!sent) return LINK_ERR_TRANSFER;
    offset += block;
    progress.Report(static_cast<int>(std::min<uint64_t>(
        kProgressStarted + uint64_t{offset} * kProgressBlocksSpan / size, kProgressBlocksEnd)));
  }
  return link.ReplyBuffer()[kHeaderSize] == 0 ? LINK_OK : LINK_ERR_TRANSFER;
}

// Makes the device program one target and waits for its completion notice.
int Program(DeviceLink& link, uint8_t target) {
  bool acknowledged = false;
  for (int attempt = 0; attempt < kProgramTries && !acknowledged; ++attempt) {
    acknowledged = Acknowledged(link, kPackage.finish, 0, target, kProgrammingTimeoutMs, 0);
    if (link.Stopped()) return LINK_ERR_STOPPED;
  }
  if (!acknowledged) return LINK_ERR_PROGRAM;
  const int waited = link.WaitForNotice(kProgrammingTimeoutMs);
  if (waited != LINK_OK) return waited;
  const uint8_t* notice = link.ReplyBuffer();
  return notice[0] == kNoticeCompletion && notice[1] == 0 ? LINK_OK : LINK_ERR_PROGRAM;
}

int TransferPackage(DeviceLink& link, CommandParams& params, CFirmFile& file) {
  using F = fields::UpdateFirmware;
  const uint32_t targetCount = GetField(params, F::targetCount);
  if (targetCount > F::targets.size) return LINK_ERR_NULL_PARAM;
  const uint8_t* image = GetField(params, F::image);
  if (!image) return LINK_ERR_NULL_PARAM;
  if (file.LoadFirmwareImage(image, GetField(params, F::imageSize)) !=
          CFirmFile::LoadResult::Loaded ||
      file.GetType() != CFirmFile::kPackage)
    return LINK_ERR_BAD_IMAGE;
  uint32_t size = 0;
  uint16_t crc = 0;
  const uint8_t* payload = file.GetImage(&size, &crc);
  Progress progress(GetField(params, F::progress), static_cast<int>(GetField(params, F::user)));

  uint8_t start[kPackageStartSize];
  PutLe(start, size, 4);
  PutLe(start + kPackageStartCrcAt, crc, 2);
  link.SetExpectLinkLoss(true);
  int result = Start(link, kPackage.start, start, sizeof start);
  if (result != LINK_OK) return result;
  progress.Report(kProgressStarted);
  if ((result = SendBlocks(link, kPackage.block, payload, size, progress)) != LINK_OK)
    return result;
  for (uint32_t i = 0; i < targetCount; ++i)
    if ((result = Program(link, params.data[F::targets.offset + i])) != LINK_OK) return result;
  progress.Report(kProgressDone);
  return LINK_OK;
}

int TransferSection(DeviceLink& link, CommandParams& params, CFirmFile& file) {
  using F = fields::UpdateFirmwareSection;
  // By layout: the code the start names it by and the finish's time-out.
  static const struct {
    uint8_t code;
    int finishTimeoutMs;
  } kSections[CFirmFile::kLayoutCount] = {{kSectionCodeTipa, 39240}, {kSectionCodeUamc, 391500},
                                          {kSectionCodeFwup, 78480}, {kSectionCodeFqi, 235340},
                                          {kSectionCodeAgpf, 39240}, {kSectionCodeAgpf, 39240}};
  const uint8_t* image = GetField(params, F::image);
  const uint32_t size = GetField(params, F::imageSize);
  if (!image) return LINK_ERR_NULL_PARAM;
  if (const int loaded = LoadError(file.LoadSectionImage(image, size)); loaded != LINK_OK)
    return loaded;
  if (file.GetType() < 0 || file.GetType() >= CFirmFile::kLayoutCount) return LINK_ERR_BAD_IMAGE;
  uint16_t crc = 0;
  file.GetImage(nullptr, &crc);
  const auto& section = kSections[file.GetType()];
  Progress progress(GetField(params, F::progress), static_cast<int>(GetField(params, F::user)));

  uint8_t start[kSectionStartSize];
  start[0] = section.code;
  PutLe(start + kSectionStartSizeAt, size, 4);
  PutLe(start + kSectionStartCrcAt, crc, 2);
  link.SetExpectLinkLoss(true);
  int result = Start(link, kSection.start, start, sizeof start);
  if (result != LINK_OK) return result;
  progress.Report(kProgressStarted);
  // The caller's bytes go out as given; the kept copy served the checks.
  if ((result = SendBlocks(link, kSection.block, image, size, progress)) != LINK_OK) return result;
  bool finished = false;
  for (int attempt = 0; attempt < kFinishTries && !finished; ++attempt) {
    finished = Acknowledged(link, kSection.finish, 0, 0, section.finishTimeoutMs, 0);
    if (link.Stopped()) return LINK_ERR_STOPPED;
  }
  if (!finished) return LINK_ERR_PROGRAM;
  progress.Report(kProgressDone);
  return LINK_OK;
}

// Runs one transfer with link loss expected throughout, and always ends
// with the expectation cleared and the copy released.
template <typename Transfer>
int Guarded(DeviceLink& link, CommandParams* params, Transfer transfer) {
  if (!params) return LINK_ERR_NULL_PARAM;
  CFirmFile file;
  const int result = transfer(link, *params, file);
  link.SetExpectLinkLoss(false);
  file.Release();
  return result;
}

}  // namespace

int UpdateFirmware(DeviceLink& link, const OperationRow&, CommandParams* params) {
  return Guarded(link, params, TransferPackage);
}

int UpdateFirmwareSection(DeviceLink& link, const OperationRow&, CommandParams* params) {
  return Guarded(link, params, TransferSection);
}

}  // namespace tarvik
