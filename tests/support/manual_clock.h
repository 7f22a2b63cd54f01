// A clock for the link's waits that stands still until a test moves it, so a
// time-out takes no real time and a reply that is on its way can never time
// out, however busy the machine.
//
// Waits are numbered from 1 in the order they begin. A wait that nothing will
// answer is named beforehand with ExpireWait and times out the moment it has
// to wait. Where something must happen while a wait is blocked, the test runs
// the exchange on a thread of its own, lets AwaitWaiting tell it when the
// wait has blocked, and moves time on with Advance.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "link/link_clock.h"

namespace tarvik::testing {

class ManualClock final : public LinkClock {
 public:
  bool WaitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, int timeoutMs,
               const std::function<bool()>& done) override {
    std::unique_lock<std::mutex> guard(mutex_);
    const std::size_t number = ++begun_;
    lastTimeoutMs_ = timeoutMs;
    const long long deadline = nowMs_ + timeoutMs;
    waits_[number] = {lock.mutex(), &cv, false};
    guard.unlock();
    for (;;) {
      const bool finished = done();
      guard.lock();
      if (!finished && expiring_.erase(number) != 0) nowMs_ = std::max(nowMs_, deadline);
      if (finished || nowMs_ >= deadline) {
        waits_.erase(number);
        changed_.notify_all();
        return finished;
      }
      waits_[number].blocked = true;
      changed_.notify_all();
      guard.unlock();
      cv.wait(lock);
    }
  }

  long long NowMs() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return nowMs_;
  }
  // Time-out of the latest wait that began.
  int LastTimeoutMs() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return lastTimeoutMs_;
  }
  // How many waits have begun.
  std::size_t Waits() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return begun_;
  }

  // Wait number `n`, when it has to block, times out at once: time jumps to
  // its deadline. Other waits blocked meanwhile see the new time only when
  // something wakes them, so this is for one waiting thread at a time.
  void ExpireWait(std::size_t n) {
    std::lock_guard<std::mutex> guard(mutex_);
    expiring_.insert(n);
  }

  // Blocks until wait number `n` has found that it must wait (true) or has
  // already ended (false).
  bool AwaitWaiting(std::size_t n) {
    std::unique_lock<std::mutex> guard(mutex_);
    changed_.wait(guard, [&] {
      const auto wait = waits_.find(n);
      return wait == waits_.end() ? n <= begun_ : wait->second.blocked;
    });
    return waits_.count(n) != 0;
  }

  // Moves time on and wakes every blocked wait to look at it. The links
  // waiting must outlive the call, as they do when their owner calls it.
  void Advance(long long ms) {
    std::vector<Wait> woken;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      nowMs_ += ms;
      for (const auto& [number, wait] : waits_) woken.push_back(wait);
    }
    for (const Wait& wait : woken) {
      // Once its mutex is free, a wait that saw the old time is asleep on
      // its condition variable and gets the notification.
      { std::lock_guard<std::mutex> free(*wait.mutex); }
      wait.cv->notify_all();
    }
  }

 private:
  struct Wait {
    std::mutex* mutex;
    std::condition_variable* cv;
    bool blocked;
  };

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  long long nowMs_ = 0;
  std::size_t begun_ = 0;
  int lastTimeoutMs_ = 0;
  std::map<std::size_t, Wait> waits_;  // the waits in progress, by number
  std::set<std::size_t> expiring_;
};

}  // namespace tarvik::testing
