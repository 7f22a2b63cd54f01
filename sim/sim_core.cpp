#include "sim/sim_core.h"

#include <algorithm>
#include <atomic>

namespace tarvik::sim {

namespace {

constexpr uint8_t kNoticeProgrammed = 4;
constexpr int kAckToDropMs = 20;           // from an ack to leaving the bus
constexpr std::size_t kQueueLimit = 4096;  // reports a handle holds unread

struct Registry {
  std::mutex mu;
  std::vector<std::shared_ptr<SimDevice::Core>> devices;  // plug order
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::string NextId() {
  static std::atomic<unsigned> serial{0};
  return "sim:" + std::to_string(++serial);
}

}  // namespace

std::vector<std::string> RegisteredIds() {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mu);
  std::vector<std::string> ids;
  for (const auto& core : registry.devices) ids.push_back(core->id);
  return ids;
}

std::shared_ptr<SimDevice::Core> FindRegistered(const std::string& id) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mu);
  for (const auto& core : registry.devices)
    if (core->id == id) return core;
  return nullptr;
}

SimDevice::Core::Core(SimOptions opts)
    : id(NextId()), options(opts), nextProductId(opts.productId) {}

void SimDevice::Core::Plug(uint16_t productId) {
  Registry& registry = TheRegistry();
  std::lock_guard registryLock(registry.mu);
  std::lock_guard lock(mu);
  if (productId != 0) nextProductId = productId;
  if (plugged || shut) return;
  options.productId = nextProductId;
  ++generation;
  plugged = true;
  leaving = false;
  assembler.Reset();
  registry.devices.push_back(shared_from_this());
}

void SimDevice::Core::Unplug() {
  Registry& registry = TheRegistry();
  std::lock_guard registryLock(registry.mu);
  std::lock_guard lock(mu);
  if (!plugged) return;
  plugged = false;
  assembler.Reset();
  std::erase_if(registry.devices, [this](const auto& core) { return core.get() == this; });
  readCv.notify_all();
}

void SimDevice::Core::Shut() {
  {
    std::lock_guard lock(mu);
    shut = true;
    timerStop = true;
    timerCv.notify_all();
  }
  // No thread is started once `shut` is set, so `timer` is settled here.
  if (timer.joinable()) timer.join();
  Unplug();
}

bool SimDevice::Core::LiveLocked(const HandleState* handle) const {
  return plugged && handle->generation == generation;
}

bool SimDevice::Core::Attach(HandleState* handle) {
  std::lock_guard lock(mu);
  if (!plugged) return false;
  handle->generation = generation;
  handles.push_back(handle);
  return true;
}

void SimDevice::Core::Detach(HandleState* handle) {
  std::lock_guard lock(mu);
  std::erase(handles, handle);
}

int SimDevice::Core::HandleCount() const {
  std::lock_guard lock(mu);
  return static_cast<int>(handles.size());
}

// Every task due by `by` has run, and every handle's reader has taken in
// what it was sent: a live handle's reader waits on an empty queue, a dead
// handle's has returned.
bool SimDevice::Core::HostCaughtUp(Clock::time_point by) const {
  std::lock_guard lock(mu);
  if (taskRunning || (!tasks.empty() && tasks.front().due <= by)) return false;
  return std::all_of(handles.begin(), handles.end(), [this](const HandleState* handle) {
    return handle->queue.empty() &&
           (LiveLocked(handle) && !handle->aborted ? handle->readers > 0 : handle->readers == 0);
  });
}

bool SimDevice::Core::Read(HandleState* handle, std::span<uint8_t> report, int timeoutMs) {
  if (report.empty()) return false;
  std::unique_lock lock(mu);
  auto ready = [&] { return handle->aborted || !LiveLocked(handle) || !handle->queue.empty(); };
  ++handle->readers;
  const bool woken = timeoutMs < 0
                         ? (readCv.wait(lock, ready), true)
                         : readCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
  --handle->readers;
  if (!woken) return false;
  // As with hidraw, reports that arrived before the device left can still
  // be read; only an empty queue on a gone device fails.
  if (handle->aborted || handle->queue.empty()) return false;
  const Report data = handle->queue.front();
  handle->queue.pop_front();
  report[0] = 0;  // unnumbered reports
  const std::size_t n = std::min(report.size() - 1, data.size());
  std::copy_n(data.begin(), n, report.begin() + 1);
  std::fill(report.begin() + 1 + static_cast<std::ptrdiff_t>(n), report.end(), 0);
  return true;
}

// Paced, a report waits for the host's slot and holds it for one interval.
bool SimDevice::Core::Write(HandleState* handle, std::span<const uint8_t> report) {
  std::unique_lock pace(writeMu, std::defer_lock);
  std::chrono::microseconds interval;
  {
    std::lock_guard lock(mu);
    interval = reportInterval;
  }
  // The device answers from the frame its request arrived in; its own
  // computing here takes no bus time.
  Clock::time_point arrival = Clock::now();
  if (interval.count() > 0) {
    pace.lock();
    arrival = hostSlot.Take(Clock::now(), interval);
    hostWait.Until(arrival, interval);
  }
  std::lock_guard lock(mu);
  if (!LiveLocked(handle)) return false;
  if (report.size() < 2 || report.size() != static_cast<std::size_t>(options.outputReportLength) ||
      report[0] != 0)
    return false;
  Report data{};
  std::copy_n(report.begin() + 1, std::min(report.size() - 1, data.size()), data.begin());
  if (fault.kind == FaultKind::FailedWrite && faultSkip == 0 && data[0] == kRequestFirst) {
    UseFaultLocked();
    return false;
  }
  if (leaving) return true;
  if (assembler.Feed(data)) AnswerLocked(assembler.Take(), arrival);
  return true;
}

void SimDevice::Core::Abort(HandleState* handle) {
  std::lock_guard lock(mu);
  handle->aborted = true;
  readCv.notify_all();
}

void SimDevice::Core::Broadcast(const Report& report) {
  std::lock_guard lock(mu);
  DeliverLocked({report}, Clock::now(), 0);
}

void SimDevice::Core::BroadcastAll(const std::vector<Report>& reports) {
  std::lock_guard lock(mu);
  DeliverLocked(reports, Clock::now(), 0);
}

void SimDevice::Core::BroadcastLocked(const Report& report) {
  if (!plugged) return;
  for (HandleState* handle : handles)
    if (handle->generation == generation && !handle->aborted && handle->queue.size() < kQueueLimit)
      handle->queue.push_back(report);
  readCv.notify_all();
}

// Records the request, answers it, and applies the armed fault to the reply.
void SimDevice::Core::AnswerLocked(const std::vector<uint8_t>& bytes, Clock::time_point arrival) {
  Message request;
  if (!DecodeMessage(bytes, &request)) return;
  requests.push_back(
      {request.kind, request.command, request.target, request.status, request.payload, bytes});
  requestCv.notify_all();

  // Skipped requests pass plainly; a failed write belongs to a later
  // request's first report, so it stays armed.
  Fault applied;
  if (faultSkip > 0) {
    --faultSkip;
  } else if (fault.kind != FaultKind::None && fault.kind != FaultKind::FailedWrite) {
    applied = fault;
    UseFaultLocked();
  }

  Outcome out;
  FirmwareStep step = FirmwareStep::None;
  if (FirmwareReceiver::Handles(request.command)) {
    FirmwareAnswer answer = firmware.Answer(request, firmwareBehaviour.lastBlockResult);
    out.reply = std::move(answer.reply);
    step = answer.step;
  } else {
    out = Answer(request, store, memory);
  }
  Message& reply = out.reply;
  int delayMs = latencyMs;
  switch (applied.kind) {
    case FaultKind::WrongLength:
      reply.payload.push_back(0);
      break;
    case FaultKind::WrongKind:  // a read gets a write's ack kind, a write its own kind
      reply.kind = request.kind == kKindRead ? kKindWriteAck : request.kind;
      break;
    case FaultKind::WrongCommand:
      reply.command = static_cast<uint16_t>(reply.command + 1);
      break;
    case FaultKind::BadStatus:
      reply.status = applied.status;
      break;
    case FaultKind::StatusFE:
      reply.status = kStatusOkAlt;
      break;
    case FaultKind::LateReply:
      delayMs += applied.delayMs;
      break;
    default:
      break;
  }

  // A swallowed request has no after-effects: the device stays where it is.
  if (applied.kind == FaultKind::NoReply) return;
  if (applied.kind == FaultKind::Unplug) {
    ScheduleAtLocked(Clock::now(), [this] { Unplug(); });
    return;
  }
  if (applied.kind == FaultKind::DropOff) {
    ScheduleAtLocked(Clock::now(), [this, offlineMs = applied.delayMs] { DropOff(offlineMs, 0); });
    return;
  }
  std::vector<Report> reports = CutReply(EncodeMessage(reply));
  Clock::time_point sentAt;
  if (applied.kind == FaultKind::SplitReply) {
    for (std::size_t i = 0; i < reports.size(); ++i)
      sentAt =
          DeliverLocked({reports[i]}, arrival, delayMs + static_cast<int>(i + 1) * applied.delayMs);
  } else {
    sentAt = DeliverLocked(std::move(reports), arrival, delayMs);
  }
  if (out.effect == Effect::Restart)
    RestartLocked(sentAt + std::chrono::milliseconds(kAckToDropMs));
  // A refused firmware step is not taken: no programming, so no completion
  // notice, which would otherwise arrive behind the retry's own and stand in
  // for the reply to whatever the host sends next.
  if (applied.kind != FaultKind::BadStatus) FirmwareStepLocked(step, sentAt);
}

// Unpaced and undelayed reports go out at once, so an exchange costs no
// thread hand-off. A report due before a re-plug is lost with the old connection.
SimDevice::Core::Clock::time_point SimDevice::Core::DeliverLocked(std::vector<Report> reports,
                                                                  Clock::time_point from,
                                                                  int delayMs) {
  const Clock::time_point ready = from + std::chrono::milliseconds(std::max(delayMs, 0));
  if (reportInterval.count() > 0) {
    // Slots are taken in call order, so reports keep their order.
    for (const Report& report : reports) {
      ScheduleAtLocked(deviceSlot.Take(ready, reportInterval), [this, plug = generation, report] {
        std::lock_guard lock(mu);
        if (generation == plug) BroadcastLocked(report);
      });
    }
    return std::max(deviceSlot.Free(), ready);
  }
  if (delayMs <= 0) {
    for (const Report& report : reports) BroadcastLocked(report);
    return ready;
  }
  ScheduleAtLocked(ready, [this, plug = generation, reports = std::move(reports)] {
    std::lock_guard lock(mu);
    if (generation != plug) return;
    for (const Report& report : reports) BroadcastLocked(report);
  });
  return ready;
}

// After the ack: the completion notice of a programming request, or a
// planned drop-off once enough blocks are acknowledged.
void SimDevice::Core::FirmwareStepLocked(FirmwareStep step, Clock::time_point ackedAt) {
  const FirmwareBehaviour& b = firmwareBehaviour;
  if (step == FirmwareStep::Program && b.sendNotice) {
    Report notice{kNotifyMarker, kNoticeProgrammed, b.noticeResult};
    ScheduleAtLocked(ackedAt + std::chrono::milliseconds(std::max(b.noticeDelayMs, 0)),
                     [this, plug = generation, notice] {
                       std::lock_guard lock(mu);
                       if (generation == plug) DeliverLocked({notice}, Clock::now(), 0);
                     });
  }
  if (step == FirmwareStep::Block && ++blocksAcked == b.dropOffAfterBlocks) {
    // Requests until the drop are lost, so exactly that many blocks get acks.
    leaving = true;
    ScheduleAtLocked(ackedAt + std::chrono::milliseconds(kAckToDropMs),
                     [this, offlineMs = b.dropOffMs] { DropOff(offlineMs, 0); });
  }
}

void SimDevice::Core::RestartLocked(Clock::time_point at) {
  const RestartPlan plan = restartPlan;
  if (plan.offlineMs < 0) return;  // acknowledged, but the device stays
  const uint16_t finalProductId =
      plan.finalProductId != 0 ? plan.finalProductId : options.productId;
  ScheduleAtLocked(at, [this, plan, finalProductId] {
    Unplug();
    if (plan.interimProductId == 0) {
      Schedule(plan.offlineMs, [this, finalProductId] { Plug(finalProductId); });
      return;
    }
    Schedule(plan.offlineMs, [this, plan, finalProductId] {
      Plug(plan.interimProductId);
      Schedule(plan.interimMs, [this, finalProductId] {
        Unplug();
        Plug(finalProductId);
      });
    });
  });
}

void SimDevice::Core::UseFaultLocked() {
  if (--faultTimes <= 0) fault = {};
}

void SimDevice::Core::DropOff(int offlineMs, uint16_t returnProductId) {
  Unplug();
  Schedule(offlineMs, [this, returnProductId] { Plug(returnProductId); });
}

void SimDevice::Core::Schedule(int delayMs, std::function<void()> task) {
  std::lock_guard lock(mu);
  ScheduleLocked(delayMs, std::move(task));
}

namespace {

template <typename Task>
bool Later(const Task& a, const Task& b) {
  return a.due != b.due ? a.due > b.due : a.order > b.order;
}

}  // namespace

void SimDevice::Core::ScheduleLocked(int delayMs, std::function<void()> task) {
  ScheduleAtLocked(Clock::now() + std::chrono::milliseconds(std::max(delayMs, 0)), std::move(task));
}

// The timer thread starts with the first task and runs until Shut.
void SimDevice::Core::ScheduleAtLocked(Clock::time_point due, std::function<void()> task) {
  if (shut) return;
  if (!timer.joinable()) timer = std::thread([this] { TimerLoop(); });
  tasks.push_back({due, nextOrder++, std::move(task)});
  std::push_heap(tasks.begin(), tasks.end(), Later<Task>);
  timerCv.notify_all();
}

// Tasks run without `mu` held, in due order, ties in scheduling order.
void SimDevice::Core::TimerLoop() {
  std::unique_lock lock(mu);
  while (!timerStop) {
    if (tasks.empty()) {
      timerCv.wait(lock);
      continue;
    }
    const Clock::time_point due = tasks.front().due;
    const Clock::time_point now = Clock::now();
    if (now < due) {
      const Clock::time_point wake =
          reportInterval.count() > 0 ? timerWait.WakeAt(due, reportInterval) : due;
      if (now < wake) {
        if (timerCv.wait_until(lock, wake) == std::cv_status::timeout)
          timerWait.Slept(wake, Clock::now());
        continue;
      }
      // Paced, the last stretch is spun with `mu` free; a task scheduled
      // meanwhile waits for the spin's end at most.
      lock.unlock();
      while (Clock::now() < due) {
      }
      lock.lock();
      continue;
    }
    std::pop_heap(tasks.begin(), tasks.end(), Later<Task>);
    Task task = std::move(tasks.back());
    tasks.pop_back();
    taskRunning = true;
    lock.unlock();
    task.run();
    lock.lock();
    taskRunning = false;
  }
}

}  // namespace tarvik::sim
