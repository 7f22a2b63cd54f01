// The live connection to one opened device: one blocking Send at a time, a
// receive thread that puts replies together, and the hand-over between them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "link/hid_device.h"
#include "link/link_callbacks.h"
#include "link/link_clock.h"
#include "link/report_framing.h"

namespace tarvik {

class DeviceLink {
 public:
  static constexpr std::size_t kRequestBufferSize = 131070;
  static constexpr std::size_t kReplyBufferSize = 131072;
  static constexpr std::size_t kStreamBufferSize = 131070;
  static constexpr int kWriteTimeoutMs = 500;

  // `waitCapMs` > 0 shortens every reply and notice wait to at most that
  // long, so tests and fuzzing can run through time-outs quickly. Reply and
  // notice waits run on `clock`. The program sets neither.
  explicit DeviceLink(HidBackend& backend = SystemHidBackend(), int waitCapMs = 0,
                      LinkClock& clock = DefaultLinkClock());
  ~DeviceLink();
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // Held by ExecuteCommand for one whole operation.
  std::recursive_mutex& Lock() { return lock_; }
  HidDevice& Device() { return device_; }

  bool StartReceiver();
  // Writes `message` as reports and waits for the reply; a link error code.
  // Called with Lock() held. The reply is then in ReplyBuffer().
  int Send(const uint8_t* message, std::size_t length, int timeoutMs);
  // Waits for a completion notice that arrived since the latest Send began
  // (so one that came right after that request's acknowledgement still
  // counts). On success its payload is at the start of ReplyBuffer().
  int WaitForNotice(int timeoutMs);
  // Stops the receive thread and closes the device. Idempotent.
  void Stop();

  uint8_t* RequestBuffer() { return requestBuffer_.get(); }
  const uint8_t* ReplyBuffer() const { return replyBuffer_; }
  // Bytes of ReplyBuffer() that came with the latest completion: a reply's
  // header and payload, or the payload of a completion notice.
  std::size_t ReplySize() const { return replySize_; }

  int LastStatus() const { return lastStatus_; }
  int LastDetail() const { return lastDetail_; }

  void SetNotifyCallback(NotifyCallback callback) { notifyCallback_.store(callback); }
  void SetStreamCallback(StreamCallback callback) { streamCallback_.store(callback); }
  void SetExpectLinkLoss(bool expect) { expectLinkLoss_.store(expect ? 1 : 0); }
  bool Stopped() const { return stopFlag_.load() != 0; }
  // Asks a firmware transfer to stop before its next block; the exchange in
  // flight is finished first. Only stores a flag, so a signal handler may call it.
  void CancelTransfer() { cancelFlag_.store(1); }
  bool TransferCancelled() const { return cancelFlag_.load() != 0; }

 private:
  int CappedWait(int timeoutMs) const {
    return waitCapMs_ > 0 && waitCapMs_ < timeoutMs ? waitCapMs_ : timeoutMs;
  }

  void ReceiveLoop();
  // Hands the assembled reply of `size` bytes to the sender; for a
  // completion notice (its payload in `notice`) also keeps it for WaitForNotice.
  void CompleteReply(std::size_t size, const uint8_t* notice);
  void EndReceiving();

  std::recursive_mutex lock_;
  HidDevice device_;
  std::thread thread_;
  std::atomic<int> stopFlag_{0};
  std::atomic<int> cancelFlag_{0};
  static_assert(std::atomic<int>::is_always_lock_free);
  std::atomic<int> expectLinkLoss_{0};
  std::atomic<NotifyCallback> notifyCallback_{nullptr};
  std::atomic<StreamCallback> streamCallback_{nullptr};

  // Manual-reset reply event. The receive thread assembles into assembly_;
  // a completed reply is swapped into ready_ under eventMutex_, and Send swaps
  // it into replyBuffer_, which only the sending thread touches. So a late
  // reply can never overwrite the bytes an operation is reading.
  std::mutex eventMutex_;
  std::condition_variable eventCv_;
  bool replySignalled_ = false;
  bool replyPending_ = false;  // ready_ holds a reply the sender has not taken
  uint64_t noticeCount_ = 0;   // completion notices received
  const int waitCapMs_;
  LinkClock& clock_;
  uint64_t noticeMark_ = 0;  // noticeCount_ when the latest Send began
  uint8_t notice_[kReportSize] = {};

  std::unique_ptr<uint8_t[]> storage_[3];
  uint8_t* assembly_;
  uint8_t* ready_;
  uint8_t* replyBuffer_;
  std::size_t readySize_ = 0;  // bytes of ready_ and replyBuffer_ that belong to their message
  std::size_t replySize_ = 0;

  std::unique_ptr<uint8_t[]> requestBuffer_;
  std::unique_ptr<uint8_t[]> streamBuffer_;
  uint8_t staging_[kReportSize] = {};

  int lastStatus_ = 0;
  int lastDetail_ = 0;
};

}  // namespace tarvik
