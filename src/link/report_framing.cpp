#include "link/report_framing.h"

#include <algorithm>
#include <cstring>

namespace tarvik {

void EncodeHeader(uint8_t* dst, uint8_t kind, uint16_t command, uint8_t target, uint8_t selector,
                  uint16_t length) {
  dst[0] = kind;
  dst[1] = static_cast<uint8_t>(command & 0xFF);
  dst[2] = static_cast<uint8_t>(command >> 8);
  dst[3] = target;
  dst[4] = selector;
  dst[5] = 0;
  dst[6] = static_cast<uint8_t>(length & 0xFF);
  dst[7] = static_cast<uint8_t>(length >> 8);
}

MessageHeader DecodeHeader(const uint8_t* src) {
  MessageHeader h;
  h.kind = src[0];
  h.command = static_cast<uint16_t>(src[1] | (src[2] << 8));
  h.target = src[3];
  h.status = src[4];
  h.detail = src[5];
  h.length = static_cast<uint16_t>(src[6] | (src[7] << 8));
  return h;
}

std::size_t FragmentCount(std::size_t size) {
  return (size + kReportPayloadSize - 1) / kReportPayloadSize;
}

bool Fragmenter::Next(uint8_t* report) {
  if (offset_ >= size_) return false;
  const std::size_t chunk = std::min(size_ - offset_, kReportPayloadSize);
  if (offset_ == 0)
    report[0] = kMarkerRequestFirst;
  else if (offset_ + chunk == size_)
    report[0] = kMarkerRequestLast;
  else
    report[0] = kMarkerRequestMiddle;
  std::memcpy(report + kMarkerSize, message_ + offset_, chunk);
  std::memset(report + kMarkerSize + chunk, 0, kReportPayloadSize - chunk);
  offset_ += chunk;
  return true;
}

void Reassembler::Reset() {
  inProgress_ = false;
  position_ = 0;
}

Reassembler::Result Reassembler::Feed(const uint8_t* report, uint8_t* buffer) {
  const uint8_t base = channel_ == Channel::Reply ? kMarkerReplyFirst : kMarkerStreamFirst;
  const uint8_t marker = report[0];
  const uint8_t* payload = report + kMarkerSize;

  if (marker == base) {
    std::memcpy(buffer, payload, kReportPayloadSize);
    position_ = kReportPayloadSize;
    expected_ = channel_ == Channel::Reply
                    ? kHeaderSize + (payload[kHeaderLengthAt] | (payload[kHeaderLengthAt + 1] << 8))
                    : kStreamPrefixSize + static_cast<std::size_t>(payload[0] | (payload[1] << 8));
    inProgress_ = expected_ > kReportPayloadSize;
    return inProgress_ ? Result::Pending : Result::Complete;
  }
  if (marker != base + 1 && marker != base + 2) return Result::Ignored;
  if (!inProgress_) return Result::Ignored;

  std::memcpy(buffer + position_, payload, kReportPayloadSize);
  position_ += kReportPayloadSize;
  if (position_ > kReassemblyLimit) {
    Reset();
    return Result::Dropped;
  }
  if (marker == base + 1) return Result::Pending;

  inProgress_ = false;
  // A last fragment that comes before the announced length has arrived would
  // hand on stale bytes of an older message as if they were this one's.
  if (position_ < expected_) {
    position_ = 0;
    return Result::Dropped;
  }
  return Result::Complete;
}

NotificationKind DecodeNotification(const uint8_t* report, Notification* out) {
  const uint8_t* payload = report + kMarkerSize;
  switch (payload[0]) {
    case kNoticeCompletion:
      return NotificationKind::CompletionNotice;
    case 1:
    case 2:
    case 5:
    case 7:
      *out = {payload[0], payload[1]};
      return NotificationKind::Event;
    case 3:
      *out = {3, payload[1] * 256 + payload[2]};
      return NotificationKind::Event;
    default:
      return NotificationKind::None;
  }
}

StreamMessage FinishStreamMessage(uint8_t* buffer) {
  const int length = buffer[0] | (buffer[1] << 8);
  uint8_t* lead = buffer + kStreamPrefixSize;
  lead[length] = 0;
  // With L = 0 there is no lead byte; keep the text after it terminated too.
  if (length == 0) lead[1] = 0;
  return {lead[0], lead + 1, length};
}

}  // namespace tarvik
