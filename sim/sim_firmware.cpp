#include "sim/sim_firmware.h"

namespace tarvik::sim {

namespace {

constexpr uint8_t kResultOk = 0;
constexpr uint8_t kResultBad = 1;

constexpr uint16_t kSectionStart = 0x0900;
constexpr uint16_t kSectionBlock = 0x0901;
constexpr uint16_t kSectionFinish = 0x0903;
constexpr uint16_t kPackageStart = 0x0D08;
constexpr uint16_t kPackageBlock = 0x0D09;
constexpr uint16_t kPackageProgram = 0x0D0B;

constexpr std::size_t kStartSize = 6;    // size u32, CRC u16
constexpr std::size_t kBlockPrefix = 6;  // offset u32, CRC u16
constexpr std::size_t kMaxBlock = 4096;

uint16_t U16(std::span<const uint8_t> p, std::size_t at) {
  return static_cast<uint16_t>(p[at] | (p[at + 1] << 8));
}

uint32_t U32(std::span<const uint8_t> p, std::size_t at) {
  return static_cast<uint32_t>(p[at]) | (static_cast<uint32_t>(p[at + 1]) << 8) |
         (static_cast<uint32_t>(p[at + 2]) << 16) | (static_cast<uint32_t>(p[at + 3]) << 24);
}

}  // namespace

uint16_t FirmwareCrc(std::span<const uint8_t> bytes) {
  uint16_t crc = 0xFFFF;
  for (uint8_t byte : bytes) {
    crc = static_cast<uint16_t>(crc ^ (byte << 8));
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return static_cast<uint16_t>(crc ^ 0xFFFF);
}

bool FirmwareReceiver::Handles(uint16_t command) {
  switch (command) {
    case kSectionStart:
    case kSectionBlock:
    case kSectionFinish:
    case kPackageStart:
    case kPackageBlock:
    case kPackageProgram:
      return true;
    default:
      return false;
  }
}

FirmwareAnswer FirmwareReceiver::Answer(const Message& request, uint8_t lastBlockResult) {
  FirmwareAnswer out;
  Message& reply = out.reply;
  reply.kind = static_cast<uint8_t>(request.kind + 1);
  reply.command = request.command;
  reply.target = request.target;
  const std::span<const uint8_t> payload = request.payload;

  bool ok = request.kind == kKindWrite;
  if (ok) {
    switch (request.command) {
      case kPackageStart:
        ok = Start(Transfer::Package, payload);
        break;
      case kSectionStart:
        ok = Start(Transfer::Section, payload);
        break;
      case kPackageBlock:
      case kSectionBlock: {
        const Transfer wanted =
            request.command == kPackageBlock ? Transfer::Package : Transfer::Section;
        reply.payload = {Block(wanted, payload, lastBlockResult)};
        out.step = FirmwareStep::Block;
        break;
      }
      case kPackageProgram:
        ok = transfer_ == Transfer::Package && payload.empty();
        if (ok) {
          record_.programmed.push_back(request.target);
          out.step = FirmwareStep::Program;
        }
        break;
      case kSectionFinish:
        ok = transfer_ == Transfer::Section && payload.empty();
        if (ok) ++record_.finishes;
        break;
      default:
        ok = false;
        break;
    }
  }
  if (!ok) reply.status = kStatusRefused;
  return out;
}

// A section start leads with its code byte; either start drops what came before.
bool FirmwareReceiver::Start(Transfer transfer, std::span<const uint8_t> payload) {
  const std::size_t lead = transfer == Transfer::Section ? 1 : 0;
  if (payload.size() != lead + kStartSize) return false;
  transfer_ = transfer;
  total_ = U32(payload, lead);
  crc_ = U16(payload, lead + 4);
  hasLastBlock_ = false;
  record_.image.clear();
  record_.section = transfer == Transfer::Section;
  record_.sectionCode = record_.section ? payload[0] : 0;
  return true;
}

// A resend of the last block (its ack lost) replaces it rather than failing.
uint8_t FirmwareReceiver::Block(Transfer transfer, std::span<const uint8_t> payload,
                                uint8_t lastBlockResult) {
  if (transfer_ != transfer || payload.size() <= kBlockPrefix ||
      payload.size() > kBlockPrefix + kMaxBlock)
    return kResultBad;
  const uint32_t offset = U32(payload, 0);
  const std::span<const uint8_t> bytes = payload.subspan(kBlockPrefix);
  std::vector<uint8_t>& image = record_.image;
  const bool inOrder = offset == image.size() || (hasLastBlock_ && offset == lastOffset_);
  if (!inOrder || FirmwareCrc(bytes) != U16(payload, 4) || uint64_t{offset} + bytes.size() > total_)
    return kResultBad;
  image.resize(offset);
  image.insert(image.end(), bytes.begin(), bytes.end());
  hasLastBlock_ = true;
  lastOffset_ = offset;
  if (image.size() < total_) return kResultOk;
  if (lastBlockResult != 0) return lastBlockResult;
  return FirmwareCrc(image) == crc_ ? kResultOk : kResultBad;
}

}  // namespace tarvik::sim
