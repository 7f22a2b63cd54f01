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

struct Commands {
  uint16_t start, block, finish;
};
constexpr Commands kPackage{0x0D08, 0x0D09, 0x0D0B};
constexpr Commands kSection{0x0900, 0x0901, 0x0903};

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
      PutLe(payload + 4, Crc16(data + offset, block), 2);
      std::memcpy(payload + 6, data + offset, block);
      sent = Acknowledged(link, command, block + 6, 0, kTransferTimeoutMs, 1);
    }
    if (!sent) return LINK_ERR_TRANSFER;
    offset += block;
    progress.Report(static_cast<int>(std::min<uint64_t>(21 + uint64_t{offset} * 77 / size, 98)));
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
  if (file.LoadFirmwareImage(image, GetField(params, F::imageSize)) != 0 ||
      file.GetType() != CFirmFile::kPackage)
    return LINK_ERR_BAD_IMAGE;
  uint32_t size = 0;
  uint16_t crc = 0;
  const uint8_t* payload = file.GetImage(&size, &crc);
  Progress progress(GetField(params, F::progress), static_cast<int>(GetField(params, F::user)));

  uint8_t start[6];
  PutLe(start, size, 4);
  PutLe(start + 4, crc, 2);
  link.SetExpectLinkLoss(true);
  int result = Start(link, kPackage.start, start, sizeof start);
  if (result != LINK_OK) return result;
  progress.Report(21);
  if ((result = SendBlocks(link, kPackage.block, payload, size, progress)) != LINK_OK)
    return result;
  for (uint32_t i = 0; i < targetCount; ++i)
    if ((result = Program(link, params.data[F::targets.offset + i])) != LINK_OK) return result;
  progress.Report(100);
  return LINK_OK;
}

int TransferSection(DeviceLink& link, CommandParams& params, CFirmFile& file) {
  using F = fields::UpdateFirmwareSection;
  static const struct {
    uint8_t code;
    int finishTimeoutMs;
  } kSections[] = {{0, 39240}, {3, 391500}, {2, 78480}, {4, 235340}, {1, 39240}, {1, 39240}};
  const uint8_t* image = GetField(params, F::image);
  const uint32_t size = GetField(params, F::imageSize);
  if (!image) return LINK_ERR_NULL_PARAM;
  const int loaded = file.LoadSectionImage(image, size);
  if (loaded == CFirmFile::kSealBroken) return LINK_ERR_IMAGE_CRC;
  if (loaded != 0 || file.GetType() < 0 || file.GetType() > 5) return LINK_ERR_BAD_IMAGE;
  uint16_t crc = 0;
  file.GetImage(nullptr, &crc);
  const auto& section = kSections[file.GetType()];
  Progress progress(GetField(params, F::progress), static_cast<int>(GetField(params, F::user)));

  uint8_t start[7];
  start[0] = section.code;
  PutLe(start + 1, size, 4);
  PutLe(start + 5, crc, 2);
  link.SetExpectLinkLoss(true);
  int result = Start(link, kSection.start, start, sizeof start);
  if (result != LINK_OK) return result;
  progress.Report(21);
  // The caller's bytes go out as given; the kept copy served the checks.
  if ((result = SendBlocks(link, kSection.block, image, size, progress)) != LINK_OK) return result;
  bool finished = false;
  for (int attempt = 0; attempt < kFinishTries && !finished; ++attempt) {
    finished = Acknowledged(link, kSection.finish, 0, 0, section.finishTimeoutMs, 0);
    if (link.Stopped()) return LINK_ERR_STOPPED;
  }
  if (!finished) return LINK_ERR_PROGRAM;
  progress.Report(100);
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
