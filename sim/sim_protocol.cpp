#include "sim/sim_protocol.h"

#include <algorithm>

namespace tarvik::sim {

namespace {

constexpr std::size_t kChunk = kDataSize - 1;  // message bytes per report
constexpr std::size_t kMaxPayload = 0xFFFF;

// 63 message bytes per report after the marker; a lone report takes `first`.
std::vector<Report> Cut(std::span<const uint8_t> message, uint8_t first, uint8_t middle,
                        uint8_t last) {
  std::vector<Report> reports;
  for (std::size_t offset = 0; offset < message.size(); offset += kChunk) {
    const std::size_t chunk = std::min(kChunk, message.size() - offset);
    Report report{};
    if (offset == 0)
      report[0] = first;
    else if (offset + chunk == message.size())
      report[0] = last;
    else
      report[0] = middle;
    std::copy_n(message.begin() + static_cast<std::ptrdiff_t>(offset), chunk, report.begin() + 1);
    reports.push_back(report);
  }
  return reports;
}

}  // namespace

std::vector<uint8_t> EncodeMessage(const Message& message) {
  const std::size_t length = std::min(message.payload.size(), kMaxPayload);
  std::vector<uint8_t> bytes(kHeaderSize + length);
  bytes[0] = message.kind;
  bytes[1] = static_cast<uint8_t>(message.command & 0xFF);
  bytes[2] = static_cast<uint8_t>(message.command >> 8);
  bytes[3] = message.target;
  bytes[4] = message.status;
  bytes[5] = message.detail;
  bytes[6] = static_cast<uint8_t>(length & 0xFF);
  bytes[7] = static_cast<uint8_t>(length >> 8);
  std::copy_n(message.payload.begin(), length, bytes.begin() + kHeaderSize);
  return bytes;
}

bool DecodeMessage(std::span<const uint8_t> bytes, Message* out) {
  if (out == nullptr || bytes.size() < kHeaderSize) return false;
  const std::size_t length = bytes[6] | (bytes[7] << 8);
  if (bytes.size() != kHeaderSize + length) return false;
  out->kind = bytes[0];
  out->command = static_cast<uint16_t>(bytes[1] | (bytes[2] << 8));
  out->target = bytes[3];
  out->status = bytes[4];
  out->detail = bytes[5];
  out->payload.assign(bytes.begin() + kHeaderSize, bytes.end());
  return true;
}

std::vector<Report> CutReply(std::span<const uint8_t> message) {
  return Cut(message, kReplyFirst, kReplyMiddle, kReplyLast);
}

std::vector<uint8_t> EncodeStream(uint8_t lead, std::span<const uint8_t> bytes) {
  const std::size_t length = std::min(bytes.size(), kMaxPayload - 1) + 1;
  std::vector<uint8_t> message(2 + length);
  message[0] = static_cast<uint8_t>(length & 0xFF);
  message[1] = static_cast<uint8_t>(length >> 8);
  message[2] = lead;
  std::copy_n(bytes.begin(), length - 1, message.begin() + 3);
  return message;
}

std::vector<Report> CutStream(std::span<const uint8_t> message) {
  return Cut(message, kStreamFirst, kStreamMiddle, kStreamLast);
}

bool RequestAssembler::Feed(const Report& report) {
  const uint8_t marker = report[0];
  if (marker == kRequestFirst) {
    buffer_.assign(report.begin() + 1, report.end());
    expected_ = kHeaderSize + (report[7] | (report[8] << 8));
    active_ = true;
  } else if ((marker == kRequestMiddle || marker == kRequestLast) && active_) {
    buffer_.insert(buffer_.end(), report.begin() + 1, report.end());
  } else {
    return false;
  }
  if (buffer_.size() >= expected_) {
    buffer_.resize(expected_);
    active_ = false;
    return true;
  }
  // A last report before the announced length has arrived ends the message short.
  if (marker == kRequestLast) Reset();
  return false;
}

std::vector<uint8_t> RequestAssembler::Take() {
  std::vector<uint8_t> message;
  message.swap(buffer_);
  return message;
}

void RequestAssembler::Reset() {
  active_ = false;
  expected_ = 0;
  buffer_.clear();
}

}  // namespace tarvik::sim
