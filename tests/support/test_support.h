// Shared pieces of the tests that run the real link over the stand-in device.
#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "link/report_framing.h"
#include "sim/sim_protocol.h"

namespace tarvik::testing {

using Report = std::array<uint8_t, kReportSize>;

inline Report MakeReport(uint8_t marker, std::initializer_list<uint8_t> payload) {
  Report report{};
  report[0] = marker;
  std::size_t i = 1;
  for (uint8_t b : payload) {
    if (i >= report.size()) break;
    report[i++] = b;
  }
  return report;
}

// Cuts a reply message into the 0x83/0x84/0x85 reports the device sends.
inline std::vector<Report> ReplyReports(const std::vector<uint8_t>& message) {
  return sim::CutReply(message);
}

// A reply message: header (status 0) and payload.
inline std::vector<uint8_t> ReplyMessage(uint8_t kind, uint16_t command, uint8_t target,
                                         std::vector<uint8_t> payload) {
  std::vector<uint8_t> message(kHeaderSize);
  EncodeHeader(message.data(), kind, command, target, 0, static_cast<uint16_t>(payload.size()));
  message.insert(message.end(), payload.begin(), payload.end());
  return message;
}

// Collects what the link's plain-function callback receives.
class NotifyRecorder {
 public:
  static NotifyRecorder& Instance() {
    static NotifyRecorder recorder;
    return recorder;
  }
  static void Callback(int code, int value) { Instance().Add(code, value); }

  void Clear() {
    std::lock_guard<std::mutex> guard(mutex_);
    calls_.clear();
  }
  std::vector<std::pair<int, int>> Calls() {
    std::lock_guard<std::mutex> guard(mutex_);
    return calls_;
  }
  bool WaitFor(std::size_t n, int timeoutMs = 5000) {
    std::unique_lock<std::mutex> guard(mutex_);
    return cv_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                        [&] { return calls_.size() >= n; });
  }

 private:
  void Add(int code, int value) {
    std::lock_guard<std::mutex> guard(mutex_);
    calls_.emplace_back(code, value);
    cv_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<std::pair<int, int>> calls_;
};

// Waits until `predicate` holds, up to a generous bound.
template <typename Predicate>
bool Eventually(Predicate predicate, int timeoutMs = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace tarvik::testing
