#include "link/device_link.h"

#include <cstring>
#include <system_error>
#include <utility>

#include "link/link_errors.h"

namespace tarvik {

DeviceLink::DeviceLink(HidBackend& backend, int waitCapMs, LinkClock& clock)
    : device_(backend), waitCapMs_(waitCapMs), clock_(clock) {
  for (auto& buffer : storage_) buffer = std::make_unique<uint8_t[]>(kReplyBufferSize);
  assembly_ = storage_[0].get();
  ready_ = storage_[1].get();
  replyBuffer_ = storage_[2].get();
  requestBuffer_ = std::make_unique<uint8_t[]>(kRequestBufferSize);
  streamBuffer_ = std::make_unique<uint8_t[]>(kStreamBufferSize);
}

DeviceLink::~DeviceLink() { Stop(); }

bool DeviceLink::StartReceiver() {
  if (thread_.joinable()) return false;
  try {
    thread_ = std::thread(&DeviceLink::ReceiveLoop, this);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

int DeviceLink::Send(const uint8_t* message, std::size_t length, int timeoutMs) {
  {
    std::lock_guard<std::mutex> guard(eventMutex_);
    replySignalled_ = false;
    replyPending_ = false;
    noticeMark_ = noticeCount_;
  }
  if (length == 0) return LINK_ERR_EMPTY;

  Fragmenter fragmenter(message, length);
  while (fragmenter.Next(staging_)) {
    if (!device_.Write(staging_, kWriteTimeoutMs)) return LINK_ERR_TIMEOUT;
  }

  {
    std::unique_lock<std::mutex> guard(eventMutex_);
    if (!clock_.WaitFor(guard, eventCv_, CappedWait(timeoutMs), [this] { return replySignalled_; }))
      return LINK_ERR_TIMEOUT;
    if (stopFlag_.load()) return LINK_ERR_STOPPED;
    std::swap(ready_, replyBuffer_);
    replySize_ = readySize_;
    replyPending_ = false;
    // Keep the event set, as a manual-reset event stays set until the next
    // Send; the buffer it stands for has been taken.
  }
  lastStatus_ = replyBuffer_[4];
  lastDetail_ = replyBuffer_[5];
  if (lastStatus_ == kStatusOk || lastStatus_ == kStatusOkAlt) return LINK_OK;
  return LINK_ERR_DEVICE_STATUS;
}

void DeviceLink::CompleteReply(std::size_t size, const uint8_t* notice) {
  std::lock_guard<std::mutex> guard(eventMutex_);
  // Keeping the notice and handing it on as the reply is one step: a
  // WaitForNotice woken in between could start the next request, whose Send
  // would then take this notice for its reply.
  if (notice) {
    std::memcpy(notice_, notice, kReportPayloadSize);
    ++noticeCount_;
  }
  // A notice right behind a reply must not take that reply's place before the
  // sender has it; the notice stays in its own slot for WaitForNotice.
  if (!(notice && replyPending_)) {
    std::swap(assembly_, ready_);
    readySize_ = size;
    replyPending_ = true;
  }
  replySignalled_ = true;
  eventCv_.notify_all();
}

int DeviceLink::WaitForNotice(int timeoutMs) {
  std::unique_lock<std::mutex> guard(eventMutex_);
  if (!clock_.WaitFor(guard, eventCv_, CappedWait(timeoutMs),
                      [this] { return noticeCount_ != noticeMark_ || stopFlag_.load() != 0; }))
    return LINK_ERR_TIMEOUT;
  if (noticeCount_ == noticeMark_) return LINK_ERR_STOPPED;
  std::memcpy(replyBuffer_, notice_, kReportPayloadSize);
  replySize_ = kReportPayloadSize;
  noticeMark_ = noticeCount_;
  return LINK_OK;
}

void DeviceLink::EndReceiving() {
  std::lock_guard<std::mutex> guard(eventMutex_);
  stopFlag_.store(1);
  replySignalled_ = true;
  eventCv_.notify_all();
}

void DeviceLink::ReceiveLoop() {
  Reassembler replies(Reassembler::Channel::Reply);
  Reassembler streams(Reassembler::Channel::Stream);
  uint8_t report[kReportSize];

  while (stopFlag_.load() == 0) {
    if (!device_.Read(report, -1)) {
      NotifyCallback notify = notifyCallback_.load();
      if (stopFlag_.load() == 0 && expectLinkLoss_.load() == 0 && notify)
        notify(NOTIFY_LINK_LOST, 0);
      EndReceiving();
      break;
    }
    switch (report[0] >> 4) {
      case 0x8:
        if (replies.Feed(report, assembly_) == Reassembler::Result::Complete)
          CompleteReply(replies.MessageSize(), nullptr);
        break;
      case 0x9: {
        Notification notification;
        const NotificationKind kind = DecodeNotification(report, &notification);
        if (kind == NotificationKind::CompletionNotice) {
          // The notice takes the reply's place; a reply half put together
          // would otherwise complete with the notice inside it.
          replies.Reset();
          std::memcpy(assembly_, report + kMarkerSize, kReportPayloadSize);
          CompleteReply(kReportPayloadSize, report + kMarkerSize);
        } else {
          NotifyCallback notify = notifyCallback_.load();
          if (kind == NotificationKind::Event && notify)
            notify(notification.type, notification.value);
        }
        break;
      }
      case 0xA:
        if (streams.Feed(report, streamBuffer_.get()) == Reassembler::Result::Complete) {
          const StreamMessage message = FinishStreamMessage(streamBuffer_.get());
          if (StreamCallback stream = streamCallback_.load())
            stream(message.lead, message.text, message.length);
        }
        break;
      default:
        break;
    }
  }
}

void DeviceLink::Stop() {
  if (thread_.joinable()) {
    stopFlag_.store(1);
    device_.AbortRead();
    thread_.join();
  }
  device_.Close();
  notifyCallback_.store(nullptr);
  streamCallback_.store(nullptr);
}

}  // namespace tarvik
