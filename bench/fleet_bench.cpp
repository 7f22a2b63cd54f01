// tarvikctl --all on a bench of stand-ins, each a full-speed device (one
// report per 1 ms frame in each direction) behind a hub with a transaction
// translator per port, all on one host controller's frame clock: apply of a
// document that changes every setting but the USB speed, and a 1 MiB
// firmware package, on 16 stand-ins against one; then both on 64, with the
// CPU time and the growth of resident memory per device. tarvikctl runs in
// this process, as the command line runs it. Linux only (/proc/self).
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench_inputs.h"
#include "ctl_in_process.h"
#include "sim/sim_device.h"

namespace tarvik {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFleet = 16;
constexpr int kLargeFleet = 64;
constexpr int kApplyRuns = 5;
constexpr int kFirmwareRuns = 3;  // of the one-device transfer; the fleets' run once
constexpr std::size_t kPayload = 1 << 20;
constexpr uint8_t kTarget = 0;

std::string directory;
// The working set of the stand-in the document was saved from.
std::vector<sim::StoredValue> applied;

int Ctl(const std::vector<std::string>& args) { return bench::RunCtl(args, directory); }

// Stand-ins on ports 1-1 to 1-N, paced as full-speed devices.
class Fleet {
 public:
  explicit Fleet(int size) {
    for (int port = 1; port <= size; ++port) {
      sim::SimOptions options;
      options.topology = "1-" + std::to_string(port);
      devices_.push_back(std::make_unique<sim::SimDevice>(options));
      devices_.back()->SetReportInterval(std::chrono::milliseconds(1));
    }
  }
  const std::vector<std::unique_ptr<sim::SimDevice>>& Devices() const { return devices_; }

 private:
  std::vector<std::unique_ptr<sim::SimDevice>> devices_;
};

// A /proc/self/status field in KiB; -1 when it cannot be read.
long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  const std::size_t length = std::strlen(field);
  for (std::string line; std::getline(status, line);)
    if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
      return std::strtol(line.c_str() + length + 1, nullptr, 10);
  return -1;
}

// Hands memory an earlier run freed back to the system, so that this run
// cannot grow into it unseen, and lowers the peak resident size (VmHWM) to
// the resident size now.
bool ResetPeak() {
  malloc_trim(0);
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

double CpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// What the stand-ins keep of a run: every request's payload and reassembled
// message, and the firmware image received. Part of the memory growth, but
// the stand-ins', not tarvikctl's.
double RecordsKiB(const Fleet& fleet) {
  std::size_t bytes = 0;
  for (const auto& device : fleet.Devices()) {
    for (const sim::RequestRecord& r : device->Requests())
      bytes += r.payload.size() + r.message.size();
    bytes += device->Firmware().image.size();
  }
  return static_cast<double>(bytes) / 1024;
}

struct Measure {
  double wallMs = 0;
  double cpuMs = 0;      // the whole process's, the stand-ins' threads included
  double growthKiB = 0;  // peak resident size during the run less resident size before
  double recordsKiB = 0;
};

using Check = std::function<bool(const sim::SimDevice&)>;

Measure Run(int devices, const std::vector<std::string>& args, Check check) {
  Fleet fleet(devices);
  Measure m;
  const bool peak = ResetPeak();
  const long before = StatusKiB("VmRSS");
  const double cpu = CpuMs();
  const Clock::time_point start = Clock::now();
  if (Ctl(args) != 0) std::exit(1);
  m.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  m.cpuMs = CpuMs() - cpu;
  const long after = StatusKiB("VmHWM");
  m.growthKiB = peak && before >= 0 && after >= 0 ? static_cast<double>(after - before) : -1;
  for (const auto& device : fleet.Devices())
    if (!check(*device)) {
      std::fprintf(stderr, "a stand-in did not get what %s sent\n",
                   bench::CommandLine(args).c_str());
      std::exit(1);
    }
  m.recordsKiB = RecordsKiB(fleet);
  return m;
}

std::vector<sim::StoredValue> WorkingSet(const sim::SimDevice& device) {
  std::vector<sim::StoredValue> values = device.StoredSettings();
  std::erase_if(values, [](const sim::StoredValue& v) { return v.set != 0; });
  return values;
}

bool Applied(const sim::SimDevice& device) { return WorkingSet(device) == applied; }

bool Programmed(const sim::SimDevice& device) {
  const sim::FirmwareRecord record = device.Firmware();
  return record.image.size() == kPayload && record.programmed == std::vector<uint8_t>{kTarget};
}

Measure Median(std::vector<Measure> runs) {
  std::sort(runs.begin(), runs.end(),
            [](const Measure& a, const Measure& b) { return a.wallMs < b.wallMs; });
  return runs[runs.size() / 2];
}

Measure Repeat(int runs, int devices, const std::vector<std::string>& args, Check check) {
  std::vector<Measure> measures;
  for (int run = 0; run < runs; ++run) measures.push_back(Run(devices, args, check));
  return Median(measures);
}

void Row(const char* what, int devices, int runs, const Measure& m, const Measure& one) {
  std::printf("%-22s %4d %4d %10.1f %7.2fx %10.1f %10.0f %9.0f %10.0f\n", what, devices, runs,
              m.wallMs, m.wallMs / one.wallMs, m.cpuMs / devices, m.growthKiB / devices,
              m.recordsKiB / devices, (m.growthKiB - m.recordsKiB) / devices);
}

void Growth(const char* what, const Measure& small, const Measure& large) {
  auto per = [](double value, int devices) { return value / devices; };
  std::printf("  %-9s CPU per device x%.2f, growth per device x%.2f (less records x%.2f)\n", what,
              per(large.cpuMs, kLargeFleet) / per(small.cpuMs, kFleet),
              per(large.growthKiB, kLargeFleet) / per(small.growthKiB, kFleet),
              per(large.growthKiB - large.recordsKiB, kLargeFleet) /
                  per(small.growthKiB - small.recordsKiB, kFleet));
}

int Main() {
  std::random_device random;
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("tarvik-fleet-bench-" + std::to_string(random()));
  std::filesystem::create_directory(root);
  directory = root.generic_string();
  const std::string document = directory + "/settings.json", package = directory + "/package.bin";

  // The document: a stand-in set to the target values, saved, without the
  // USB speed (a change of it restarts the device).
  {
    sim::SimDevice source;
    for (const bench::SettingValue& t : bench::kEverySettingChanged)
      if (Ctl({"set", t.name, t.value}) != 0) return 1;
    if (Ctl({"save", document}) != 0) return 1;
    applied = WorkingSet(source);
  }
  nlohmann::json saved = nlohmann::json::parse(std::ifstream(document));
  saved["settings"].erase("usb-speed");
  std::ofstream(document) << saved.dump(2);
  const std::vector<uint8_t> file = bench::FirmwarePackage(kPayload);
  std::ofstream(package, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));

  const std::vector<std::string> applyOne = {"--yes", "--device", "1-1", "apply", document};
  const std::vector<std::string> applyAll = {"--yes", "--all", "apply", document};
  const std::string target = std::to_string(kTarget);
  const std::vector<std::string> firmwareOne = {"--yes",  "--device", "1-1",      "firmware",
                                                "update", package,    "--target", target};
  const std::vector<std::string> firmwareAll = {"--yes", "--all",    "firmware", "update",
                                                package, "--target", target};

  const Measure apply1 = Repeat(kApplyRuns, 1, applyOne, Applied);
  const Measure apply16 = Repeat(kApplyRuns, kFleet, applyAll, Applied);
  const Measure apply64 = Run(kLargeFleet, applyAll, Applied);
  const Measure firmware1 = Repeat(kFirmwareRuns, 1, firmwareOne, Programmed);
  const Measure firmware16 = Run(kFleet, firmwareAll, Programmed);
  const Measure firmware64 = Run(kLargeFleet, firmwareAll, Programmed);

  std::printf("document: %s\n", saved["settings"].dump().c_str());
  std::printf("package: %zu bytes, --target %s\n\n", file.size(), target.c_str());
  std::printf(
      "Stand-ins at 1 ms per report in each direction, one frame clock; wall time the median\n"
      "of the runs; CPU time of the whole process (stand-ins included) per device; growth:\n"
      "peak resident size during the run less resident size before, per device, of which\n"
      "'records' is what the stand-ins keep of the requests and the image received.\n");
  std::printf("%-22s %4s %4s %10s %8s %10s %10s %9s %10s\n", "", "devs", "runs", "wall ms", "x one",
              "CPU ms/dev", "KiB/dev", "records", "less recs");
  Row("apply, --device 1-1", 1, kApplyRuns, apply1, apply1);
  Row("apply, --all", kFleet, kApplyRuns, apply16, apply1);
  Row("apply, --all", kLargeFleet, 1, apply64, apply1);
  Row("firmware, --device 1-1", 1, kFirmwareRuns, firmware1, firmware1);
  Row("firmware, --all", kFleet, 1, firmware16, firmware1);
  Row("firmware, --all", kLargeFleet, 1, firmware64, firmware1);
  std::printf("\nfrom %d to %d devices:\n", kFleet, kLargeFleet);
  Growth("apply", apply16, apply64);
  Growth("firmware", firmware16, firmware64);
  std::printf("\nfleet %d: apply %.2fx, firmware %.2fx\n", kFleet, apply16.wallMs / apply1.wallMs,
              firmware16.wallMs / firmware1.wallMs);

  std::filesystem::remove_all(root);
  return 0;
}

}  // namespace
}  // namespace tarvik

int main() { return tarvik::Main(); }
