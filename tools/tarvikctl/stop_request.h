// SIGINT and SIGTERM. While a run works on devices, the first of them asks
// it to stop: every firmware transfer under way stops after the block in
// flight, no further device or transfer starts, and the run ends with word
// of what was done. A second one, or one outside a run, ends the program as
// it would have without tarvikctl's handler, taking along any temporary file
// a write had under way.
#pragma once

#include <filesystem>

namespace tarvik {
class DeviceLink;
}

namespace tarvik::ctl {

// The signal that asked the run to stop, 0 when none did.
int StopSignal();

// For its lifetime, a signal asks the run to stop instead of ending it.
class StopScope {
 public:
  StopScope();
  ~StopScope();
  StopScope(const StopScope&) = delete;
  StopScope& operator=(const StopScope&) = delete;
};

// For its lifetime, a stop request cancels the transfer on `link`; at once
// when the run was asked to stop before it began.
class TransferStop {
 public:
  explicit TransferStop(DeviceLink& link);
  ~TransferStop();
  TransferStop(const TransferStop&) = delete;
  TransferStop& operator=(const TransferStop&) = delete;

 private:
  int slot_;
};

// For its lifetime, a signal that ends the program removes the file at `path`
// first. `path` must outlive it.
class RemoveOnSignal {
 public:
  explicit RemoveOnSignal(const std::filesystem::path& path);
  ~RemoveOnSignal();
  RemoveOnSignal(const RemoveOnSignal&) = delete;
  RemoveOnSignal& operator=(const RemoveOnSignal&) = delete;

 private:
  int slot_;
};

}  // namespace tarvik::ctl
