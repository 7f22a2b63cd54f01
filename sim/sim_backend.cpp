#include "sim/sim_backend.h"

#include <mutex>

#include "sim/sim_core.h"

namespace tarvik::sim {

namespace {

// An open handle keeps the device's core alive, so it stays safe to use (and
// fails every call) after the SimDevice is gone.
class SimHandle final : public HidHandle {
 public:
  explicit SimHandle(std::shared_ptr<SimDevice::Core> core) : core_(std::move(core)) {}
  ~SimHandle() override { core_->Detach(&state_); }
  SimHandle(const SimHandle&) = delete;
  SimHandle& operator=(const SimHandle&) = delete;

  bool Attach() { return core_->Attach(&state_); }

  bool Read(std::span<uint8_t> report, int timeoutMs) override {
    return core_->Read(&state_, report, timeoutMs);
  }
  bool Write(std::span<const uint8_t> report, int) override {
    return core_->Write(&state_, report);
  }
  void AbortRead() override { core_->Abort(&state_); }
  // What the device shows now, while this handle's attachment lasts: a
  // handle left over from before an unplug describes nothing.
  bool Describe(HidIdentity* identity, HidReportLengths* lengths) const override {
    if (identity == nullptr || lengths == nullptr) return false;
    std::lock_guard lock(core_->mu);
    if (!core_->plugged || state_.generation != core_->generation) return false;
    *identity = {core_->options.vendorId, core_->options.productId};
    *lengths = {core_->options.inputReportLength, core_->options.outputReportLength, 0};
    return true;
  }

 private:
  std::shared_ptr<SimDevice::Core> core_;
  HandleState state_;
};

}  // namespace

std::vector<std::string> SimBackend::ListInterfaces() { return RegisteredIds(); }

bool SimBackend::ReadIdentity(const std::string& id, HidIdentity* out) {
  std::shared_ptr<SimDevice::Core> core = FindRegistered(id);
  if (!core || out == nullptr) return false;
  std::lock_guard lock(core->mu);
  if (!core->plugged) return false;
  *out = {core->options.vendorId, core->options.productId};
  return true;
}

bool SimBackend::ReadReportLengths(const std::string& id, HidReportLengths* out) {
  std::shared_ptr<SimDevice::Core> core = FindRegistered(id);
  if (!core || out == nullptr) return false;
  std::lock_guard lock(core->mu);
  if (!core->plugged) return false;
  *out = {core->options.inputReportLength, core->options.outputReportLength, 0};
  return true;
}

std::unique_ptr<HidHandle> SimBackend::OpenInterface(const std::string& id) {
  std::shared_ptr<SimDevice::Core> core = FindRegistered(id);
  if (!core) return nullptr;
  auto handle = std::make_unique<SimHandle>(std::move(core));
  if (!handle->Attach()) return nullptr;
  return handle;
}

std::string SimBackend::TopologyPath(const std::string& id) {
  std::shared_ptr<SimDevice::Core> core = FindRegistered(id);
  if (!core) return {};
  std::lock_guard lock(core->mu);
  return core->options.topology;
}

SimBackend& DefaultSimBackend() {
  static SimBackend backend;
  return backend;
}

}  // namespace tarvik::sim
