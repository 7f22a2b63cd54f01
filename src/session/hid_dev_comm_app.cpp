#include "session/hid_dev_comm_app.h"

#include "commands/operation_codec.h"
#include "commands/operation_table.h"
#include "link/link_errors.h"

namespace tarvik {

int ExecuteCommand(DeviceLink* link, int id, CommandParams* params, StatusPair* status) {
  if (!link) return LINK_ERR_NOT_OPEN;
  std::lock_guard<std::recursive_mutex> guard(link->Lock());
  int result = LINK_ERR_UNKNOWN_COMMAND;
  if (const OperationRow* row = FindOperation(id)) result = RunOperation(*link, *row, params);
  if (status) {
    status->status = link->LastStatus();
    status->detail = link->LastDetail();
  }
  return result;
}

Presence ProbeDevice(HidBackend& backend) {
  HidDevice device(backend);
  for (int productId : kProductIds) {
    const bool opened = device.Open(kTarvikVendorId, productId, 64, 64, 0) != nullptr;
    device.Close();
    if (opened) return Presence::kPresent;
  }
  const bool opened = device.Open(kTarvikVendorId, kProductIdProbeOnly, 64, 64, 0) != nullptr;
  device.Close();
  return opened ? Presence::kRestarting : Presence::kAbsent;
}

CHidDevCommApp::~CHidDevCommApp() {
  std::lock_guard<std::recursive_mutex> guard(lock);
  Teardown();
}

bool CHidDevCommApp::Open() {
  std::lock_guard<std::recursive_mutex> guard(lock);
  if (link) return false;
  auto candidate = std::make_unique<DeviceLink>(*backend_, waitCapMs_, *clock_);
  candidate->SetNotifyCallback(notifyCallback_);
  for (int id : kProductIds) {
    if (candidate->Device().Open(kTarvikVendorId, id, 64, 64, 0)) {
      if (!candidate->StartReceiver()) break;
      link = std::move(candidate);
      isOpen = true;
      productId = id;
      return true;
    }
  }
  candidate->Stop();
  return false;
}

int CHidDevCommApp::Close() {
  std::lock_guard<std::recursive_mutex> guard(lock);
  if (!isOpen) return 0;
  Teardown();
  return 0;
}

void CHidDevCommApp::Teardown() {
  if (link) link->Stop();
  link.reset();
  isOpen = false;
  productId = 0;
}

}  // namespace tarvik
