#include "list_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <nlohmann/json.hpp>

#include "device_connection.h"
#include "device_list.h"
#include "exit_codes.h"
#include "json_text.h"
#include "selected_backend.h"
#include "settings/settings_exchanges.h"
#include "system/single_instance_lock.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

nlohmann::json OrNull(const std::string& text) {
  return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(text);
}

void PrintText(std::ostream& out, const nlohmann::json& devices) {
  for (const nlohmann::json& d : devices) {
    out << d["index"].get<int>() << "  " << d["path"].get<std::string>() << "  "
        << (d["topology"].is_string() ? d["topology"].get<std::string>() : "-") << "  Tarvik "
        << d["productId"].get<std::string>() << "  ";
    if (d["firmware"].is_string()) out << "firmware " << ValueText(d["firmware"]) << "  ";
    out << (d["accessible"].get<bool>() ? "accessible" : "NOT accessible to this user") << '\n';
  }
}

}  // namespace

int ListDevices(Context& context) {
  HidBackend& bus = BusOf(context);
  const std::vector<AttachedDevice> attached = ListAttached(bus);

  // Versions are read through a session, so only while no other program can
  // be holding the devices; listing works either way.
  SingleInstanceLock lock;
  const bool mayTalk =
      !attached.empty() && MayTalkToDevice(context, lock.Acquire(context.lockDirectory));

  nlohmann::json devices = nlohmann::json::array();
  bool anyUnopenable = false;
  for (const AttachedDevice& device : attached) {
    anyUnopenable |= !device.accessible;
    nlohmann::json firmware = nullptr;
    if (mayTalk && device.accessible) {
      SelectedBackend one(bus, device);
      CHidDevCommApp session(one);
      char version[5] = {};
      if (ProbeDevice(one) == Presence::kPresent && session.Open() &&
          ReadFirmwareVersion(session, version))
        firmware = version;
    }
    devices.push_back({{"index", device.index},
                       {"interface", device.id},
                       {"path", device.node},
                       {"topology", OrNull(device.topology)},
                       {"productId", HexNumber(device.productId, 4)},
                       {"accessible", device.accessible},
                       {"firmware", firmware}});
  }

  if (context.json)
    context.out << JsonText(nlohmann::json{{"schemaVersion", 1}, {"devices", devices}});
  else if (devices.empty())
    context.out << "no Tarvik attached\n";
  else
    PrintText(context.out, devices);
  if (anyUnopenable)
    context.err << "tarvikctl: to let this user open the Tarvik, " << kUdevRuleFix << '\n';
  if (devices.empty()) return kExitNotFound;
  return anyUnopenable ? kExitPermission : kExitOk;
}

void SetUpListCommand(CLI::App& app, Invocation& run) {
  app.add_subcommand("list",
                     "list the attached Tarvik interfaces and whether this user may open them")
      ->callback([&run] { run.RunOnce(ListDevices); });
}

}  // namespace tarvik::ctl
