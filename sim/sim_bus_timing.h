// The stand-in's bus model: reports travel in frames of one interval on a
// fixed grid, one report per frame in each direction, and waits for a frame
// end that keep to the grid however late a sleep wakes. Every stand-in sits
// behind one host controller, so all of them share one grid; each keeps its
// own slots, as a full-speed device does behind a hub with a transaction
// translator per port.
#pragma once

#include <algorithm>
#include <chrono>

namespace tarvik::sim {

using BusClock = std::chrono::steady_clock;

// The host controller's clock: the start of its first frame, taken once for
// the process.
BusClock::time_point HostFrameEpoch();

// Frames of one interval on the host controller's grid.
class FrameGrid {
 public:
  // The end of the frame `t` falls in: a report ready within a frame goes
  // out at that frame's end.
  BusClock::time_point FrameEnd(BusClock::time_point t, std::chrono::microseconds interval) const {
    const auto frames = (t - epoch_) / interval;
    return epoch_ + (frames + 1) * interval;
  }

 private:
  const BusClock::time_point epoch_ = HostFrameEpoch();
};

// One direction of the bus: each report holds it for one frame, so reports
// go out in the order their slots were taken.
class BusSlot {
 public:
  explicit BusSlot(const FrameGrid& grid) : grid_(grid) {}

  // The frame end a report ready at `ready` goes out at; the slot is taken.
  BusClock::time_point Take(BusClock::time_point ready, std::chrono::microseconds interval) {
    free_ = grid_.FrameEnd(std::max(free_, ready), interval);
    return free_;
  }
  // When the latest report taken goes out.
  BusClock::time_point Free() const { return free_; }

 private:
  const FrameGrid& grid_;
  BusClock::time_point free_;
};

// Waits for frame ends on the grid. A sleep wakes late, by some 80 us on an
// idle Linux machine and more on a busy one or under Wine, which at high
// speed is most of a microframe; so a wait sleeps until shortly before the
// frame end and spins the rest. How late sleeps wake is learnt from the
// sleeps taken.
class FrameWait {
 public:
  // When a wait for the frame end `due` stops sleeping.
  BusClock::time_point WakeAt(BusClock::time_point due, std::chrono::microseconds interval) const;
  // After a sleep meant to end at `wake` ended at `now`.
  void Slept(BusClock::time_point wake, BusClock::time_point now);
  // Sleeps and then spins until `due`, learning from the sleep.
  void Until(BusClock::time_point due, std::chrono::microseconds interval);

 private:
  BusClock::duration late_{};  // the median lateness of a sleep
};

}  // namespace tarvik::sim
