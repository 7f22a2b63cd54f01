#include "device_connection.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "exit_codes.h"
#include "selected_backend.h"
#include "settings/firmware_version.h"
#include "settings/settings_exchanges.h"
#include "sim/sim_backend.h"
#include "trace_backend.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

std::string UdevRuleFix() {
  std::vector<int> ids;
  for (const ProductIdRow& row : kProductIdTable) ids.push_back(row.id);
  std::sort(ids.begin(), ids.end());
  std::string alternatives;
  for (int id : ids) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04x", static_cast<unsigned>(id));
    alternatives += (alternatives.empty() ? "" : "|") + std::string(hex);
  }
  char vendor[8];
  std::snprintf(vendor, sizeof vendor, "%04x", static_cast<unsigned>(kTarvikVendorId));
  return "install the tarvik-configurator package, or add the rule yourself:\n"
         "  echo 'SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"" +
         std::string(vendor) + "\", ATTRS{idProduct}==\"" + alternatives +
         "\", TAG+=\"uaccess\"' | sudo tee /etc/udev/rules.d/70-tarvik.rules\n"
         "  sudo udevadm control --reload && sudo udevadm trigger --subsystem-match=hidraw\n"
         "then unplug the Tarvik and plug it in again.";
}

}  // namespace

const std::string kUdevRuleFix = UdevRuleFix();

const char* const kLockUnavailable =
    "cannot take the lock that keeps the Tarvik Configurator and other tarvikctl runs away from "
    "the Tarvik, so another program may be using it; give --force to go on anyway";

bool MayTalkToDevice(const Context& context, SingleInstanceLock::Result locked) {
  return locked == SingleInstanceLock::Result::kAcquired ||
         (locked == SingleInstanceLock::Result::kUnavailable && context.force);
}

HidBackend& BusOf(const Context& context) {
  if (context.simulate > 0) return sim::DefaultSimBackend();
  return context.systemBackend != nullptr ? *context.systemBackend : SystemHidBackend();
}

DeviceConnection::DeviceConnection(Context& context) : context_(context) {}

int DeviceConnection::Choose(HidBackend& bus) {
  if (context_.listed != nullptr) return Select(bus, *context_.listed);
  if (context_.device.empty() && !context_.changesDevice) return kExitOk;
  const std::vector<AttachedDevice> devices = ListAttached(bus);
  const AttachedDevice* chosen = nullptr;
  if (context_.device.empty()) {
    // The first in list order, as the session has always opened. Where its
    // place on the bus is known it is kept through a restart, so the reopen
    // cannot land on another Tarvik; an interface path alone would not
    // survive the restart's change of product ID.
    if (devices.empty()) return kExitOk;
    if (devices.size() > 1)
      context_.err << "tarvikctl: " << devices.size() << " Tarviks attached; using "
                   << DeviceName(devices.front()) << " (choose another with --device)\n";
    if (devices.front().topology.empty()) return kExitOk;
    chosen = &devices.front();
  } else {
    chosen = FindSelected(devices, context_.device);
  }
  if (chosen == nullptr)
    return Fail(context_, kExitNotFound,
                "no Tarvik matches '" + Printable(context_.device) +
                    "'; tarvikctl list shows the attached ones and their selectors");
  return Select(bus, *chosen);
}

int DeviceConnection::Select(HidBackend& bus, const AttachedDevice& device) {
  selected_ = std::make_unique<SelectedBackend>(bus, device);
  backend_ = selected_.get();
  return kExitOk;
}

DeviceConnection::~DeviceConnection() {
  if (session_) session_->Close();
}

int TakeLock(Context& context, SingleInstanceLock& lock) {
  const SingleInstanceLock::Result locked = lock.Acquire(context.lockDirectory);
  if (locked == SingleInstanceLock::Result::kAlreadyHeld)
    return Fail(context, kExitBusy,
                "the Tarvik is in use by the Tarvik Configurator or another tarvikctl; close it "
                "and try again");
  if (!MayTalkToDevice(context, locked)) return Fail(context, kExitBusy, kLockUnavailable);
  return kExitOk;
}

int DeviceConnection::Open() {
  if (!context_.lockHeld)
    if (const int code = TakeLock(context_, lock_)) return code;
  backend_ = &BusOf(context_);
  if (const int code = Choose(*backend_)) return code;
  if (context_.trace) {
    trace_ = std::make_unique<TraceBackend>(*backend_, context_.err);
    backend_ = trace_.get();
  }
  session_ = std::make_unique<CHidDevCommApp>(*backend_);
  const Presence probe = ProbeDevice(*backend_);
  if (probe == Presence::kPresent && session_->Open()) return kExitOk;
  return Explain(probe);
}

int DeviceConnection::Explain(Presence probe) {
  // A Tarvik the user may not open looks absent to the probe: find it.
  bool unopenable = false;
  for (const std::string& id : backend_->ListInterfaces()) {
    HidIdentity identity;
    if (!backend_->ReadIdentity(id, &identity) || identity.vendorId != kTarvikVendorId) continue;
    if (!backend_->OpenInterface(id)) unopenable = true;
  }
  if (unopenable)
    return Fail(context_, kExitPermission,
                "a Tarvik is attached but this user may not open it; " + kUdevRuleFix);
  if (probe == Presence::kRestarting)
    return Fail(context_, kExitNotFound,
                "the Tarvik is restarting (product ID 0x4022); try again in a moment");
  return Fail(context_, kExitNotFound, "no Tarvik attached");
}

int DeviceConnection::Reopen(int timeoutMs) {
  session_->Close();
  firmwareRead_ = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (ProbeDevice(*backend_) == Presence::kPresent && session_->Open()) return kExitOk;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return Fail(context_, kExitNotFound, "the Tarvik did not come back after its restart");
}

bool DeviceConnection::ReadFirmware() {
  if (firmwareRead_) return true;
  if (!ReadFirmwareVersion(*session_, firmware_)) return false;
  features_ = FeaturesOf(session_->productId, ParseFirmwareVersion(firmware_));
  firmwareRead_ = true;
  return true;
}

}  // namespace tarvik::ctl
