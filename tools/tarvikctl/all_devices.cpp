#include "all_devices.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <streambuf>
#include <vector>

#include "device_connection.h"
#include "exit_codes.h"
#include "json_text.h"

namespace tarvik::ctl {
namespace {

// Passes everything on to `target` and keeps a copy, so a device's error
// messages reach the user at once and its summary line too.
class TeeBuffer : public std::streambuf {
 public:
  explicit TeeBuffer(std::ostream& target) : target_(target) {}
  const std::string& Text() const { return text_; }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    text_.push_back(traits_type::to_char_type(c));
    target_.put(traits_type::to_char_type(c));
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    text_.append(s, static_cast<std::size_t>(n));
    target_.write(s, n);
    return n;
  }
  int sync() override {
    target_.flush();
    return 0;
  }

 private:
  std::ostream& target_;
  std::string text_;
};

struct Outcome {
  AttachedDevice device;
  int code = kExitOk;
  double seconds = 0;
  std::string reason;  // the last message the command gave when it failed
  std::string output;  // what it printed, with --json
};

// The last "tarvikctl: " message of a device's error output.
std::string LastMessage(const std::string& text) {
  constexpr std::string_view kPrefix = "tarvikctl: ";
  std::string last;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with(kPrefix)) last = line.substr(kPrefix.size());
  return last;
}

Outcome RunOne(Context& context, const DeviceCommand& command, const AttachedDevice& device) {
  Outcome outcome;
  outcome.device = device;
  std::ostringstream captured;
  TeeBuffer teeBuffer(context.err);
  std::ostream err(&teeBuffer);
  Context one(context.json ? captured : context.out, err, context.in);
  one.terminal = context.terminal;
  one.lockDirectory = context.lockDirectory;
  one.systemBackend = context.systemBackend;
  one.json = context.json;
  one.trace = context.trace;
  one.simulate = context.simulate;
  one.yes = context.yes;
  one.force = context.force;
  one.changesDevice = context.changesDevice;
  one.device = StableSelector(device);

  const auto start = std::chrono::steady_clock::now();
  try {
    outcome.code = command(one, device);
  } catch (const std::exception& error) {
    outcome.code = Fail(one, kExitInternal, std::string("internal error: ") + error.what());
  }
  outcome.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  err.flush();
  if (outcome.code != kExitOk) outcome.reason = LastMessage(teeBuffer.Text());
  outcome.output = captured.str();
  return outcome;
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
    out << pad(DeviceName(o.device), width) << "  " << pad(o.code == kExitOk ? "ok" : "FAILED", 6)
        << "  ";
    if (o.code == kExitOk)
      out << Seconds(o.seconds);
    else
      out << pad(Seconds(o.seconds), 8) << "  " << o.reason << " (exit " << o.code << ')';
    out << '\n';
  }
}

nlohmann::json SummaryJson(const std::vector<Outcome>& outcomes) {
  nlohmann::json devices = nlohmann::json::array();
  int failed = 0;
  for (const Outcome& o : outcomes) {
    nlohmann::json entry = {{"device", StableSelector(o.device)},
                            {"interface", o.device.node},
                            {"topology", o.device.topology.empty()
                                             ? nlohmann::json(nullptr)
                                             : nlohmann::json(o.device.topology)},
                            {"result", o.code == kExitOk ? "ok" : "failed"},
                            {"exitCode", o.code},
                            {"seconds", o.seconds}};
    if (o.code != kExitOk) {
      ++failed;
      entry["error"] = o.reason;
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
  std::erase_if(devices, [&](const AttachedDevice& d) {
    return !seen.insert(StableSelector(d)).second;
  });
  if (devices.empty()) return Fail(context, kExitNotFound, "no Tarvik attached");

  std::vector<Outcome> outcomes;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const AttachedDevice& device = devices[i];
    context.err << "tarvikctl: [" << i + 1 << '/' << devices.size() << "] "
                << DeviceName(device) << '\n';
    if (!context.json) context.out << "== " << DeviceName(device) << " ==\n";
    outcomes.push_back(RunOne(context, command, device));
    const Outcome& o = outcomes.back();
    context.err << "tarvikctl: [" << i + 1 << '/' << devices.size() << "] "
                << DeviceName(device) << ": "
                << (o.code == kExitOk ? "done" : "FAILED") << " in " << Seconds(o.seconds)
                << '\n';
  }

  if (context.json)
    context.out << JsonText(SummaryJson(outcomes));
  else
    PrintTable(context.out, outcomes);

  int code = kExitOk;
  for (const Outcome& o : outcomes) {
    if (o.code == kExitOk) continue;
    code = code == kExitOk || code == o.code ? o.code : kExitFailed;
  }
  return code;
}

std::string SaveFileFor(const std::string& folder, const AttachedDevice& device) {
  std::string name = device.topology.empty() ? device.node : device.topology;
  // Whatever the name holds, it stays one file in the folder on every system.
  for (char& c : name)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
          c == '-' || c == '.'))
      c = '_';
  return folder + "/" + name + ".json";
}

}  // namespace tarvik::ctl
