// The stand-in's own message codec: header fields, reply reports and request
// reassembly. Written apart from the program's framing so that each checks
// the other.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvik::sim {

inline constexpr std::size_t kDataSize = 64;    // data bytes of one report
inline constexpr int kReportLengthWithId = 65;  // a report with its report-ID byte
inline constexpr std::size_t kHeaderSize = 8;
using Report = std::array<uint8_t, kDataSize>;

// Message kinds.
inline constexpr uint8_t kKindWrite = 0;
inline constexpr uint8_t kKindWriteAck = 1;
inline constexpr uint8_t kKindRead = 2;

// Status bytes of a reply.
inline constexpr uint8_t kStatusRefused = 0x01;
inline constexpr uint8_t kStatusOkAlt = 0xFE;

// Report markers.
inline constexpr uint8_t kRequestFirst = 0x80;
inline constexpr uint8_t kRequestMiddle = 0x81;
inline constexpr uint8_t kRequestLast = 0x82;
inline constexpr uint8_t kReplyFirst = 0x83;
inline constexpr uint8_t kReplyMiddle = 0x84;
inline constexpr uint8_t kReplyLast = 0x85;
inline constexpr uint8_t kNotifyMarker = 0x90;
inline constexpr uint8_t kStreamFirst = 0xA0;
inline constexpr uint8_t kStreamMiddle = 0xA1;
inline constexpr uint8_t kStreamLast = 0xA2;

struct Message {
  uint8_t kind = 0;
  uint16_t command = 0;
  uint8_t target = 0;
  uint8_t status = 0;  // the selector in a request
  uint8_t detail = 0;
  std::vector<uint8_t> payload;
};

// Header and payload bytes; the payload is cut at 0xFFFF bytes.
std::vector<uint8_t> EncodeMessage(const Message& message);
// False unless `bytes` is a header followed by exactly its announced payload.
bool DecodeMessage(std::span<const uint8_t> bytes, Message* out);

// A reply message as 0x83 / 0x84... / 0x85 reports.
std::vector<Report> CutReply(std::span<const uint8_t> message);

// A stream message: length L (u16 LE), then the lead byte and `bytes`; the
// bytes are cut so that L stays within 0xFFFF.
std::vector<uint8_t> EncodeStream(uint8_t lead, std::span<const uint8_t> bytes);
// A stream message as 0xA0 / 0xA1... / 0xA2 reports.
std::vector<Report> CutStream(std::span<const uint8_t> message);

// Puts request reports (0x80 first, 0x81 middle, 0x82 last) back together.
class RequestAssembler {
 public:
  // True when this report completed a message; Take() then hands it over.
  bool Feed(const Report& report);
  std::vector<uint8_t> Take();
  void Reset();

 private:
  bool active_ = false;
  std::size_t expected_ = 0;
  std::vector<uint8_t> buffer_;
};

}  // namespace tarvik::sim
