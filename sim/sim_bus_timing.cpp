#include "sim/sim_bus_timing.h"

#include <algorithm>
#include <thread>

namespace tarvik::sim {

BusClock::time_point HostFrameEpoch() {
  static const BusClock::time_point epoch = BusClock::now();
  return epoch;
}

// Stops sleeping the usual lateness of a sleep before the frame end, less the
// quarter frame that the grid absorbs (what follows the wait is still ready
// within its frame), and half a frame before it at most, so that waits still
// sleep and keep the estimate current. On an idle Linux machine that is at
// the frame end at full speed and about a third of a microframe before it at
// high speed.
BusClock::time_point FrameWait::WakeAt(BusClock::time_point due,
                                       std::chrono::microseconds interval) const {
  const BusClock::duration lead = late_ - interval / 4;
  return due - std::clamp<BusClock::duration>(lead, BusClock::duration::zero(), interval / 2);
}

// Steps of a sixteenth settle on the median, which the odd stall of a busy
// machine hardly moves.
void FrameWait::Slept(BusClock::time_point wake, BusClock::time_point now) {
  const BusClock::duration step =
      std::max<BusClock::duration>(late_ / 16, std::chrono::microseconds(1));
  late_ = std::max(late_ + (now - wake > late_ ? step : -step), BusClock::duration::zero());
}

void FrameWait::Until(BusClock::time_point due, std::chrono::microseconds interval) {
  const BusClock::time_point wake = WakeAt(due, interval);
  BusClock::time_point now = BusClock::now();
  if (now < wake) {
    std::this_thread::sleep_until(wake);
    now = BusClock::now();
    // MinGW cuts a sleep down to whole milliseconds, so one can end early and
    // then tells nothing of lateness.
    if (now >= wake) Slept(wake, now);
  }
  while (now < due) now = BusClock::now();
}

}  // namespace tarvik::sim
