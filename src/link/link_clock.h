// The time the link's waits run on. The program waits on the steady clock;
// tests hand a link a clock of their own, so that a time-out takes no real
// time and no reply is lost to a busy machine.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace tarvik {

class LinkClock {
 public:
  virtual ~LinkClock() = default;

  // Waits on `cv`, whose mutex `lock` holds, until `done` holds or
  // `timeoutMs` have passed on this clock, and returns done(). `done` is
  // only evaluated with the lock held, and whoever makes it true notifies
  // `cv` while holding the same mutex.
  virtual bool WaitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                       int timeoutMs, const std::function<bool()>& done) = 0;

  // Lets `ms` pass on this clock: a wait that nothing ends early.
  void Pause(int ms) {
    std::mutex mutex;
    std::condition_variable cv;
    std::unique_lock<std::mutex> lock(mutex);
    WaitFor(lock, cv, ms, [] { return false; });
  }
};

class SteadyLinkClock final : public LinkClock {
 public:
  bool WaitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, int timeoutMs,
               const std::function<bool()>& done) override {
    return cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&done] { return done(); });
  }
};

// The one steady clock every link uses unless it is given another.
inline LinkClock& DefaultLinkClock() {
  static SteadyLinkClock clock;
  return clock;
}

}  // namespace tarvik
