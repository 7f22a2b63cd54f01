// The receive side's framing on arbitrary report sequences: the input is cut
// into 64-byte reports and dispatched by marker as the link's receive loop
// does, to the reply and stream reassemblers and the notification decoder.
// A shadow copy of each message's fragments checks that a completed message
// is exactly what arrived for it. The whole input also goes through the
// request fragmenter and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "link/report_framing.h"

namespace tarvik::fuzzing::reassembly {

// One reassembler with the fragments it has been fed since its latest first
// fragment, in a buffer of exactly the size the link promises.
class Channel {
 public:
  explicit Channel(Reassembler::Channel channel)
      : reassembler_(channel),
        stream_(channel == Reassembler::Channel::Stream),
        buffer_(new uint8_t[kReassemblyBufferSize]) {}
  ~Channel() { delete[] buffer_; }

  void Feed(const uint8_t* report) {
    const uint8_t base = stream_ ? kMarkerStreamFirst : kMarkerReplyFirst;
    const uint8_t marker = report[0];
    const bool first = marker == base;
    const bool continuation = marker == base + 1 || marker == base + 2;
    const bool wasInProgress = reassembler_.InProgress();
    const Reassembler::Result result = reassembler_.Feed(report, buffer_);

    const bool taken = first || (continuation && wasInProgress);
    if (taken == (result == Reassembler::Result::Ignored))
      Fail("report taken or ignored against its marker");
    if (first)
      shadow_.assign(report + 1, report + kReportSize);
    else if (taken)
      shadow_.insert(shadow_.end(), report + 1, report + kReportSize);
    const bool inProgress = reassembler_.InProgress();
    if (result == Reassembler::Result::Ignored
            ? inProgress != wasInProgress
            : (result == Reassembler::Result::Pending) != inProgress)
      Fail("in progress after pending, at rest after complete or dropped, unchanged when ignored");
    if (result != Reassembler::Result::Complete) return;

    const std::size_t size = reassembler_.MessageSize();
    if (size > kReassemblyLimit) Fail("message larger than the reassembly limit");
    if (size > shadow_.size()) Fail("message longer than what arrived for it");
    if (std::memcmp(buffer_, shadow_.data(), size) != 0) Fail("message differs from its fragments");
    if (!stream_) {
      if (size != kHeaderSize + DecodeHeader(buffer_).length)
        Fail("reply size differs from its header");
      return;
    }
    const StreamMessage message = FinishStreamMessage(buffer_);
    if (static_cast<std::size_t>(message.length) + 2 != size)
      Fail("stream length differs from its prefix");
    if (message.text != buffer_ + 3 || message.lead != buffer_[2])
      Fail("stream lead and text misplaced");
    // The terminator stands right after the L bytes; with L = 0 the (absent)
    // text is terminated too.
    if (buffer_[2 + message.length] != 0) Fail("stream message not terminated");
    if (message.length == 0 && message.text[0] != 0) Fail("empty stream text not terminated");
  }

  void Reset() { reassembler_.Reset(); }

 private:
  Reassembler reassembler_;
  bool stream_;
  uint8_t* buffer_;
  std::vector<uint8_t> shadow_;
};

inline void CheckNotification(const uint8_t* report) {
  Notification notification{-1, -1};
  const NotificationKind kind = DecodeNotification(report, &notification);
  const uint8_t type = report[1];
  switch (kind) {
    case NotificationKind::CompletionNotice:
      if (type != kNoticeCompletion) Fail("completion notice of another type");
      break;
    case NotificationKind::Event:
      if (notification.type != type || notification.value < 0 || notification.value > 0xFFFF)
        Fail("event with a type or value it did not carry");
      break;
    case NotificationKind::None:
      if (notification.type != -1) Fail("no event, yet the event was written");
      break;
  }
}

// Cuts `message` into request reports, turns them into reply reports and puts
// them back together: the round trip must give back the message.
inline void RoundTrip(const uint8_t* data, std::size_t size) {
  if (size < kHeaderSize) return;
  std::vector<uint8_t> message(data, data + (size < kMaxMessageSize ? size : kMaxMessageSize));
  const uint16_t length = static_cast<uint16_t>(message.size() - kHeaderSize);
  message[6] = static_cast<uint8_t>(length);
  message[7] = static_cast<uint8_t>(length >> 8);

  Fragmenter fragmenter(message.data(), message.size());
  Reassembler reassembler(Reassembler::Channel::Reply);
  std::vector<uint8_t> buffer(kReassemblyBufferSize);
  uint8_t report[kReportSize];
  std::size_t reports = 0;
  Reassembler::Result result = Reassembler::Result::Pending;
  while (fragmenter.Next(report)) {
    ++reports;
    if (result == Reassembler::Result::Complete) Fail("fragments after the message was complete");
    report[0] = static_cast<uint8_t>(report[0] + (kMarkerReplyFirst - kMarkerRequestFirst));
    result = reassembler.Feed(report, buffer.data());
  }
  if (reports != FragmentCount(message.size())) Fail("fragment count differs from FragmentCount");
  if (result != Reassembler::Result::Complete) Fail("round trip did not complete");
  if (reassembler.MessageSize() != message.size()) Fail("round trip changed the size");
  if (std::memcmp(buffer.data(), message.data(), message.size()) != 0)
    Fail("round trip changed the bytes");
}

}  // namespace tarvik::fuzzing::reassembly

namespace tarvik::fuzzing {

inline void CheckReportSequence(const uint8_t* data, std::size_t size) {
  reassembly::Channel replies(Reassembler::Channel::Reply);
  reassembly::Channel streams(Reassembler::Channel::Stream);
  for (std::size_t offset = 0; offset < size; offset += kReportSize) {
    uint8_t report[kReportSize] = {};
    std::memcpy(report, data + offset, size - offset < kReportSize ? size - offset : kReportSize);
    switch (report[0] >> 4) {
      case 0x8:
        replies.Feed(report);
        break;
      case 0x9:
        reassembly::CheckNotification(report);
        // As the link does: a completion notice takes a half-built reply's place.
        if (report[1] == kNoticeCompletion) replies.Reset();
        break;
      case 0xA:
        streams.Feed(report);
        break;
      default:
        break;
    }
  }
  reassembly::RoundTrip(data, size);
}

}  // namespace tarvik::fuzzing
