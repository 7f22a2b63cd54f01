#include "sim/sim_device.h"

#include <algorithm>

#include "sim/sim_core.h"

namespace tarvik::sim {

namespace {

constexpr int kNotifyWide = 3;  // the one type with a 16-bit, big-endian value

}  // namespace

SimDevice::SimDevice(SimOptions options) : core_(std::make_shared<Core>(options)) { core_->Plug(); }

SimDevice::~SimDevice() { core_->Shut(); }

bool SimDevice::HostCaughtUp(std::chrono::steady_clock::time_point by) const {
  return core_->HostCaughtUp(by);
}

void SimDevice::Plug() { core_->Plug(); }

void SimDevice::Unplug() { core_->Unplug(); }

bool SimDevice::IsPlugged() const {
  std::lock_guard lock(core_->mu);
  return core_->plugged;
}

uint16_t SimDevice::ProductId() const {
  std::lock_guard lock(core_->mu);
  return core_->options.productId;
}

void SimDevice::SetProductId(uint16_t productId) {
  std::lock_guard lock(core_->mu);
  core_->nextProductId = productId;
}

void SimDevice::DropOff(int offlineMs, uint16_t returnProductId) {
  core_->DropOff(offlineMs, returnProductId);
}

void SimDevice::SetRestartPlan(int offlineMs, uint16_t interimProductId, int interimMs,
                               uint16_t finalProductId) {
  std::lock_guard lock(core_->mu);
  core_->restartPlan = {offlineMs, interimProductId, interimMs, finalProductId};
}

void SimDevice::InjectFault(Fault fault) { InjectFault(fault, 0); }

void SimDevice::InjectFault(Fault fault, int afterRequests) {
  InjectFault(fault, afterRequests, 1);
}

void SimDevice::InjectFault(Fault fault, int afterRequests, int times) {
  std::lock_guard lock(core_->mu);
  core_->fault = times > 0 ? fault : Fault{};
  core_->faultSkip = std::max(afterRequests, 0);
  core_->faultTimes = times;
}

void SimDevice::SetReplyLatency(int ms) {
  std::lock_guard lock(core_->mu);
  core_->latencyMs = ms;
}

void SimDevice::SetReportInterval(std::chrono::microseconds interval) {
  std::lock_guard lock(core_->mu);
  core_->reportInterval = std::max(interval, std::chrono::microseconds{0});
}

void SimDevice::SetFirmwareBehaviour(FirmwareBehaviour behaviour) {
  std::lock_guard lock(core_->mu);
  core_->firmwareBehaviour = behaviour;
  core_->blocksAcked = 0;
}

FirmwareRecord SimDevice::Firmware() const {
  std::lock_guard lock(core_->mu);
  return core_->firmware.Record();
}

void SimDevice::SendNotification(int type, int value) {
  Report report{};
  report[0] = kNotifyMarker;
  report[1] = static_cast<uint8_t>(type);
  if (type == kNotifyWide) {
    report[2] = static_cast<uint8_t>(value >> 8);
    report[3] = static_cast<uint8_t>(value);
  } else {
    report[2] = static_cast<uint8_t>(value);
  }
  core_->Broadcast(report);
}

void SimDevice::SendReport(std::span<const uint8_t> report) {
  Report data{};
  std::copy_n(report.begin(), std::min(report.size(), data.size()), data.begin());
  core_->Broadcast(data);
}

void SimDevice::SendStreamMessage(uint8_t lead, std::span<const uint8_t> bytes) {
  core_->BroadcastAll(CutStream(EncodeStream(lead, bytes)));
}

std::vector<RequestRecord> SimDevice::Requests() const {
  std::lock_guard lock(core_->mu);
  return core_->requests;
}

std::size_t SimDevice::RequestCount() const {
  std::lock_guard lock(core_->mu);
  return core_->requests.size();
}

void SimDevice::ClearRequests() {
  std::lock_guard lock(core_->mu);
  core_->requests.clear();
}

bool SimDevice::WaitForRequests(std::size_t n, int timeoutMs) const {
  std::unique_lock lock(core_->mu);
  auto arrived = [&] { return core_->requests.size() >= n; };
  if (timeoutMs < 0) {
    core_->requestCv.wait(lock, arrived);
    return true;
  }
  return core_->requestCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), arrived);
}

void SimDevice::SetFirmwareVersion(const std::string& text) {
  std::lock_guard lock(core_->mu);
  core_->store.Put(0, kCommandDeviceInfo, kItemFirmwareVersion, 0, {text.begin(), text.end()});
}

std::vector<uint8_t> SimDevice::Setting(int set, uint16_t command, uint8_t target,
                                        uint8_t index) const {
  std::lock_guard lock(core_->mu);
  return core_->store.Get(set, command, target, index);
}

void SimDevice::SetSetting(int set, uint16_t command, uint8_t target, uint8_t index,
                           std::vector<uint8_t> value) {
  std::lock_guard lock(core_->mu);
  core_->store.Put(set, command, target, index, std::move(value));
}

std::vector<StoredValue> SimDevice::StoredSettings() const {
  std::lock_guard lock(core_->mu);
  return core_->store.Settings();
}

bool SimDevice::RestoreSettings(const std::vector<StoredValue>& values) {
  if (!std::all_of(values.begin(), values.end(), SettingsStore::IsSetting)) return false;
  std::lock_guard lock(core_->mu);
  for (const StoredValue& v : values) core_->store.Put(v.set, v.command, v.target, v.index, v.value);
  return true;
}

int SimDevice::OpenHandleCount() const { return core_->HandleCount(); }

}  // namespace tarvik::sim
