// The state of one stand-in device, shared by the SimDevice that owns it and
// the handles opened on it, and the registry of plugged-in devices.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_bus_timing.h"
#include "sim/sim_commands.h"
#include "sim/sim_device.h"
#include "sim/sim_firmware.h"
#include "sim/sim_protocol.h"

namespace tarvik::sim {

// One open handle's side of the device: its queue of received reports.
struct HandleState {
  uint64_t generation = 0;
  std::deque<Report> queue;
  bool aborted = false;
  int readers = 0;  // threads inside Read
};

struct RestartPlan {
  int offlineMs = 300;
  uint16_t interimProductId = 0;
  int interimMs = 0;
  uint16_t finalProductId = 0;
};

struct SimDevice::Core : std::enable_shared_from_this<SimDevice::Core> {
  using Clock = std::chrono::steady_clock;

  explicit Core(SimOptions options);
  Core(const Core&) = delete;
  Core& operator=(const Core&) = delete;

  // Bus presence; these take the registry lock and then `mu`, so they must
  // not be called with `mu` held. productId 0 keeps the pending one.
  void Plug(uint16_t productId = 0);
  void Unplug();
  // Stops the timer thread (dropping what it still had to do) and unplugs for good.
  void Shut();

  // Handle side.
  bool Attach(HandleState* handle);
  void Detach(HandleState* handle);
  bool Read(HandleState* handle, std::span<uint8_t> report, int timeoutMs);
  bool Write(HandleState* handle, std::span<const uint8_t> report);
  void Abort(HandleState* handle);
  int HandleCount() const;
  bool HostCaughtUp(Clock::time_point by) const;

  // Runs `task` on the timer thread after delayMs.
  void Schedule(int delayMs, std::function<void()> task);
  void Broadcast(const Report& report);
  void BroadcastAll(const std::vector<Report>& reports);  // back to back, nothing between
  void DropOff(int offlineMs, uint16_t returnProductId);

  const std::string id;  // fixed for the device's life

  mutable std::mutex mu;
  mutable std::condition_variable requestCv;
  SimOptions options;          // productId: the identity shown now
  uint16_t nextProductId = 0;  // shown from the next Plug
  bool plugged = false;
  bool shut = false;
  uint64_t generation = 0;
  std::vector<RequestRecord> requests;
  SettingsStore store;
  BlockMemory memory;
  Fault fault;
  int faultSkip = 0;   // requests answered plainly before `fault` applies
  int faultTimes = 0;  // requests `fault` still applies to
  int latencyMs = 0;
  std::chrono::microseconds reportInterval{0};
  RestartPlan restartPlan;
  FirmwareReceiver firmware;
  FirmwareBehaviour firmwareBehaviour;
  int blocksAcked = 0;  // since the behaviour was set

 private:
  struct Task {
    Clock::time_point due;
    uint64_t order;
    std::function<void()> run;
  };

  bool LiveLocked(const HandleState* handle) const;
  void BroadcastLocked(const Report& report);
  void ScheduleLocked(int delayMs, std::function<void()> task);
  void ScheduleAtLocked(Clock::time_point due, std::function<void()> task);
  void UseFaultLocked();  // one use of the armed fault; clears it after the last
  void AnswerLocked(const std::vector<uint8_t>& bytes, Clock::time_point arrival);
  // Sends reports ready delayMs after `from`; returns when the last one
  // reaches the handles.
  Clock::time_point DeliverLocked(std::vector<Report> reports, Clock::time_point from, int delayMs);
  void FirmwareStepLocked(FirmwareStep step, Clock::time_point ackedAt);
  void RestartLocked(Clock::time_point at);
  void TimerLoop();

  std::condition_variable readCv;
  std::vector<HandleState*> handles;
  RequestAssembler assembler;
  bool leaving = false;  // between an ack and a planned drop-off; requests are lost

  std::mutex writeMu;  // host reports pass one at a time when paced
  const FrameGrid grid;
  BusSlot hostSlot{grid};    // under writeMu
  BusSlot deviceSlot{grid};  // under mu
  FrameWait hostWait;        // under writeMu
  FrameWait timerWait;       // under mu

  std::condition_variable timerCv;
  std::vector<Task> tasks;  // a heap, earliest first
  uint64_t nextOrder = 0;
  bool timerStop = false;
  bool taskRunning = false;
  std::thread timer;
};

// The plugged-in devices, in plug order.
std::vector<std::string> RegisteredIds();
std::shared_ptr<SimDevice::Core> FindRegistered(const std::string& id);

}  // namespace tarvik::sim
