#include "list_command.h"

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/single_instance_lock.h"
#include "device_connection.h"
#include "exit_codes.h"
#include "json_text.h"
#include "pages/settings_exchanges.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"
#include "value_text.h"

namespace tarvik::ctl {

int ListDevices(Context& context) {
  std::unique_ptr<sim::SimDevice> standIn;
  HidBackend* backend =
      context.systemBackend != nullptr ? context.systemBackend : &SystemHidBackend();
  if (context.simulate) {
    standIn = std::make_unique<sim::SimDevice>();
    backend = &sim::DefaultSimBackend();
  }

  nlohmann::json devices = nlohmann::json::array();
  bool anyUnopenable = false;
  for (const std::string& id : backend->ListInterfaces()) {
    HidIdentity identity;
    if (!backend->ReadIdentity(id, &identity) || identity.vendorId != kTarvikVendorId) continue;
    const bool openable = backend->OpenInterface(id) != nullptr;
    anyUnopenable |= !openable;
    devices.push_back({{"interface", id},
                       {"productId", HexNumber(identity.productId, 4)},
                       {"accessible", openable},
                       {"firmware", nullptr}});
  }

  // The version is read through the session, so only while no other
  // program can be holding the device; listing works either way.
  SingleInstanceLock lock;
  if (!devices.empty() && MayTalkToDevice(context, lock.Acquire(context.lockDirectory))) {
    CHidDevCommApp session(*backend);
    char firmware[5] = {};
    if (ProbeDevice(*backend) == Presence::kPresent && session.Open() &&
        ReadFirmwareVersion(session, firmware)) {
      for (nlohmann::json& device : devices)
        if (device["productId"] == HexNumber(static_cast<unsigned>(session.productId), 4) &&
            device["accessible"])
          device["firmware"] = firmware;
    }
  }

  if (context.json) {
    context.out << JsonText(nlohmann::json{{"schemaVersion", 1}, {"devices", devices}});
  } else if (devices.empty()) {
    context.out << "no Tarvik attached\n";
  } else {
    for (const nlohmann::json& d : devices) {
      context.out << d["interface"].get<std::string>() << "  Tarvik "
                  << d["productId"].get<std::string>() << "  "
                  << (d["accessible"].get<bool>() ? "accessible" : "NOT accessible to this user");
      if (d["firmware"].is_string()) context.out << "  firmware " << ValueText(d["firmware"]);
      context.out << '\n';
    }
  }
  if (anyUnopenable)
    context.err << "tarvikctl: to let this user open the Tarvik, " << kUdevRuleFix << '\n';
  if (devices.empty()) return kExitNotFound;
  return anyUnopenable ? kExitPermission : kExitOk;
}

}  // namespace tarvik::ctl
