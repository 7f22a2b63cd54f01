#include "all_devices.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <vector>

#include "device_connection.h"
#include "exit_codes.h"
#include "json_text.h"

namespace tarvik::ctl {
namespace {

struct Outcome {
  AttachedDevice device;
  CommandResult result;
  double seconds = 0;
  std::string output;  // what it printed, with --json
};

Outcome RunOne(Context& context, const DeviceCommand& command, const AttachedDevice& device) {
  Outcome outcome;
  outcome.device = device;
  std::ostringstream captured;
  Context one(context.json ? captured : context.out, context.err, context.in, context);
  one.device = StableSelector(device);

  const auto start = std::chrono::steady_clock::now();
  int code;
  try {
    code = command(one, device);
  } catch (const std::exception& error) {
    code = Fail(one, kExitInternal, std::string("internal error: ") + error.what());
  }
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  outcome.result = ResultOf(one, code);
  outcome.output = captured.str();
  return outcome;
}

// apply --check's finding on one device: no failure, but not "ok" either.
bool Differs(const Outcome& o) { return o.result.code == kExitDrift; }
bool Failed(const Outcome& o) { return o.result.code != kExitOk && !Differs(o); }

std::string ResultWord(const Outcome& o) {
  return Differs(o) ? "differs" : Failed(o) ? "failed" : "ok";
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", seconds);
  return text;
}

void PrintTable(std::ostream& out, const std::vector<Outcome>& outcomes) {
  std::size_t width = 6;
  for (const Outcome& o : outcomes) width = std::max(width, DeviceName(o.device).size());
  auto pad = [](std::string text, std::size_t to) {
    text.resize(std::max(text.size(), to), ' ');
    return text;
  };
  out << pad("device", width) << "  result  time      reason\n";
  for (const Outcome& o : outcomes) {
    out << pad(DeviceName(o.device), width) << "  "
        << pad(Failed(o) ? "FAILED" : ResultWord(o), 6) << "  ";
    if (!Failed(o))
      out << Seconds(o.seconds);
    else
      out << pad(Seconds(o.seconds), 8) << "  " << o.result.message << " (exit " << o.result.code
          << ')';
    out << '\n';
  }
}

nlohmann::json SummaryJson(const std::vector<Outcome>& outcomes) {
  nlohmann::json devices = nlohmann::json::array();
  int failed = 0;
  for (const Outcome& o : outcomes) {
    nlohmann::json entry = {
        {"device", StableSelector(o.device)},
        {"interface", o.device.node},
        {"topology",
         o.device.topology.empty() ? nlohmann::json(nullptr) : nlohmann::json(o.device.topology)},
        {"result", ResultWord(o)},
        {"exitCode", o.result.code},
        {"seconds", o.seconds}};
    if (Failed(o)) {
      ++failed;
      entry["error"] = o.result.message;
    }
    // The command's own JSON, when it printed one.
    nlohmann::json output = nlohmann::json::parse(o.output, nullptr, false);
    if (!output.is_discarded()) entry["output"] = std::move(output);
    devices.push_back(std::move(entry));
  }
  return {{"schemaVersion", 1},
          {"devices", std::move(devices)},
          {"succeeded", static_cast<int>(outcomes.size()) - failed},
          {"failed", failed}};
}

}  // namespace

int RunOnAll(Context& context, const DeviceCommand& command) {
  std::vector<AttachedDevice> devices = ListAttached(BusOf(context));
  // A device with several Tarvik interfaces is one device.
  std::set<std::string> seen;
  std::erase_if(devices,
                [&](const AttachedDevice& d) { return !seen.insert(StableSelector(d)).second; });
  if (devices.empty()) return Fail(context, kExitNotFound, "no Tarvik attached");

  std::vector<Outcome> outcomes;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const AttachedDevice& device = devices[i];
    context.err << "tarvikctl: [" << i + 1 << '/' << devices.size() << "] " << DeviceName(device)
                << '\n';
    if (!context.json) context.out << "== " << DeviceName(device) << " ==\n";
    outcomes.push_back(RunOne(context, command, device));
    const Outcome& o = outcomes.back();
    context.err << "tarvikctl: [" << i + 1 << '/' << devices.size() << "] " << DeviceName(device)
                << ": " << (Failed(o) ? "FAILED" : Differs(o) ? "differs" : "done") << " in "
                << Seconds(o.seconds) << '\n';
  }

  if (context.json)
    context.out << JsonText(SummaryJson(outcomes));
  else
    PrintTable(context.out, outcomes);

  int code = kExitOk;
  bool differs = false;
  for (const Outcome& o : outcomes) {
    differs = differs || Differs(o);
    if (!Failed(o)) continue;
    code = code == kExitOk || code == o.result.code ? o.result.code : kExitFailed;
  }
  return code == kExitOk && differs ? kExitDrift : code;
}

std::string SaveFileFor(const std::string& folder, const AttachedDevice& device) {
  std::string name = device.topology.empty() ? device.node : device.topology;
  // Whatever the name holds, it stays one file in the folder on every system.
  for (char& c : name)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
          c == '.'))
      c = '_';
  return folder + "/" + name + ".json";
}

}  // namespace tarvik::ctl
