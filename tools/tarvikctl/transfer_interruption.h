// SIGINT and SIGTERM while a firmware transfer runs: instead of ending the
// program between two reports, the signal asks the transfer to stop after
// the block in flight, so tarvikctl can say what state the Tarvik is in.
#pragma once

namespace tarvik {
class DeviceLink;
}

namespace tarvik::ctl {

// Catches the two signals for its lifetime, for one transfer on `link`;
// the previous handlers come back when it goes.
class TransferInterruption {
 public:
  explicit TransferInterruption(DeviceLink& link);
  ~TransferInterruption();
  TransferInterruption(const TransferInterruption&) = delete;
  TransferInterruption& operator=(const TransferInterruption&) = delete;

  // The signal that came, 0 when none did.
  int Signal() const;

 private:
  using Handler = void (*)(int);
  Handler previousInterrupt_;
  Handler previousTerminate_;
};

}  // namespace tarvik::ctl
