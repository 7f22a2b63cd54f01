#include "all_devices.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>
#include <thread>
#include <vector>

#include "device_connection.h"
#include "device_lines.h"
#include "exit_codes.h"
#include "json_text.h"
#include "stop_request.h"

namespace tarvik::ctl {
namespace {

struct Outcome {
  AttachedDevice device;
  bool started = false;
  bool stopped = false;  // its command stopped because the run was asked to
  CommandResult result;
  double seconds = 0;
  std::string output;  // what its command printed
};

// What the devices' workers share: the error stream, under its mutex, and
// the one question asked at a time.
struct Shared {
  Shared(Context& context, const Options& each) : context(context), each(each) {}

  Context& context;
  Options each;  // every device's options, but for the device itself
  std::mutex errMutex;
  std::mutex questions;

  void Say(const std::string& line) {
    std::lock_guard<std::mutex> guard(errMutex);
    context.err << "tarvikctl: " << line << '\n' << std::flush;
  }
};

void RunOne(Shared& shared, const DeviceCommand& command, Outcome& outcome) {
  std::ostringstream captured;
  DeviceLines lines(shared.context.err, shared.errMutex, DeviceName(outcome.device));
  std::ostream err(&lines);
  Context one(captured, err, shared.context.in, shared.each);
  one.device = StableSelector(outcome.device);
  one.questions = &shared.questions;
  one.listed = &outcome.device;

  const auto start = std::chrono::steady_clock::now();
  int code;
  try {
    code = command(one, outcome.device);
  } catch (const std::exception& error) {
    code = Fail(one, kExitInternal, std::string("internal error: ") + error.what());
  } catch (...) {
    code = Fail(one, kExitInternal, "internal error");
  }
  err.flush();
  outcome.started = true;
  outcome.stopped = one.stopped;
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  outcome.result = ResultOf(one, code);
  outcome.output = captured.str();
}

// apply --check's finding on one device: no failure, but not "ok" either.
bool Differs(const Outcome& o) { return o.result.code == kExitDrift; }
bool Unfinished(const Outcome& o) { return !o.started || o.stopped; }
bool Failed(const Outcome& o) { return o.result.code != kExitOk && !Differs(o) && !Unfinished(o); }

std::string ResultWord(const Outcome& o) {
  if (!o.started) return "not-started";
  if (o.stopped) return "stopped";
  return Differs(o) ? "differs" : Failed(o) ? "failed" : "ok";
}

std::string ProgressWord(const Outcome& o) {
  return Failed(o) ? "FAILED" : o.stopped ? "stopped" : Differs(o) ? "differs" : "done";
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
  out << pad("device", width) << "  result       time      reason\n";
  for (const Outcome& o : outcomes) {
    out << pad(DeviceName(o.device), width) << "  ";
    if (!o.started) {
      out << "not started\n";
      continue;
    }
    out << pad(Failed(o) ? "FAILED" : ResultWord(o), 11) << "  ";
    if (!Failed(o) && !o.stopped)
      out << Seconds(o.seconds);
    else
      out << pad(Seconds(o.seconds), 8) << "  " << o.result.message << " (exit " << o.result.code
          << ')';
    out << '\n';
  }
}

nlohmann::json SummaryJson(const std::vector<Outcome>& outcomes) {
  nlohmann::json devices = nlohmann::json::array();
  int failed = 0, unfinished = 0;
  for (const Outcome& o : outcomes) {
    nlohmann::json entry = {
        {"device", StableSelector(o.device)},
        {"interface", o.device.node},
        {"topology",
         o.device.topology.empty() ? nlohmann::json(nullptr) : nlohmann::json(o.device.topology)},
        {"result", ResultWord(o)}};
    failed += Failed(o);
    unfinished += Unfinished(o);
    if (o.started) {
      entry["exitCode"] = o.result.code;
      entry["seconds"] = o.seconds;
      if (Failed(o) || o.stopped) entry["error"] = o.result.message;
    }
    // The command's own JSON, when it printed one.
    nlohmann::json output = nlohmann::json::parse(o.output, nullptr, false);
    if (!output.is_discarded()) entry["output"] = std::move(output);
    devices.push_back(std::move(entry));
  }
  return {{"schemaVersion", 1},
          {"devices", std::move(devices)},
          {"succeeded", static_cast<int>(outcomes.size()) - failed - unfinished},
          {"failed", failed},
          {"stopped", unfinished}};
}

int ExitCodeOf(const std::vector<Outcome>& outcomes) {
  int code = kExitOk;
  bool differs = false;
  for (const Outcome& o : outcomes) {
    if (Unfinished(o)) return ExitCodeForSignal(StopSignal());
    differs = differs || Differs(o);
    if (!Failed(o)) continue;
    code = code == kExitOk || code == o.result.code ? o.result.code : kExitFailed;
  }
  return code == kExitOk && differs ? kExitDrift : code;
}

// Hands out the devices in list order to the workers, and tells the
// printing thread when each is done.
class Queue {
 public:
  explicit Queue(std::size_t size) : done_(size, false) {}

  // The next device to work on; none when every one has been handed out.
  std::optional<std::size_t> Next() {
    const std::size_t i = next_.fetch_add(1);
    return i < done_.size() ? std::optional<std::size_t>(i) : std::nullopt;
  }
  void Done(std::size_t i) {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      done_[i] = true;
    }
    changed_.notify_all();
  }
  // Waits until device `i` is done; `tick` runs now and then while it waits.
  void WaitFor(std::size_t i, const std::function<void()>& tick) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!changed_.wait_for(lock, std::chrono::milliseconds(100), [&] { return done_[i]; })) {
      lock.unlock();
      tick();
      lock.lock();
    }
  }

 private:
  std::atomic<std::size_t> next_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<bool> done_;
};

}  // namespace

int RunOnAll(Context& context, const DeviceCommand& command) {
  std::vector<AttachedDevice> devices = ListAttached(BusOf(context));
  // A device with several Tarvik interfaces is one device.
  std::set<std::string> seen;
  std::erase_if(devices,
                [&](const AttachedDevice& d) { return !seen.insert(StableSelector(d)).second; });
  if (devices.empty()) return Fail(context, kExitNotFound, "no Tarvik attached");
  // Taken once for the run: the devices' own sessions need not.
  SingleInstanceLock lock;
  if (const int code = TakeLock(context, lock)) return code;

  Shared shared(context, context);
  shared.each.lockHeld = true;
  shared.each.terminal = false;  // one progress bar cannot show many devices

  const std::size_t count = devices.size();
  std::vector<Outcome> outcomes(count);
  for (std::size_t i = 0; i < count; ++i) outcomes[i].device = devices[i];
  Queue queue(count);
  auto work = [&] {
    while (const std::optional<std::size_t> i = queue.Next()) {
      Outcome& o = outcomes[*i];
      const std::string name =
          "[" + std::to_string(*i + 1) + "/" + std::to_string(count) + "] " + DeviceName(o.device);
      // Once the run is asked to stop, no further device starts.
      if (StopSignal() == 0) {
        shared.Say(name);
        RunOne(shared, command, o);
        shared.Say(name + ": " + ProgressWord(o) + " in " + Seconds(o.seconds));
      }
      queue.Done(*i);
    }
  };

  const std::size_t jobs =
      context.jobs > 0 ? std::min<std::size_t>(static_cast<std::size_t>(context.jobs), count)
                       : count;
  std::vector<std::thread> workers;
  try {
    while (workers.size() < jobs) workers.emplace_back(work);
  } catch (const std::system_error&) {
    // The system gives no more threads: those there are do the work.
  }
  if (workers.empty()) work();

  // Each device's output in list order, as soon as it and those before it are done.
  bool toldStopping = false;
  for (std::size_t i = 0; i < count; ++i) {
    queue.WaitFor(i, [&] {
      if (toldStopping || StopSignal() == 0) return;
      toldStopping = true;
      shared.Say(
          "stopping: the devices under way finish (a firmware transfer after the block in "
          "flight) and no other starts; a second signal ends tarvikctl at once");
    });
    const Outcome& o = outcomes[i];
    if (!context.json && o.started)
      context.out << "== " << DeviceName(o.device) << " ==\n" << o.output;
  }
  for (std::thread& worker : workers) worker.join();

  if (context.json)
    context.out << JsonText(SummaryJson(outcomes));
  else
    PrintTable(context.out, outcomes);
  return ExitCodeOf(outcomes);
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
