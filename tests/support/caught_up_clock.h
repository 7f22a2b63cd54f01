// Steady time that runs out only once the stand-in has nothing left to do
// by then: a wait ends at its time-out only after every report the device
// sent before it has reached the host's receive threads. A busy machine can
// then stretch a test but never turn an answered exchange into a time-out;
// a reply the device holds back past the time-out still misses it.
#pragma once

#include <chrono>

#include "link/link_clock.h"
#include "sim/sim_device.h"

namespace tarvik::testing {

class CaughtUpClock final : public LinkClock {
 public:
  explicit CaughtUpClock(const sim::SimDevice& device) : device_(device) {}

  bool WaitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, int timeoutMs,
               const std::function<bool()>& done) override {
    using std::chrono::milliseconds;
    const auto deadline = std::chrono::steady_clock::now() + milliseconds(timeoutMs);
    if (cv.wait_until(lock, deadline, done)) return true;
    // Bounded, so that a handle nobody reads cannot hold a wait for ever.
    const auto limit = deadline + milliseconds(kCatchUpLimitMs);
    while (!device_.HostCaughtUp(deadline) && std::chrono::steady_clock::now() < limit)
      if (cv.wait_for(lock, milliseconds(1), done)) return true;
    return done();
  }

 private:
  static constexpr int kCatchUpLimitMs = 20000;
  const sim::SimDevice& device_;
};

}  // namespace tarvik::testing
