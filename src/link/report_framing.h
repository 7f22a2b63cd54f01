// Wire format of the device's command channel: 64-byte reports, the 8-byte
// message header, fragmenting, reassembly and notification decoding.
// Pure functions and small state machines; no I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarvik {

inline constexpr std::size_t kReportSize = 64;  // data bytes per report, no report ID
inline constexpr std::size_t kReportSizeWithId = kReportSize + 1;  // as the HID layer counts it
inline constexpr std::size_t kMarkerSize = 1;
inline constexpr std::size_t kReportPayloadSize = kReportSize - kMarkerSize;  // 63
inline constexpr std::size_t kHeaderSize = 8;
inline constexpr std::size_t kHeaderLengthAt = 6;    // the u16 payload length in the header
inline constexpr std::size_t kStreamPrefixSize = 2;  // a stream message's u16 length L
inline constexpr std::size_t kMaxMessageSize = kHeaderSize + 0xFFFF;  // 65543
// 65536 raised to a multiple of 63: 1041 fragments.
inline constexpr std::size_t kReassemblyLimit = 65583;
// A reassembly buffer must hold the limit plus the fragment that crosses it.
inline constexpr std::size_t kReassemblyBufferSize = kReassemblyLimit + kReportPayloadSize;

inline constexpr uint8_t kMarkerRequestFirst = 0x80;
inline constexpr uint8_t kMarkerRequestMiddle = 0x81;
inline constexpr uint8_t kMarkerRequestLast = 0x82;
inline constexpr uint8_t kMarkerReplyFirst = 0x83;
inline constexpr uint8_t kMarkerReplyMiddle = 0x84;
inline constexpr uint8_t kMarkerReplyLast = 0x85;
inline constexpr uint8_t kMarkerNotify = 0x90;  // 0x90 to 0x9F
inline constexpr uint8_t kMarkerStreamFirst = 0xA0;
inline constexpr uint8_t kMarkerStreamMiddle = 0xA1;
inline constexpr uint8_t kMarkerStreamLast = 0xA2;

inline constexpr uint8_t kKindWrite = 0;
inline constexpr uint8_t kKindWriteAck = 1;
inline constexpr uint8_t kKindRead = 2;
inline constexpr uint8_t kKindReadReply = 3;

inline constexpr uint8_t kStatusOk = 0x00;
inline constexpr uint8_t kStatusOkAlt = 0xFE;

// Notification codes handed to the user interface.
inline constexpr int NOTIFY_LINK_LOST = 255;
inline constexpr int kNoticeCompletion = 4;  // type 4: completion notice, goes to the waiter

struct MessageHeader {
  uint8_t kind = 0;
  uint16_t command = 0;
  uint8_t target = 0;
  uint8_t status = 0;  // the selector in a request
  uint8_t detail = 0;
  uint16_t length = 0;
};

// Little-endian wire values of `bytes` bytes (at most 4).
inline void PutLe(uint8_t* dst, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) dst[i] = static_cast<uint8_t>(value >> (8 * i));
}
inline uint32_t GetLe32(const uint8_t* src) {
  return static_cast<uint32_t>(src[0]) | static_cast<uint32_t>(src[1]) << 8 |
         static_cast<uint32_t>(src[2]) << 16 | static_cast<uint32_t>(src[3]) << 24;
}

// Writes the 8 header bytes (detail = 0) at dst.
void EncodeHeader(uint8_t* dst, uint8_t kind, uint16_t command, uint8_t target, uint8_t selector,
                  uint16_t length);
MessageHeader DecodeHeader(const uint8_t* src);

// Number of reports a message of `size` bytes is cut into (0 for an empty one).
std::size_t FragmentCount(std::size_t size);

// Cuts a message into request reports one at a time, so each can be written
// before the next is built.
class Fragmenter {
 public:
  Fragmenter(const uint8_t* message, std::size_t size) : message_(message), size_(size) {}
  // Builds the next report into `report` (64 bytes, unused bytes zero);
  // returns false when the whole message has been produced.
  bool Next(uint8_t* report);

 private:
  const uint8_t* message_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

// Puts a reply (0x83/0x84/0x85) or a stream message (0xA0/0xA1/0xA2) back
// together in a caller-owned buffer of kReassemblyBufferSize bytes or more.
class Reassembler {
 public:
  enum class Channel { Reply, Stream };
  enum class Result { Pending, Complete, Ignored, Dropped };

  explicit Reassembler(Channel channel) : channel_(channel) {}

  // Feeds one 64-byte report whose marker belongs to this channel.
  // Complete means `buffer` now holds the whole message (MessageSize() bytes).
  Result Feed(const uint8_t* report, uint8_t* buffer);
  void Reset();
  bool InProgress() const { return inProgress_; }
  // Bytes of the completed message: header + length, or the 2-byte prefix + L.
  std::size_t MessageSize() const { return expected_; }

 private:
  Channel channel_;
  bool inProgress_ = false;
  std::size_t position_ = 0;
  std::size_t expected_ = 0;
};

struct Notification {
  int type = 0;
  int value = 0;
};

enum class NotificationKind { None, CompletionNotice, Event };

// Reads the payload of a 0x9n report. Event fills `out` (types 1, 2, 3, 5, 7);
// CompletionNotice means the payload is to be handed to the waiting request.
NotificationKind DecodeNotification(const uint8_t* report, Notification* out);

// Stream message in a reassembly buffer: terminates the text after the L bytes
// and returns lead byte, the bytes after it and L.
struct StreamMessage {
  int lead = 0;
  const uint8_t* text = nullptr;
  int length = 0;
};
StreamMessage FinishStreamMessage(uint8_t* buffer);

}  // namespace tarvik
